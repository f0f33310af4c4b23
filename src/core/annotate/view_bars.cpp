#include "annotate/view_bars.h"

namespace sorvi {
namespace {

bool& first_coverage_refresh_done() {
  static bool done = false;
  return done;
}

}  // namespace

ViewBar bar_of(BarControl control) {
  switch (control) {
    case BarControl::Previous:
    case BarControl::Next:
    case BarControl::AllBlocks:
      return ViewBar::Navigation;
    case BarControl::Annotations:
    case BarControl::Blocks:
    case BarControl::RefLines:
    case BarControl::SrcLines:
    case BarControl::ProcNums:
    case BarControl::BlockNums:
    case BarControl::ExeFlag:
    case BarControl::MakeDefaults:
      return ViewBar::Layout;
    default:
      return ViewBar::Annotation;
  }
}

const char* bar_control_caption(BarControl control) {
  switch (control) {
    case BarControl::Code: return "Code";
    case BarControl::Coverage: return "Coverage";
    case BarControl::Violations: return "Violations";
    case BarControl::Dataflow: return "Dataflow";
    case BarControl::AllAnnotations: return "All";
    case BarControl::Current: return "Current";
    case BarControl::Combined: return "Combined";
    case BarControl::Previous: return "Previous";
    case BarControl::Next: return "Next";
    case BarControl::AllBlocks: return "All";
    case BarControl::Annotations: return "Annotations";
    case BarControl::Blocks: return "Blocks";
    case BarControl::RefLines: return "Ref Lines";
    case BarControl::SrcLines: return "Src Lines";
    case BarControl::ProcNums: return "Proc Nums";
    case BarControl::BlockNums: return "Block Nums";
    case BarControl::ExeFlag: return "Exe Flag";
    case BarControl::MakeDefaults: return "Make Defaults";
  }
  return "";
}

BarLayout plain_view_bar_layout() {
  BarLayout layout;
  layout[ViewBar::Annotation] = Visibility::Hide;
  layout[ViewBar::Navigation] = Visibility::Hide;
  layout[ViewBar::Layout] = Visibility::Hide;
  return layout;
}

RadioEnabling coverage_radio_enabling(bool coverage_on, bool current_counts_exist) {
  RadioEnabling r;
  r.combined = coverage_on;
  r.current = coverage_on && current_counts_exist;
  return r;
}

bool take_first_coverage_refresh() {
  if (first_coverage_refresh_done()) return false;
  first_coverage_refresh_done() = true;
  return true;
}

void apply_first_coverage_refresh(BarState& state, bool coverage_on, bool current_counts_exist, bool highlight) {
  const RadioEnabling radios = coverage_radio_enabling(coverage_on, current_counts_exist);
  ControlState& current = state[BarControl::Current];
  ControlState& combined = state[BarControl::Combined];
  current.set_checked = combined.set_checked = true;
  current.checked = false;
  combined.checked = true;
  current.set_enabled = combined.set_enabled = true;
  current.enabled = radios.current;
  combined.enabled = radios.combined;
  current.visibility = combined.visibility = highlight ? Visibility::Show : Visibility::Hide;
}

void reset_view_bars() { first_coverage_refresh_done() = false; }

}  // namespace sorvi
