// The controls of the three bars the annotated views use, and what a view
// asks of them: which to check, enable, show or hide. The annotation bar
// ("Code", "Coverage", "Violations", "Dataflow", "All", "Current",
// "Combined"), the block navigation bar ("Previous", "Next", "All") and the
// layout bar of the whole-file view ("Annotations", "Blocks", "Ref Lines",
// "Src Lines", "Proc Nums", "Block Nums", "Exe Flag", "Make Defaults").
#pragma once

namespace sorvi {

enum class BarControl : int {
  Code,
  Coverage,
  Violations,
  Dataflow,
  AllAnnotations,
  Current,
  Combined,
  Previous,
  Next,
  AllBlocks,
  Annotations,
  Blocks,
  RefLines,
  SrcLines,
  ProcNums,
  BlockNums,
  ExeFlag,
  MakeDefaults,
};
constexpr int kBarControlCount = 18;

enum class ViewBar : int { Annotation, Navigation, Layout };
constexpr int kViewBarCount = 3;

// The bar a control sits on.
ViewBar bar_of(BarControl control);
// The control's caption, as the bar shows it.
const char* bar_control_caption(BarControl control);

// A show or hide request; Keep leaves the control as it is.
enum class Visibility : int { Keep, Show, Hide };

// What a refresh sets on one control. Controls whose state a refresh does
// not own (the radio buttons after their first refresh) are left alone.
struct ControlState {
  bool set_checked = false;
  bool checked = false;
  bool set_enabled = false;
  bool enabled = false;
  Visibility visibility = Visibility::Keep;
};

struct BarState {
  ControlState controls[kBarControlCount];
  ControlState& operator[](BarControl c) { return controls[static_cast<int>(c)]; }
  const ControlState& operator[](BarControl c) const { return controls[static_cast<int>(c)]; }
};

// What activating a view asks of the bars and their controls.
struct BarLayout {
  Visibility bars[kViewBarCount] = {Visibility::Keep, Visibility::Keep, Visibility::Keep};
  Visibility controls[kBarControlCount] = {};
  Visibility& operator[](ViewBar b) { return bars[static_cast<int>(b)]; }
  Visibility& operator[](BarControl c) { return controls[static_cast<int>(c)]; }
  Visibility operator[](ViewBar b) const { return bars[static_cast<int>(b)]; }
  Visibility operator[](BarControl c) const { return controls[static_cast<int>(c)]; }
};

// The plain source view hides all three bars.
BarLayout plain_view_bar_layout();

// The enabling of "Current" and "Combined" after the coverage switch
// changed: both off with coverage off; otherwise "Combined" on and
// "Current" on only when current counts exist.
struct RadioEnabling {
  bool current = false;
  bool combined = false;
};
RadioEnabling coverage_radio_enabling(bool coverage_on, bool current_counts_exist);

// The first refresh of the Coverage control in the process checks
// "Combined", enables the two radio buttons as after a Coverage toggle and
// shows them only when highlighting. Gives true once, until reset.
bool take_first_coverage_refresh();
// Applies that first refresh to a bar state.
void apply_first_coverage_refresh(BarState& state, bool coverage_on, bool current_counts_exist, bool highlight);

void reset_view_bars();

}  // namespace sorvi
