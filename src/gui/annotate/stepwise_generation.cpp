#include "gui/annotate/stepwise_generation.h"

#include <utility>

namespace sorvi {

namespace {
// Thrown through the generator to end a stopped generation.
struct Stopped {};
}  // namespace

// Passes the chunks on and hands back once the slice is used up.
class StepwiseGeneration::Relay : public AnnotatedLineSink {
 public:
  explicit Relay(StepwiseGeneration* owner) : owner_(owner) {}
  void take(AnnotatedChunk&& chunk) override {
    if (owner_->stopping_) throw Stopped();
    owner_->consumer_->take(std::move(chunk));
    if (std::chrono::steady_clock::now() >= owner_->deadline_) owner_->hand_back();
  }

 private:
  StepwiseGeneration* owner_;
};

StepwiseGeneration::StepwiseGeneration(std::function<void(AnnotatedLineList&)> generate, AnnotatedLineSink* consumer)
    : generate_(std::move(generate)), consumer_(consumer), thread_([this] { run(); }) {}

StepwiseGeneration::~StepwiseGeneration() { stop(); }

void StepwiseGeneration::run() {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    turn_changed_.wait(lock, [this] { return generation_turn_; });
  }
  if (!stopping_) {
    try {
      Relay relay(this);
      AnnotatedLineList lines(&relay);
      generate_(lines);
      lines.close();
    } catch (...) {
      // Stopped, or the generator failed: the lines so far stand.
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
