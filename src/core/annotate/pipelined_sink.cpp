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

// Each line in a block: its style (1 byte), its length (4 bytes), its text.
constexpr size_t kLineHead = 5;

}  // namespace

PipelinedSink::PipelinedSink(AnnotatedLineWriter& writer, bool aside) : writer_(writer) {
  if (!aside) return;
  try {
    filling_.reserve(kBlockBytes);
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
  if (!thread_.joinable()) {
    for (const AnnotatedLine& line : chunk) writer_.write(line.style, line.text.data(), line.text.size());
  } else {
    for (const AnnotatedLine& line : chunk) append(line.style, line.text);
  }
  AnnotatedChunk().swap(chunk);
}

void PipelinedSink::append(int style, const std::string& text) {
  const size_t need = kLineHead + text.size();
  if (filling_.size() + need > filling_.capacity() && !filling_.empty()) hand_over();
  const uint32_t size = static_cast<uint32_t>(text.size());
  char head[kLineHead];
  head[0] = static_cast<char>(style);
  std::memcpy(head + 1, &size, sizeof size);
  // Within the reserved room these appends copy without clearing first.
  filling_.insert(filling_.end(), head, head + kLineHead);
  filling_.insert(filling_.end(), text.data(), text.data() + text.size());
}

void PipelinedSink::hand_over() {
  if (filling_.empty()) return;
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return full_.size() < kBlocksInFlight; });
  full_.push_back(std::move(filling_));
  if (!empty_.empty()) {
    filling_ = std::move(empty_.back());
    empty_.pop_back();
  } else {
    filling_ = Block();
  }
  lock.unlock();
  changed_.notify_all();
  filling_.clear();
  if (filling_.capacity() < kBlockBytes) filling_.reserve(kBlockBytes);
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
}

void PipelinedSink::run() {
  Block block;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      if (block.capacity() > 0) empty_.push_back(std::move(block));
      changed_.wait(lock, [this] { return closed_ || !full_.empty(); });
      if (full_.empty()) return;
      block = std::move(full_.front());
      full_.pop_front();
    }
    changed_.notify_all();
    for (size_t at = 0; at + kLineHead <= block.size();) {
      const char* p = block.data() + at;
      uint32_t size = 0;
      std::memcpy(&size, p + 1, sizeof size);
      writer_.write(static_cast<unsigned char>(p[0]), p + kLineHead, size);
      at += kLineHead + size;
    }
  }
}

}  // namespace sorvi
