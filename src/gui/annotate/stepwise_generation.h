// Generating a text step by step while the window stays live. The
// generator walks a whole file in one call; here that call runs on a stack
// of its own (a thread) in strict alternation with the caller: resume()
// hands over and waits, the generation runs until its time slice is used
// up at the end of a chunk, and hands back. Only one side runs at any
// moment, so the generator's process-wide state is never used by two
// threads at once, and between slices the caller's event loop paints and
// takes input. stop() ends an unfinished generation: it unwinds at once
// without delivering another line.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "annotate/annotated_lines.h"

namespace sorvi {

class StepwiseGeneration {
 public:
  // `generate` produces the lines into the list it is given; every chunk
  // goes on to `consumer`, on the generation's thread while the caller waits.
  StepwiseGeneration(std::function<void(AnnotatedLineList&)> generate, AnnotatedLineSink* consumer);
  ~StepwiseGeneration();
  StepwiseGeneration(const StepwiseGeneration&) = delete;
  StepwiseGeneration& operator=(const StepwiseGeneration&) = delete;

  // Lets the generation run for about `slice`; true once it has ended.
  bool resume(std::chrono::microseconds slice);
  bool finished() const { return done_; }
  void stop();

 private:
  class Relay;
  void run();
  // On the generation's thread: hands back and waits for the next turn;
  // throws when stopped.
  void hand_back();

  std::function<void(AnnotatedLineList&)> generate_;
  AnnotatedLineSink* consumer_;
  std::mutex mutex_;
  std::condition_variable turn_changed_;
  bool generation_turn_ = false;
  bool stopping_ = false;
  bool done_ = false;
  std::chrono::steady_clock::time_point deadline_;
  std::thread thread_;
};

}  // namespace sorvi
