#include "gui/annotate/annotated_view.h"

#include <algorithm>
#include <chrono>

#include "annotate/annotation_context.h"
#include "annotate/annotation_generator.h"
#include "config/startup_options.h"
#include "gui/annotate/stepwise_generation.h"
#include "gui/annotate/styled_lines.h"

namespace sorvi {
namespace {

// A slice long enough that handing over costs nothing, short enough that
// scrolling and typing never wait noticeably.
std::chrono::microseconds& slice() {
  static std::chrono::microseconds length = std::chrono::milliseconds(25);
  return length;
}

}  // namespace

CAnnotatedView::CAnnotatedView(CSorviDocument* document, QWidget* parent) : CSorviEditView(document, parent) {
  slices_.setInterval(0);
  connect(&slices_, &QTimer::timeout, this, &CAnnotatedView::run_slice);
}

CAnnotatedView::~CAnnotatedView() { stop_generation(); }

void CAnnotatedView::generate(AnnotationContext* context, int caret_line) {
  stop_generation();
  take_status_colours();
  mapper_ = std::make_unique<CaretMapper>(just_switched_on(), caret_line);
  clear_just_switched_on();
  user_moved_ = false;
  begin_lines();
  set_modified(false);
  // The work files are read here, on this thread, before the walk goes on
  // a stack of its own.
  LoadAnnotationData(context);
  findings_.restart(context->showCoverage && context->coverageLoaded,
                    context->highlight && highlight_colour_set_is_pass_fail(context->passFail));
  collector_ = std::make_unique<StyledLineCollector>(&line_store(), mapper_.get(), &findings_);
  generation_ = std::make_unique<StepwiseGeneration>(
      [context](AnnotatedLineList& lines) { GenerateAnnotatedLines(context, lines); }, collector_.get());
  set_receiving(true);
  run_slice();
  if (generation_) slices_.start();
}

void CAnnotatedView::run_slice() {
  if (!generation_) return;
  const bool complete = generation_->resume(slice());
  if (complete) {
    slices_.stop();
    generation_.reset();
    collector_.reset();
    mapper_->finish();
    set_receiving(false);
  }
  lines_arrived();
  lines_grew(complete);
  if (complete) emit generation_finished();
}

int CAnnotatedView::mapped_caret() const {
  if (!mapper_) return 0;
  return !generation_ || mapper_->mapped() ? mapper_->caret_line() : -1;
}

bool CAnnotatedView::placement_ready(int line, bool complete) const {
  if (complete) return true;
  const StartupOptions& o = startup_options();
  if (o.Start >= 1) {
    line = std::max(o.Start, o.End);
  } else if (o.EndOfFile) {
    return false;
  }
  return line_count() >= line + visible_line_count();
}

void CAnnotatedView::stop_generation() {
  slices_.stop();
  if (generation_) generation_->stop();
  generation_.reset();
  collector_.reset();
  set_receiving(false);
}

void CAnnotatedView::complete_text() {
  while (generation_) {
    generation_->resume(std::chrono::hours(1));
    run_slice();
  }
}

void CAnnotatedView::set_slice(std::chrono::microseconds length) { slice() = length; }

void CAnnotatedView::user_moved() { user_moved_ = true; }

void CAnnotatedView::go_to_finding(int line) {
  user_moved();
  const uint64_t start = line_start(line);
  set_selection(start, start);
  scroll_to_line(std::max(0, line - visible_line_count() / 2));
  setFocus();
}

}  // namespace sorvi
