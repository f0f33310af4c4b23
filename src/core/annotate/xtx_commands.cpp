#include "annotate/xtx_commands.h"

namespace sorvi {
namespace {

void set(ControlState& s, bool checked, bool enabled) {
  s.set_checked = true;
  s.checked = checked;
  s.set_enabled = true;
  s.enabled = enabled;
}

void enable(ControlState& s, bool enabled) {
  s.set_enabled = true;
  s.enabled = enabled;
}

RadioEnabling coverage_on(AnnotationContext& c) {
  c.showCoverage = true;
  if (!c.showBlocks && !c.highlight) c.showBlocks = true;
  return coverage_radio_enabling(true, !c.currentCounts.empty());
}

}  // namespace

int xtx_procedure_block_count(const AnnotationContext& c) {
  return c.procedures.empty() ? 0 : c.procedures.front().blockCount;
}

BarState xtx_bar_state(const AnnotationContext& c, const RefWorkFiles& files) {
  BarState s;
  set(s[BarControl::Code], c.showCode, c.annotated);
  set(s[BarControl::Coverage], c.showCoverage, c.annotated && files.pol);
  set(s[BarControl::Violations], c.showStandards, c.annotated && files.sif);
  set(s[BarControl::Dataflow], c.showDataflow, c.annotated && files.sf3);
  bool any = false;
  for (BarControl k : {BarControl::Code, BarControl::Coverage, BarControl::Violations, BarControl::Dataflow}) {
    any = any || (s[k].enabled && !s[k].checked);
  }
  enable(s[BarControl::AllAnnotations], any);

  const int n = xtx_procedure_block_count(c);
  const bool record = !c.procedures.empty();
  enable(s[BarControl::Previous], c.firstBlock > 1);
  enable(s[BarControl::Next], c.firstBlock > 0 && record && c.firstBlock + c.blockCount <= n);
  enable(s[BarControl::AllBlocks], c.firstBlock > 0 && record && c.blockCount != n);

  if (take_first_coverage_refresh()) {
    apply_first_coverage_refresh(s, c.showCoverage, !c.currentCounts.empty(), c.highlight);
  }
  return s;
}

BarLayout xtx_view_activation(const AnnotationContext& c) {
  BarLayout layout;
  // Without highlighting the four boxes and "All" are shown again: a
  // listing that was active before may have hidden some of them.
  for (BarControl k : {BarControl::Code, BarControl::Coverage, BarControl::Violations, BarControl::Dataflow,
                       BarControl::AllAnnotations}) {
    layout[k] = c.highlight ? Visibility::Hide : Visibility::Show;
  }
  if (c.highlight) layout[BarControl::Current] = layout[BarControl::Combined] = Visibility::Show;
  layout[ViewBar::Annotation] = Visibility::Show;
  layout[ViewBar::Navigation] = Visibility::Show;
  layout[ViewBar::Layout] = Visibility::Hide;
  return layout;
}

ToggleOutcome xtx_command(AnnotationContext& c, BarControl control, bool checked, const BarState& state) {
  ToggleOutcome out;
  out.update_views = true;
  const int n = xtx_procedure_block_count(c);
  switch (control) {
    case BarControl::Code:
      c.showCode = checked;
      break;
    case BarControl::Violations:
      c.showStandards = checked;
      break;
    case BarControl::Dataflow:
      c.showDataflow = checked;
      break;
    case BarControl::Coverage:
      out.set_radios = true;
      if (checked) {
        out.radios = coverage_on(c);
      } else {
        c.showCoverage = false;
        out.radios = coverage_radio_enabling(false, false);
      }
      break;
    case BarControl::AllAnnotations: {
      auto wanted = [&state](BarControl k) { return state[k].enabled && !state[k].checked; };
      if (wanted(BarControl::Code)) c.showCode = true;
      if (wanted(BarControl::Coverage)) {
        out.set_radios = true;
        out.radios = coverage_on(c);
      }
      if (wanted(BarControl::Violations)) c.showStandards = true;
      if (wanted(BarControl::Dataflow)) c.showDataflow = true;
      break;
    }
    case BarControl::Current:
      c.useCurrent = 1;
      break;
    case BarControl::Combined:
      c.useCurrent = 0;
      break;
    case BarControl::Previous:
      if (c.firstBlock > 1) {
        --c.firstBlock;
        ++c.blockCount;
      }
      break;
    case BarControl::Next:
      if (c.firstBlock > 0 && c.firstBlock + c.blockCount <= n) ++c.blockCount;
      break;
    case BarControl::AllBlocks:
      c.firstBlock = 1;
      c.blockCount = n;
      break;
    default:
      out.update_views = false;
      break;
  }
  return out;
}

}  // namespace sorvi
