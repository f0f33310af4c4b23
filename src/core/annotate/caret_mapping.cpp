#include "annotate/caret_mapping.h"

#include "annotate/annotated_lines.h"

namespace sorvi {
namespace {

bool is_rule(int style) { return style >= kStyleProcedureRule && style <= kStyleNoteRule; }
bool is_coverage_note(int style) { return style == kStyleExecutedNote || style == kStyleNotExecuted; }

}  // namespace

SwitchedOn& just_switched_on() {
  static SwitchedOn flags;
  return flags;
}

void clear_just_switched_on() { just_switched_on() = SwitchedOn(); }

CaretMapper::CaretMapper(const SwitchedOn& switched, int caret_line)
    : switched_(switched), caret_(caret_line), caret_done_(caret_line <= 0) {}

void CaretMapper::line(int style) {
  if (have_pending_) classify(pending_style_, style);
  pending_style_ = style;
  have_pending_ = true;
}

int CaretMapper::finish() {
  if (have_pending_) {
    classify(pending_style_, kStyleCode);
    have_pending_ = false;
  }
  return caret_;
}

// Counts a line as new or old, and moves the caret once the old lines
// reach it.
void CaretMapper::classify(int style, int next_style) {
  bool is_new = false;
  if (is_rule(style)) {
    if (after_new_dataflow_) {
      after_new_dataflow_ = false;
      is_new = switched_.blocks || (style == kStyleNoteRule && !is_coverage_note(next_style));
    } else if (switched_.blocks) {
      is_new = true;
    } else {
      is_new = (style == kStyleNoteRule && next_style == kStyleDataflow && switched_.dataflow) ||
               (next_style == kStyleProcViolation && switched_.violations) ||
               (style == kStyleNoteRule && is_coverage_note(next_style) && switched_.coverage);
    }
  } else if (is_coverage_note(style)) {
    is_new = switched_.coverage;
  } else if (style == kStyleViolation || style == kStyleProcViolation) {
    is_new = switched_.violations;
  } else if (style == kStyleDataflow) {
    is_new = switched_.dataflow;
    if (is_new) after_new_dataflow_ = true;
  }
  if (is_new) {
    ++new_lines_;
  } else {
    ++old_lines_;
  }
  if (!caret_done_ && old_lines_ == caret_) {
    caret_ += static_cast<int>(new_lines_);
    caret_done_ = true;
  }
}

}  // namespace sorvi
