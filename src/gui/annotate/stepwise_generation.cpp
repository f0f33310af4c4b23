#include "gui/annotate/stepwise_generation.h"

#include <utility>

#include "annotate/annotation_generator.h"
#include "annotate/pipelined_sink.h"

namespace sorvi {

namespace {
// Thrown through the generator to end a stopped generation.
struct Stopped {};
}  // namespace

// Passes the chunks on and hands back once the slice is used up, when the
// consumer has every line so far.
class StepwiseGeneration::Relay : public AnnotatedLineSink {
 public:
  Relay(StepwiseGeneration* owner, PipelinedSink& pipe) : owner_(owner), pipe_(pipe) {}
  void take(AnnotatedChunk&& chunk) override {
    if (owner_->stopping_) throw Stopped();
    pipe_.take(std::move(chunk));
    if (std::chrono::steady_clock::now() >= owner_->deadline_) {
      pipe_.drain();
      owner_->hand_back();
    }
  }

 private:
  StepwiseGeneration* owner_;
  PipelinedSink& pipe_;
};

StepwiseGeneration::StepwiseGeneration(std::function<void(AnnotatedLineList&)> generate, AnnotatedLineWriter* consumer)
    : generate_(std::move(generate)), consumer_(consumer), thread_([this] { run(); }) {}

StepwiseGeneration::~StepwiseGeneration() { stop(); }

void StepwiseGeneration::run() {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    turn_changed_.wait(lock, [this] { return generation_turn_; });
  }
  if (!stopping_) {
    try {
      PipelinedSink pipe(*consumer_, parallel_reading());
      try {
        Relay relay(this, pipe);
        AnnotatedLineList lines(&relay);
        generate_(lines);
        lines.close();
      } catch (...) {
        // Stopped, or the generator failed: the lines so far stand (a stop
        // comes at the start of a turn, when the consumer has every line).
      }
      pipe.finish();
    } catch (...) {
    }
  }
  std::lock_guard<std::mutex> lock(mutex_);
  done_ = true;
  generation_turn_ = false;
  turn_changed_.notify_all();
}

void StepwiseGeneration::hand_back() {
  std::unique_lock<std::mutex> lock(mutex_);
  generation_turn_ = false;
  turn_changed_.notify_all();
  turn_changed_.wait(lock, [this] { return generation_turn_; });
  if (stopping_) throw Stopped();
}

bool StepwiseGeneration::resume(std::chrono::microseconds slice) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (done_) return true;
  deadline_ = std::chrono::steady_clock::now() + slice;
  generation_turn_ = true;
  turn_changed_.notify_all();
  turn_changed_.wait(lock, [this] { return !generation_turn_; });
  return done_;
}

void StepwiseGeneration::stop() {
  if (!thread_.joinable()) return;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!done_) {
      stopping_ = true;
      generation_turn_ = true;
      turn_changed_.notify_all();
      turn_changed_.wait(lock, [this] { return done_; });
    }
  }
  thread_.join();
}

}  // namespace sorvi
