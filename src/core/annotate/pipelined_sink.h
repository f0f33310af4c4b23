// A sink that hands the lines of an annotated text to a writer on a thread
// of its own, so that writing the text (escaping, colour switches, the file
// writes) runs beside the walk that produces it. Each line is copied into a
// large block as it arrives and its text is freed at once on the producing
// thread, where it was allocated (freeing on the other thread costs more
// than the writing saves); only the filled blocks cross to the writer, and
// they come back to be filled again. The writer sees the lines in the
// order they were produced. A few blocks are in flight at a time, so
// memory stays small however long the text is. Without a second thread
// each line goes to the writer in place. When the writer fails on its
// thread (it runs out of memory), the lines after it are dropped and the
// sink says so.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "annotate/annotated_lines.h"

namespace sorvi {

class PipelinedSink : public AnnotatedLineSink {
 public:
  // `aside` false: every line goes to the writer at once, on this thread.
  PipelinedSink(AnnotatedLineWriter& writer, bool aside);
  PipelinedSink(const PipelinedSink&) = delete;
  PipelinedSink& operator=(const PipelinedSink&) = delete;
  ~PipelinedSink() override;

  void take(AnnotatedChunk&& chunk) override;
  bool takes_single_lines() const override { return true; }
  void take_line(int style, std::string_view text, bool note) override;
  // Hands over what is still held and waits until the writer has every
  // line; the writer's thread goes on waiting for more.
  void drain();
  // Drains and ends the writer's thread. The writer may be used again once
  // this returns.
  void finish();
  // True when the writer failed on its thread and lines were dropped
  // (asked after drain() or finish()).
  bool failed();

 private:
  struct Block {
    std::unique_ptr<char[]> bytes;
    size_t size = 0;
    size_t capacity = 0;
  };
  void append(int style, const std::string& text);
  void hand_over();
  void run();
  void stop();

  AnnotatedLineWriter& writer_;
  // The producer's own; kept apart from what the writer's thread reads.
  alignas(64) Block filling_;
  alignas(64) std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Block> full_;   // waiting for the writer
  std::vector<Block> empty_;  // written, to be filled again
  bool closed_ = false;
  bool writing_ = false;  // the writer's thread is busy with a block
  bool failed_ = false;
  std::thread thread_;
};

}  // namespace sorvi
