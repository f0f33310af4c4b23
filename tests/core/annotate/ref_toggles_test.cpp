// The bar controls of the whole-file document: what a command does to the
// context, the checking, enabling and hiding of every control, and the first
// refresh of the radio buttons.
#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>
#include <vector>

#include "annotate/caret_mapping.h"
#include "annotate/ref_toggles.h"
#include "support/test_support.h"

namespace {

using sorvi::AnnotationContext;
using sorvi::BarControl;
using sorvi::RefWorkFiles;

// The work files found: .pol, .sif, .sf3, .ref, the listed file.
const RefWorkFiles kAll{true, true, true, true, true};
const RefWorkFiles kNoSf3{true, true, false, true, true};

// The controls in bar order, annotation bar (Code Coverage Violations
// Dataflow All Current Combined), navigation bar (Previous Next All) and
// layout bar (Annotations Blocks RefLines SrcLines ProcNums BlockNums
// ExeFlag MakeDefaults): enabled, checked, visibility. '.' marks a state the
// refresh leaves alone; S and H ask to show and to hide.
std::string dump(const sorvi::BarState& s) {
  std::string e, c, v;
  for (int i = 0; i < sorvi::kBarControlCount; ++i) {
    const sorvi::ControlState& k = s.controls[i];
    if (i == 7 || i == 10) e += ' ', c += ' ', v += ' ';
    e += k.set_enabled ? "01"[k.enabled] : '.';
    c += k.set_checked ? "01"[k.checked] : '.';
    v += ".SH"[static_cast<int>(k.visibility)];
  }
  return e + " | " + c + " | " + v;
}

// The letters whose switch is set.
std::string letters(std::initializer_list<std::pair<bool, char>> switches) {
  std::string t;
  for (const auto& [set, letter] : switches) t += set ? std::string(1, letter) : std::string();
  return t;
}

// A context from letters: A annotated, C showCoverage, H highlight, K
// showCode, L blocksLoaded, N current counts exist, S showStandards, T
// listing.
AnnotationContext context(const std::string& letters) {
  auto has = [&letters](char x) { return letters.find(x) != std::string::npos; };
  AnnotationContext c;
  c.annotated = has('A'), c.showCoverage = has('C'), c.highlight = has('H'), c.showCode = has('K');
  c.blocksLoaded = has('L'), c.showStandards = has('S'), c.listing = has('T');
  if (has('N')) c.currentCounts = {1, 2};
  return c;
}

// The context's switches that are on (A annotated, B blocks, C coverage, D
// data flow, K code, S standards, U current counts used), the kinds just
// switched on, and the outcome: u regenerate, r and the radio enabling
// (Current, Combined).
std::string dump(const AnnotationContext& c, const sorvi::ToggleOutcome& out) {
  const sorvi::SwitchedOn& on = sorvi::just_switched_on();
  return letters({{c.annotated, 'A'}, {c.showBlocks, 'B'}, {c.showCoverage, 'C'}, {c.showDataflow, 'D'},
                  {c.showCode, 'K'}, {c.showStandards, 'S'}, {c.useCurrent == 1, 'U'}}) +
         " on:" + letters({{on.blocks, 'b'}, {on.coverage, 'c'}, {on.violations, 'v'}, {on.dataflow, 'd'}}) +
         " out:" + letters({{out.update_views, 'u'}, {out.set_radios, 'r'}}) +
         (out.set_radios ? std::string(1, "01"[out.radios.current]) + "01"[out.radios.combined] : std::string());
}

class BarsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sorvi_test::reset_core_state();
    sorvi::clear_just_switched_on();
    sorvi::take_first_coverage_refresh();  // the first refresh of the process is checked on its own
  }
  void TearDown() override { sorvi_test::reset_core_state(); }
};

TEST_F(BarsTest, WholeFileCommands) {
  struct Row {
    const char* context;
    std::vector<std::pair<BarControl, bool>> steps;
    RefWorkFiles files;
    const char* expected;
  } rows[] = {
      // Coverage on forces the block rules on, unless highlighting.
      {"ALK", {{BarControl::Coverage, true}}, kAll, "ABCK on:bc out:ur01"},
      {"ALKN", {{BarControl::Coverage, true}}, kAll, "ABCK on:bc out:ur11"},
      {"ALK", {{BarControl::Coverage, true}, {BarControl::Coverage, false}}, kAll, "ABK on:b out:ur00"},
      {"AHLK", {{BarControl::Coverage, true}}, kAll, "ACK on: out:ur01"},
      {"LK", {{BarControl::Coverage, true}}, kAll, "CK on:c out:r01"},
      // The annotation toggles regenerate only an annotated text.
      {"LK", {{BarControl::Violations, true}}, kAll, "KS on:v out:"},
      // Switching the annotations on marks the kinds shown as new.
      {"CLS", {{BarControl::Annotations, true}}, kAll, "ABCS on:bcv out:u"},
      {"AL", {{BarControl::Annotations, false}}, kAll, " on: out:u"},
      // The layout toggles and the radios always regenerate.
      {"L", {{BarControl::Blocks, true}}, kAll, "B on:b out:u"},
      {"L", {{BarControl::ExeFlag, true}}, kAll, " on: out:u"},
      {"L", {{BarControl::Current, true}}, kAll, "U on: out:u"},
      {"L", {{BarControl::Current, true}, {BarControl::Combined, true}}, kAll, " on: out:u"},
      // "All" switches on the enabled, unchecked boxes only (no ".sf3":
      // Dataflow is disabled); with nothing left it does not regenerate.
      {"AL", {{BarControl::AllAnnotations, false}}, kNoSf3, "ABCKS on:bcv out:ur01"},
      {"AL", {{BarControl::AllAnnotations, false}, {BarControl::AllAnnotations, false}}, kNoSf3, "ABCKS on:bcv out:"},
  };
  for (const Row& row : rows) {
    AnnotationContext c = context(row.context);
    sorvi::clear_just_switched_on();
    sorvi::ToggleOutcome out;
    for (const auto& [control, checked] : row.steps) {
      out = sorvi::ref_toggle(c, control, checked, sorvi::ref_bar_state(c, true, row.files));
    }
    EXPECT_EQ(dump(c, out), row.expected) << row.context << " " << static_cast<int>(row.steps[0].first);
  }
}

TEST_F(BarsTest, WholeFileEnablingCheckingAndHiding) {
  const RefWorkFiles no_listed{true, true, true, true, false};
  struct Row {
    const char* context;
    bool enable_buttons;
    RefWorkFiles files;
    const char* expected;
  } rows[] = {
      // Not annotated: the annotation toggles follow ENABLE_REF_BUTTONS.
      {"KL", false, kAll, "00000.. ... 10000001 | 1000... ... 0000000. | ....... ... .SS.SSS."},
      {"KL", true, kAll, "11111.. ... 10000001 | 1000... ... 0000000. | ....... ... .SS.SSS."},
      // The work files, the loaded blocks and the coverage notes.
      {"AKL", true, {}, "10000.. ... 01111111 | 1000... ... 1000000. | ....... ... .SS.SSS."},
      {"AK", true, kAll, "10111.. ... 10110011 | 1000... ... 1000000. | ....... ... .SS.SSS."},
      {"ACKL", true, kAll, "11111.. ... 10111111 | 1100... ... 1000000. | ....... ... .SS.SSS."},
      {"ACHKL", true, kAll, "11111.. ... 11111111 | 1100... ... 1000000. | ....... ... .SS.SSS."},
      // Listings: no coverage or data flow, the layout columns hidden.
      {"AKLT", true, kAll, "10101.. ... 11111111 | 1000... ... 1000000. | ....... ... .HH.HHH."},
      {"AKLT", true, no_listed, "10101.. ... 01111111 | 1000... ... 1000000. | ....... ... .HH.HHH."},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(dump(sorvi::ref_bar_state(context(row.context), row.enable_buttons, row.files)), row.expected)
        << row.context;
  }
  // The first refresh of the process checks "Combined", enables the radios
  // as a Coverage toggle would, and shows them only when highlighting.
  sorvi::reset_view_bars();
  EXPECT_EQ(dump(sorvi::ref_bar_state(context("ACKL"), true, kAll)),
            "1111101 ... 10111111 | 1100.01 ... 1000000. | .....HH ... .SS.SSS.");
  EXPECT_EQ(dump(sorvi::ref_bar_state(context("ACKL"), true, kAll)),
            "11111.. ... 10111111 | 1100... ... 1000000. | ....... ... .SS.SSS.");
  sorvi::reset_view_bars();
  EXPECT_EQ(dump(sorvi::ref_bar_state(context("ACHKLN"), true, kAll)),
            "1111111 ... 11111111 | 1100.01 ... 1000000. | .....SS ... .SS.SSS.");
}

// "Make Defaults" writes the shown switches into the profile, and only those.
TEST(RefDefaultsTest, MakeDefaultsWritesTheProfileSwitches) {
  sorvi_test::ProfileFixture profile;
  AnnotationContext c;
  c.annotated = true;
  c.showRefLines = true;
  c.showDataflow = true;
  sorvi::ref_toggle(c, BarControl::MakeDefaults, false, sorvi::BarState());
  const std::string ini = sorvi_test::read_file(profile.profile_path());
  for (const char* line : {"SORVI_AREF_ANNOTATED=TRUE", "SORVI_AREF_LINENUMS=TRUE", "SORVI_AREF_DATAFLOW=TRUE",
                           "SORVI_AREF_BLOCKS=FALSE", "SORVI_AREF_TBLOCKNUMS=FALSE"}) {
    EXPECT_NE(ini.find(line), std::string::npos) << line << "\n" << ini;
  }
  sorvi_test::reset_core_state();
}

}  // namespace
