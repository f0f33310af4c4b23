#include "annotate/ref_toggles.h"

#include "annotate/caret_mapping.h"
#include "base/file_utils.h"
#include "config/profile.h"
#include "workfiles/work_file_opener.h"

namespace sorvi {
namespace {

const char* text_or_null(const std::string& s) { return s.empty() ? nullptr : s.c_str(); }

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

// Switching coverage on: notes become new lines unless highlighting, and an
// annotated text gets the block rules the notes stand between.
RadioEnabling coverage_on(AnnotationContext& c) {
  c.showCoverage = true;
  just_switched_on().coverage = !c.highlight;
  if (c.annotated && !c.showBlocks && !c.highlight) {
    c.showBlocks = true;
    just_switched_on().blocks = true;
  }
  return coverage_radio_enabling(true, !c.currentCounts.empty());
}

}  // namespace

RefWorkFiles find_ref_work_files(const AnnotationContext& c) {
  RefWorkFiles f;
  const std::string stem = context_stem(c);
  const char* glh = text_or_null(c.repository);
  const char* key = text_or_null(c.repositoryKey);
  f.pol = work_file_exists((stem + ".pol").c_str(), glh, key);
  f.sif = work_file_exists((stem + ".sif").c_str(), glh, key);
  f.sf3 = work_file_exists((stem + ".sf3").c_str(), glh, key);
  f.ref = work_file_exists((stem + ".ref").c_str(), glh, key);
  f.listed_file = !c.sourcePath.empty() && is_regular_file(c.sourcePath);
  return f;
}

BarState ref_bar_state(const AnnotationContext& c, bool enable_buttons, const RefWorkFiles& files) {
  BarState s;
  const bool usable = c.annotated || enable_buttons;
  set(s[BarControl::Code], c.showCode, usable);
  set(s[BarControl::Coverage], c.showCoverage, !c.listing && usable && c.blocksLoaded && files.pol);
  set(s[BarControl::Violations], c.showStandards, usable && files.sif);
  set(s[BarControl::Dataflow], c.showDataflow, !c.listing && usable && files.sf3);
  bool any = false;
  for (BarControl k : {BarControl::Code, BarControl::Coverage, BarControl::Violations, BarControl::Dataflow}) {
    any = any || (s[k].enabled && !s[k].checked);
  }
  enable(s[BarControl::AllAnnotations], any);

  set(s[BarControl::Annotations], c.annotated, c.listing ? files.listed_file : files.ref);
  const Visibility listing_hide = c.listing ? Visibility::Hide : Visibility::Show;
  set(s[BarControl::Blocks], c.showBlocks, c.annotated && c.blocksLoaded && (!c.showCoverage || c.highlight));
  set(s[BarControl::RefLines], c.showRefLines, c.annotated);
  set(s[BarControl::ProcNums], c.showProcNums, c.annotated && c.blocksLoaded);
  set(s[BarControl::BlockNums], c.showBlockNums, c.annotated && c.blocksLoaded);
  set(s[BarControl::ExeFlag], c.showExeFlag, c.annotated);
  for (BarControl k : {BarControl::Blocks, BarControl::RefLines, BarControl::ProcNums, BarControl::BlockNums,
                       BarControl::ExeFlag}) {
    s[k].visibility = listing_hide;
  }
  set(s[BarControl::SrcLines], c.showSrcLines, c.annotated);
  enable(s[BarControl::MakeDefaults], true);

  if (take_first_coverage_refresh()) {
    apply_first_coverage_refresh(s, c.showCoverage, !c.currentCounts.empty(), c.highlight);
  }
  return s;
}

BarLayout ref_view_activation(const AnnotationContext& c) {
  BarLayout layout;
  if (c.listingStandards) {
    layout[ViewBar::Annotation] = layout[ViewBar::Navigation] = layout[ViewBar::Layout] = Visibility::Hide;
    return layout;
  }
  layout[ViewBar::Annotation] = Visibility::Show;
  layout[ViewBar::Navigation] = Visibility::Hide;
  if (c.highlight) {
    for (BarControl k : {BarControl::Code, BarControl::Coverage, BarControl::Violations, BarControl::Dataflow,
                         BarControl::AllAnnotations}) {
      layout[k] = Visibility::Hide;
    }
    layout[BarControl::Current] = layout[BarControl::Combined] = Visibility::Show;
  } else {
    layout[ViewBar::Layout] = Visibility::Show;
    const Visibility v = c.listing ? Visibility::Hide : Visibility::Show;
    layout[BarControl::Coverage] = layout[BarControl::Dataflow] = v;
  }
  return layout;
}

ToggleOutcome ref_toggle(AnnotationContext& c, BarControl control, bool checked, const BarState& state) {
  ToggleOutcome out;
  SwitchedOn& on = just_switched_on();
  switch (control) {
    case BarControl::Code:
      c.showCode = checked;
      out.update_views = c.annotated;
      break;
    case BarControl::Coverage:
      out.set_radios = true;
      if (checked) {
        out.radios = coverage_on(c);
      } else {
        c.showCoverage = false;
        on.coverage = false;
        out.radios = coverage_radio_enabling(false, false);
      }
      out.update_views = c.annotated;
      break;
    case BarControl::Violations:
      c.showStandards = checked;
      on.violations = checked;
      out.update_views = c.annotated;
      break;
    case BarControl::Dataflow:
      c.showDataflow = checked;
      on.dataflow = checked;
      out.update_views = c.annotated;
      break;
    case BarControl::AllAnnotations: {
      auto wanted = [&state](BarControl k) { return state[k].enabled && !state[k].checked; };
      bool changed = false;
      if (wanted(BarControl::Code)) {
        c.showCode = true;
        changed = true;
      }
      if (wanted(BarControl::Coverage)) {
        out.set_radios = true;
        out.radios = coverage_on(c);
        changed = true;
      }
      if (wanted(BarControl::Violations)) {
        c.showStandards = true;
        on.violations = true;
        changed = true;
      }
      if (wanted(BarControl::Dataflow)) {
        c.showDataflow = true;
        on.dataflow = true;
        changed = true;
      }
      out.update_views = changed && c.annotated;
      break;
    }
    case BarControl::Current:
      c.useCurrent = 1;
      out.update_views = true;
      break;
    case BarControl::Combined:
      c.useCurrent = 0;
      out.update_views = true;
      break;
    case BarControl::Annotations:
      if (checked) {
        c.annotated = true;
        if (c.showCoverage) {
          on.coverage = !c.highlight;
          c.showBlocks = !c.highlight;
        }
        on.violations = c.showStandards;
        on.dataflow = c.showDataflow;
        on.blocks = c.showBlocks;
      } else {
        c.annotated = false;
      }
      out.update_views = true;
      break;
    case BarControl::Blocks:
      c.showBlocks = checked;
      on.blocks = checked;
      out.update_views = true;
      break;
    case BarControl::RefLines:
      c.showRefLines = checked;
      out.update_views = true;
      break;
    case BarControl::SrcLines:
      c.showSrcLines = checked;
      out.update_views = true;
      break;
    case BarControl::ProcNums:
      c.showProcNums = checked;
      out.update_views = true;
      break;
    case BarControl::BlockNums:
      c.showBlockNums = checked;
      out.update_views = true;
      break;
    case BarControl::ExeFlag:
      c.showExeFlag = checked;
      out.update_views = true;
      break;
    case BarControl::MakeDefaults:
      write_ref_defaults(c);
      break;
    default:
      break;
  }
  return out;
}

void write_ref_defaults(const AnnotationContext& c) {
  set_profile_bool("SORVI_AREF_BLOCKS", c.showBlocks);
  set_profile_bool("SORVI_AREF_LINENUMS", c.showRefLines);
  set_profile_bool("SORVI_AREF_SOURCE_LINES", c.showSrcLines);
  set_profile_bool("SORVI_AREF_PROCNUMS", c.showProcNums);
  set_profile_bool("SORVI_AREF_TBLOCKNUMS", c.showTotalBlockNums);
  set_profile_bool("SORVI_AREF_BLOCKNUMS", c.showBlockNums);
  set_profile_bool("SORVI_AREF_EXEFLAG", c.showExeFlag);
  set_profile_bool("SORVI_AREF_CODE", c.showCode);
  set_profile_bool("SORVI_AREF_COVERAGE", c.showCoverage);
  set_profile_bool("SORVI_AREF_STANDARDS", c.showStandards);
  set_profile_bool("SORVI_AREF_DATAFLOW", c.showDataflow);
  set_profile_bool("SORVI_AREF_ANNOTATED", c.annotated);
}

RefSwitches keep_ref_switches(const AnnotationContext& c) {
  RefSwitches s;
  s.annotated = c.annotated;
  s.showBlocks = c.showBlocks;
  s.showRefLines = c.showRefLines;
  s.showSrcLines = c.showSrcLines;
  s.showProcNums = c.showProcNums;
  s.showTotalBlockNums = c.showTotalBlockNums;
  s.showBlockNums = c.showBlockNums;
  s.showExeFlag = c.showExeFlag;
  s.showCode = c.showCode;
  s.showCoverage = c.showCoverage;
  s.showStandards = c.showStandards;
  s.showDataflow = c.showDataflow;
  s.listingStandards = c.listingStandards;
  s.useCurrent = c.useCurrent;
  s.highlight = c.highlight;
  s.passFail = c.passFail;
  return s;
}

void restore_ref_switches(AnnotationContext& c, const RefSwitches& s) {
  c.annotated = s.annotated;
  c.showBlocks = s.showBlocks;
  c.showRefLines = s.showRefLines;
  c.showSrcLines = s.showSrcLines;
  c.showProcNums = s.showProcNums;
  c.showTotalBlockNums = s.showTotalBlockNums;
  c.showBlockNums = s.showBlockNums;
  c.showExeFlag = s.showExeFlag;
  c.showCode = s.showCode;
  c.showCoverage = s.showCoverage;
  c.showStandards = s.showStandards;
  c.showDataflow = s.showDataflow;
  c.listingStandards = s.listingStandards;
  c.useCurrent = s.useCurrent;
  c.highlight = s.highlight;
  c.passFail = s.passFail;
}

}  // namespace sorvi
