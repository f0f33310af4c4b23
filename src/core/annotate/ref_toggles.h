// The whole-file document's bar controls: what each toggle does to the
// annotation context, when each control is checked, enabled or hidden,
// what activating the view shows, "Make Defaults", and the switches a
// reload keeps.
#pragma once

#include "annotate/annotation_context.h"
#include "annotate/view_bars.h"

namespace sorvi {

// The work files the enabling rules look for (on disk or in the module's
// repository), and whether a listing's file exists on disk. Looked up when
// the document is built or reloaded.
struct RefWorkFiles {
  bool pol = false;
  bool sif = false;
  bool sf3 = false;
  bool ref = false;
  bool listed_file = false;
};
RefWorkFiles find_ref_work_files(const AnnotationContext& context);

// The checking and enabling of every control the document uses (the first
// refresh of the process also sets the radio buttons). `enable_buttons`:
// the annotation toggles are usable while the document is not annotated.
BarState ref_bar_state(const AnnotationContext& context, bool enable_buttons, const RefWorkFiles& files);

// What activating the view shows and hides.
BarLayout ref_view_activation(const AnnotationContext& context);

// What a command asks of the window after changing the context: whether
// to regenerate the views, and a new enabling of the radio buttons.
struct ToggleOutcome {
  bool update_views = false;
  bool set_radios = false;
  RadioEnabling radios;
};

// Carries out one command of the annotation or layout bar. `checked` is
// the control's new check state; `state` the current refresh of the
// controls ("All" switches on what is enabled and unchecked there).
ToggleOutcome ref_toggle(AnnotationContext& context, BarControl control, bool checked, const BarState& state);

// "Make Defaults": the context's switches become the profile's
// SORVI_AREF_ defaults.
void write_ref_defaults(const AnnotationContext& context);

// The annotated flag and the fifteen switches a reload keeps.
struct RefSwitches {
  bool annotated = false;
  bool showBlocks = false;
  bool showRefLines = false;
  bool showSrcLines = false;
  bool showProcNums = false;
  bool showTotalBlockNums = false;
  bool showBlockNums = false;
  bool showExeFlag = false;
  bool showCode = false;
  bool showCoverage = false;
  bool showStandards = false;
  bool showDataflow = false;
  bool listingStandards = false;
  int useCurrent = 0;
  bool highlight = false;
  bool passFail = false;
};
RefSwitches keep_ref_switches(const AnnotationContext& context);
void restore_ref_switches(AnnotationContext& context, const RefSwitches& switches);

}  // namespace sorvi
