// Generating a text step by step while the window stays live. The
// generator walks a whole file in one call; here that call runs on a stack
// of its own (a thread) in strict alternation with the caller: resume()
// hands over and waits, the generation runs until its time slice is used
// up at the end of a chunk, and hands back. Only one side runs at any
// moment, so the generator's process-wide state is never used by two
// threads at once, and between slices the caller's event loop paints and
// takes input. During the generation's turn the lines go to the consumer
// on a third thread while the walk goes on (the consumer touches only its
// own state, never the generator's); every line of the turn has reached
// the consumer before the turn is handed back. stop() ends an unfinished
// generation: it unwinds at once without delivering another line.
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
  // `generate` produces the lines into the list it is given; every line
  // goes on to `consumer` while the caller waits.
  StepwiseGeneration(std::function<void(AnnotatedLineList&)> generate, AnnotatedLineWriter* consumer);
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
  AnnotatedLineWriter* consumer_;
  std::mutex mutex_;
  std::condition_variable turn_changed_;
  bool generation_turn_ = false;
  bool stopping_ = false;
  bool done_ = false;
  std::chrono::steady_clock::time_point deadline_;
  std::thread thread_;
};

}  // namespace sorvi
