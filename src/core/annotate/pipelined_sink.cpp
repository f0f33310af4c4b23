#include "annotate/pipelined_sink.h"

#include <cstdint>
#include <cstring>
#include <utility>

namespace sorvi {
namespace {

// A block's size, and the blocks that may wait for the writer before the
// producer waits for it.
constexpr size_t kBlockBytes = size_t{1} << 20;
constexpr size_t kBlocksInFlight = 4;

// Each line in a block: its style (1 byte), whether it is a note (1 byte),
// its length (4 bytes), its text.
constexpr size_t kLineHead = 6;

}  // namespace

PipelinedSink::PipelinedSink(AnnotatedLineWriter& writer, bool aside) : writer_(writer) {
  if (!aside) return;
  try {
    filling_.bytes.reset(new char[kBlockBytes]);
    filling_.capacity = kBlockBytes;
    empty_.reserve(kBlocksInFlight + 2);
    thread_ = std::thread([this] { run(); });
  } catch (...) {
    // No second thread (or no room for a block): the lines go to the
    // writer in place.
  }
}

PipelinedSink::~PipelinedSink() {
  try {
    finish();
  } catch (...) {
    // Out of memory while handing over the last block: it is dropped, and
    // the thread still ends.
    stop();
  }
}

void PipelinedSink::take(AnnotatedChunk&& chunk) {
  for (const AnnotatedLine& line : chunk) take_line(line.style, line.text, line.note);
  AnnotatedChunk().swap(chunk);
}

void PipelinedSink::take_line(int style, std::string_view text, bool note) {
  if (!thread_.joinable()) {
    writer_.write(style, text.data(), text.size(), note);
    return;
  }
  const size_t need = kLineHead + text.size();
  if (filling_.capacity - filling_.size < need) {
    if (filling_.size > 0) hand_over();
    if (filling_.capacity < need) {
      // A line longer than a block gets a block of its own size.
      filling_.bytes.reset(new char[need]);
      filling_.capacity = need;
    }
  }
  char* p = filling_.bytes.get() + filling_.size;
  p[0] = static_cast<char>(style);
  p[1] = note ? 1 : 0;
  const uint32_t size = static_cast<uint32_t>(text.size());
  std::memcpy(p + 2, &size, sizeof size);
  std::memcpy(p + kLineHead, text.data(), text.size());
  filling_.size += need;
}

void PipelinedSink::hand_over() {
  if (filling_.size == 0) return;
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return full_.size() < kBlocksInFlight; });
  full_.push_back(std::move(filling_));
  filling_ = Block();
  if (!empty_.empty()) {
    filling_ = std::move(empty_.back());
    empty_.pop_back();
  }
  lock.unlock();
  changed_.notify_all();
  filling_.size = 0;
  if (filling_.capacity < kBlockBytes) {
    filling_.bytes.reset(new char[kBlockBytes]);
    filling_.capacity = kBlockBytes;
  }
}

void PipelinedSink::drain() {
  if (!thread_.joinable()) return;
  hand_over();
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return full_.empty() && !writing_; });
}

void PipelinedSink::finish() {
  if (!thread_.joinable()) return;
  hand_over();
  stop();
}

void PipelinedSink::stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
  empty_.clear();
}

void PipelinedSink::run() {
  // Held here, so that the loop below reads nothing near the block the
  // producer is filling (a shared cache line would go back and forth
  // between the two threads at every line).
  AnnotatedLineWriter& writer = writer_;
  Block block;
  bool failed = false;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      failed_ = failed;
      if (block.bytes) empty_.push_back(std::move(block));
      block = Block();
      writing_ = false;
      changed_.notify_all();
      changed_.wait(lock, [this] { return closed_ || !full_.empty(); });
      if (full_.empty()) return;
      block = std::move(full_.front());
      full_.pop_front();
      writing_ = true;
    }
    changed_.notify_all();
    if (failed) continue;
    try {
      for (size_t at = 0; at + kLineHead <= block.size;) {
        const char* p = block.bytes.get() + at;
        uint32_t size = 0;
        std::memcpy(&size, p + 2, sizeof size);
        writer.write(static_cast<unsigned char>(p[0]), p + kLineHead, size, p[1] != 0);
        at += kLineHead + size;
      }
    } catch (...) {
      // Nothing may leave this thread: the rest of the text is dropped.
      failed = true;
    }
  }
}

bool PipelinedSink::failed() {
  std::lock_guard<std::mutex> lock(mutex_);
  return failed_;
}

}  // namespace sorvi
