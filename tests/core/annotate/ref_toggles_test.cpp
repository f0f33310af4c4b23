// The bar controls of the whole-file and procedure-code documents: toggle
// effects on the context, checking, enabling and hiding, the first refresh
// of the radio buttons, activation, "Make Defaults", the switches a reload
// keeps, and the block navigation.
#include <gtest/gtest.h>

#include "annotate/caret_mapping.h"
#include "annotate/ref_toggles.h"
#include "annotate/view_bars.h"
#include "annotate/xtx_commands.h"
#include "config/profile.h"
#include "support/test_support.h"

namespace {

using sorvi::AnnotationContext;
using sorvi::BarControl;
using sorvi::BarState;
using sorvi::RefWorkFiles;
using sorvi::ViewBar;
using sorvi::Visibility;

RefWorkFiles all_files() {
  RefWorkFiles f;
  f.pol = f.sif = f.sf3 = f.ref = f.listed_file = true;
  return f;
}

class RefTogglesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sorvi_test::reset_core_state();
    c_.annotated = true;
    c_.blocksLoaded = true;
    c_.showCode = true;
    // The first refresh of the process belongs to its own test.
    sorvi::take_first_coverage_refresh();
  }
  void TearDown() override { sorvi_test::reset_core_state(); }
  BarState state(bool enable_buttons = true, RefWorkFiles files = all_files()) {
    return sorvi::ref_bar_state(c_, enable_buttons, files);
  }
  sorvi::ToggleOutcome toggle(BarControl k, bool checked) { return sorvi::ref_toggle(c_, k, checked, state()); }
  AnnotationContext c_;
};

TEST_F(RefTogglesTest, CoverageOnForcesBlocksOnAndEnablesTheRadios) {
  ASSERT_FALSE(c_.showBlocks);
  sorvi::ToggleOutcome out = toggle(BarControl::Coverage, true);
  EXPECT_TRUE(c_.showCoverage);
  EXPECT_TRUE(c_.showBlocks);
  EXPECT_TRUE(sorvi::just_switched_on().coverage);
  EXPECT_TRUE(sorvi::just_switched_on().blocks);
  EXPECT_TRUE(out.update_views);
  EXPECT_TRUE(out.set_radios);
  EXPECT_TRUE(out.radios.combined);
  EXPECT_FALSE(out.radios.current);  // no current counts yet
  c_.currentCounts = {1, 2};
  EXPECT_TRUE(toggle(BarControl::Coverage, true).radios.current);

  out = toggle(BarControl::Coverage, false);
  EXPECT_FALSE(c_.showCoverage);
  EXPECT_FALSE(sorvi::just_switched_on().coverage);
  EXPECT_FALSE(out.radios.combined);
  EXPECT_FALSE(out.radios.current);
}

TEST_F(RefTogglesTest, CoverageWhileHighlightingLeavesBlocksAndNotesAlone) {
  c_.highlight = true;
  toggle(BarControl::Coverage, true);
  EXPECT_FALSE(c_.showBlocks);
  EXPECT_FALSE(sorvi::just_switched_on().coverage);
  // Not annotated: the blocks are left off, and nothing regenerates.
  c_ = AnnotationContext();
  c_.blocksLoaded = true;
  sorvi::ToggleOutcome out = toggle(BarControl::Coverage, true);
  EXPECT_FALSE(c_.showBlocks);
  EXPECT_FALSE(out.update_views);
}

TEST_F(RefTogglesTest, AllSwitchesOnOnlyEnabledUncheckedBoxes) {
  c_.showCode = false;
  // No ".sf3": Dataflow is disabled and stays off.
  RefWorkFiles files = all_files();
  files.sf3 = false;
  BarState s = state(true, files);
  EXPECT_TRUE(s[BarControl::AllAnnotations].enabled);
  sorvi::ToggleOutcome out = sorvi::ref_toggle(c_, BarControl::AllAnnotations, false, s);
  EXPECT_TRUE(c_.showCode);
  EXPECT_TRUE(c_.showCoverage);
  EXPECT_TRUE(c_.showBlocks);
  EXPECT_TRUE(c_.showStandards);
  EXPECT_FALSE(c_.showDataflow);
  EXPECT_TRUE(out.update_views);
  EXPECT_FALSE(state(true, files)[BarControl::AllAnnotations].enabled);
  // Nothing left to switch on: no regeneration.
  EXPECT_FALSE(sorvi::ref_toggle(c_, BarControl::AllAnnotations, false, state(true, files)).update_views);
}

TEST_F(RefTogglesTest, ButtonsFollowEnableRefButtonsWhileNotAnnotated) {
  c_.annotated = false;
  BarState off = state(false);
  for (BarControl k : {BarControl::Code, BarControl::Coverage, BarControl::Violations, BarControl::Dataflow}) {
    EXPECT_FALSE(off[k].enabled) << static_cast<int>(k);
  }
  EXPECT_FALSE(off[BarControl::AllAnnotations].enabled);
  BarState on = state(true);
  for (BarControl k : {BarControl::Code, BarControl::Coverage, BarControl::Violations, BarControl::Dataflow}) {
    EXPECT_TRUE(on[k].enabled) << static_cast<int>(k);
  }
  // The layout controls need an annotated text.
  EXPECT_FALSE(on[BarControl::RefLines].enabled);
  EXPECT_FALSE(on[BarControl::Blocks].enabled);
  EXPECT_TRUE(on[BarControl::Annotations].enabled);
  EXPECT_FALSE(on[BarControl::Annotations].checked);
}

TEST_F(RefTogglesTest, EnablingFollowsTheWorkFilesAndTheLoadedBlocks) {
  RefWorkFiles none;
  BarState s = state(true, none);
  EXPECT_TRUE(s[BarControl::Code].enabled);
  EXPECT_FALSE(s[BarControl::Coverage].enabled);
  EXPECT_FALSE(s[BarControl::Violations].enabled);
  EXPECT_FALSE(s[BarControl::Dataflow].enabled);
  EXPECT_FALSE(s[BarControl::Annotations].enabled);
  c_.blocksLoaded = false;
  s = state();
  EXPECT_FALSE(s[BarControl::Coverage].enabled);
  EXPECT_FALSE(s[BarControl::ProcNums].enabled);
  EXPECT_FALSE(s[BarControl::BlockNums].enabled);
  EXPECT_TRUE(s[BarControl::ExeFlag].enabled);
  // Blocks are fixed while coverage notes are shown, unless highlighting.
  c_.blocksLoaded = true;
  c_.showCoverage = true;
  EXPECT_FALSE(state()[BarControl::Blocks].enabled);
  c_.highlight = true;
  EXPECT_TRUE(state()[BarControl::Blocks].enabled);
}

TEST_F(RefTogglesTest, ListingsHideTheLayoutColumnsAndDisableCoverageAndDataflow) {
  c_.listing = true;
  RefWorkFiles files = all_files();
  BarState s = state(true, files);
  EXPECT_FALSE(s[BarControl::Coverage].enabled);
  EXPECT_FALSE(s[BarControl::Dataflow].enabled);
  EXPECT_TRUE(s[BarControl::Violations].enabled);
  for (BarControl k : {BarControl::Blocks, BarControl::RefLines, BarControl::ProcNums, BarControl::BlockNums,
                       BarControl::ExeFlag}) {
    EXPECT_EQ(s[k].visibility, Visibility::Hide) << static_cast<int>(k);
  }
  EXPECT_EQ(s[BarControl::SrcLines].visibility, Visibility::Keep);
  files.listed_file = false;
  EXPECT_FALSE(state(true, files)[BarControl::Annotations].enabled);
  c_.listing = false;
  EXPECT_EQ(state()[BarControl::Blocks].visibility, Visibility::Show);
}

TEST_F(RefTogglesTest, AnnotationsOnMarksTheShownKindsAsJustSwitchedOn) {
  c_.annotated = false;
  c_.showStandards = true;
  c_.showCoverage = true;
  sorvi::ToggleOutcome out = toggle(BarControl::Annotations, true);
  EXPECT_TRUE(c_.annotated);
  EXPECT_TRUE(c_.showBlocks);
  EXPECT_TRUE(out.update_views);
  const sorvi::SwitchedOn on = sorvi::just_switched_on();
  EXPECT_TRUE(on.coverage);
  EXPECT_TRUE(on.violations);
  EXPECT_FALSE(on.dataflow);
  EXPECT_TRUE(on.blocks);
  toggle(BarControl::Annotations, false);
  EXPECT_FALSE(c_.annotated);
}

TEST_F(RefTogglesTest, LayoutTogglesSetTheirColumnAndAlwaysRegenerate) {
  struct Case {
    BarControl control;
    bool AnnotationContext::*field;
  } cases[] = {{BarControl::Blocks, &AnnotationContext::showBlocks},
               {BarControl::RefLines, &AnnotationContext::showRefLines},
               {BarControl::SrcLines, &AnnotationContext::showSrcLines},
               {BarControl::ProcNums, &AnnotationContext::showProcNums},
               {BarControl::BlockNums, &AnnotationContext::showBlockNums},
               {BarControl::ExeFlag, &AnnotationContext::showExeFlag}};
  c_.annotated = false;
  for (const Case& k : cases) {
    EXPECT_TRUE(toggle(k.control, true).update_views);
    EXPECT_TRUE(c_.*k.field);
    toggle(k.control, false);
    EXPECT_FALSE(c_.*k.field);
  }
  toggle(BarControl::Current, true);
  EXPECT_EQ(c_.useCurrent, 1);
  toggle(BarControl::Combined, true);
  EXPECT_EQ(c_.useCurrent, 0);
  // The annotation toggles regenerate only an annotated text.
  EXPECT_FALSE(toggle(BarControl::Violations, true).update_views);
  EXPECT_TRUE(c_.showStandards);
}

TEST_F(RefTogglesTest, FirstCoverageRefreshSetsTheRadiosOnce) {
  sorvi::reset_view_bars();
  c_.showCoverage = true;
  BarState first = state();
  EXPECT_TRUE(first[BarControl::Combined].set_checked);
  EXPECT_TRUE(first[BarControl::Combined].checked);
  EXPECT_FALSE(first[BarControl::Current].checked);
  EXPECT_TRUE(first[BarControl::Combined].enabled);
  EXPECT_FALSE(first[BarControl::Current].enabled);
  EXPECT_EQ(first[BarControl::Combined].visibility, Visibility::Hide);
  BarState later = state();
  EXPECT_FALSE(later[BarControl::Combined].set_checked);
  EXPECT_FALSE(later[BarControl::Combined].set_enabled);
  EXPECT_EQ(later[BarControl::Combined].visibility, Visibility::Keep);
  sorvi::reset_view_bars();
  c_.highlight = true;
  EXPECT_EQ(state()[BarControl::Current].visibility, Visibility::Show);
}

TEST_F(RefTogglesTest, ActivationShowsTheBarsTheTextNeeds) {
  sorvi::BarLayout l = sorvi::ref_view_activation(c_);
  EXPECT_EQ(l[ViewBar::Annotation], Visibility::Show);
  EXPECT_EQ(l[ViewBar::Navigation], Visibility::Hide);
  EXPECT_EQ(l[ViewBar::Layout], Visibility::Show);
  EXPECT_EQ(l[BarControl::Coverage], Visibility::Show);
  EXPECT_EQ(l[BarControl::Code], Visibility::Keep);
  c_.listing = true;
  l = sorvi::ref_view_activation(c_);
  EXPECT_EQ(l[BarControl::Coverage], Visibility::Hide);
  EXPECT_EQ(l[BarControl::Dataflow], Visibility::Hide);
  c_.listingStandards = true;
  l = sorvi::ref_view_activation(c_);
  EXPECT_EQ(l[ViewBar::Annotation], Visibility::Hide);
  EXPECT_EQ(l[ViewBar::Layout], Visibility::Hide);
  c_ = AnnotationContext();
  c_.highlight = true;
  l = sorvi::ref_view_activation(c_);
  EXPECT_EQ(l[BarControl::Code], Visibility::Hide);
  EXPECT_EQ(l[BarControl::AllAnnotations], Visibility::Hide);
  EXPECT_EQ(l[BarControl::Current], Visibility::Show);
  EXPECT_EQ(l[ViewBar::Layout], Visibility::Keep);
}

TEST_F(RefTogglesTest, ReloadKeepsTheSwitches) {
  c_.showStandards = true;
  c_.useCurrent = 1;
  c_.passFail = true;
  const sorvi::RefSwitches kept = sorvi::keep_ref_switches(c_);
  AnnotationContext fresh;
  sorvi::restore_ref_switches(fresh, kept);
  EXPECT_TRUE(fresh.annotated);
  EXPECT_TRUE(fresh.showCode);
  EXPECT_TRUE(fresh.showStandards);
  EXPECT_EQ(fresh.useCurrent, 1);
  EXPECT_TRUE(fresh.passFail);
  EXPECT_FALSE(fresh.blocksLoaded);
}

TEST(RefDefaultsTest, MakeDefaultsWritesTheProfileSwitches) {
  sorvi_test::ProfileFixture profile;
  AnnotationContext c;
  c.annotated = true;
  c.showRefLines = true;
  c.showDataflow = true;
  sorvi::ref_toggle(c, BarControl::MakeDefaults, false, BarState());
  const std::string ini = sorvi_test::read_file(profile.profile_path());
  EXPECT_NE(ini.find("SORVI_AREF_ANNOTATED=TRUE"), std::string::npos) << ini;
  EXPECT_NE(ini.find("SORVI_AREF_LINENUMS=TRUE"), std::string::npos);
  EXPECT_NE(ini.find("SORVI_AREF_DATAFLOW=TRUE"), std::string::npos);
  EXPECT_NE(ini.find("SORVI_AREF_BLOCKS=FALSE"), std::string::npos);
  EXPECT_NE(ini.find("SORVI_AREF_TBLOCKNUMS=FALSE"), std::string::npos);
  sorvi_test::reset_core_state();
}

class XtxCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sorvi_test::reset_core_state();
    sorvi::take_first_coverage_refresh();
    c_.annotated = true;
    c_.procedure = 4;
    c_.firstBlock = 7;
    c_.blockCount = 1;
    sorvi::ProcedureBlocks p;
    p.name = "proc";
    p.blockCount = 9;
    c_.procedures.push_back(p);
  }
  void TearDown() override { sorvi_test::reset_core_state(); }
  BarState state() { return sorvi::xtx_bar_state(c_, all_files()); }
  void run(BarControl k, bool checked = false) { EXPECT_TRUE(sorvi::xtx_command(c_, k, checked, state()).update_views); }
  AnnotationContext c_;
};

TEST_F(XtxCommandsTest, NextAndPreviousWidenTheRange) {
  run(BarControl::Next);
  EXPECT_EQ(c_.firstBlock, 7);
  EXPECT_EQ(c_.blockCount, 2);
  run(BarControl::Previous);
  EXPECT_EQ(c_.firstBlock, 6);
  EXPECT_EQ(c_.blockCount, 3);
  EXPECT_TRUE(state()[BarControl::Next].enabled);
  run(BarControl::Next);  // 6..9, the last block
  EXPECT_EQ(c_.blockCount, 4);
  EXPECT_FALSE(state()[BarControl::Next].enabled);
  run(BarControl::Next);
  EXPECT_EQ(c_.blockCount, 4);
  EXPECT_TRUE(state()[BarControl::AllBlocks].enabled);
  run(BarControl::AllBlocks);
  EXPECT_EQ(c_.firstBlock, 1);
  EXPECT_EQ(c_.blockCount, 9);
  EXPECT_FALSE(state()[BarControl::Previous].enabled);
  EXPECT_FALSE(state()[BarControl::AllBlocks].enabled);
}

TEST_F(XtxCommandsTest, WholeProcedureAndMissingProcedureDisableNavigation) {
  c_.firstBlock = -1;
  c_.blockCount = -1;
  BarState s = state();
  EXPECT_FALSE(s[BarControl::Previous].enabled);
  EXPECT_FALSE(s[BarControl::Next].enabled);
  EXPECT_FALSE(s[BarControl::AllBlocks].enabled);
  run(BarControl::Next);
  EXPECT_EQ(c_.blockCount, -1);
  c_.firstBlock = 2;
  c_.blockCount = 1;
  c_.procedures.clear();
  EXPECT_FALSE(state()[BarControl::Next].enabled);
  EXPECT_TRUE(state()[BarControl::Previous].enabled);
}

TEST_F(XtxCommandsTest, AnnotationCommandsAndTheirEnabling) {
  RefWorkFiles files = all_files();
  files.sf3 = false;
  BarState s = sorvi::xtx_bar_state(c_, files);
  EXPECT_FALSE(s[BarControl::Dataflow].enabled);
  sorvi::xtx_command(c_, BarControl::AllAnnotations, false, s);
  EXPECT_TRUE(c_.showCoverage);
  EXPECT_TRUE(c_.showBlocks);
  EXPECT_TRUE(c_.showStandards);
  EXPECT_FALSE(c_.showDataflow);
  run(BarControl::Coverage, false);
  EXPECT_FALSE(c_.showCoverage);
  c_.annotated = false;
  s = state();
  EXPECT_FALSE(s[BarControl::Code].enabled);
  EXPECT_FALSE(s[BarControl::AllAnnotations].enabled);
}

TEST_F(XtxCommandsTest, ActivationShowsNavigationAndHidesTheLayoutBar) {
  sorvi::BarLayout l = sorvi::xtx_view_activation(c_);
  EXPECT_EQ(l[ViewBar::Annotation], Visibility::Show);
  EXPECT_EQ(l[ViewBar::Navigation], Visibility::Show);
  EXPECT_EQ(l[ViewBar::Layout], Visibility::Hide);
  EXPECT_EQ(l[BarControl::Current], Visibility::Keep);
  c_.highlight = true;
  l = sorvi::xtx_view_activation(c_);
  EXPECT_EQ(l[BarControl::Coverage], Visibility::Hide);
  EXPECT_EQ(l[BarControl::Combined], Visibility::Show);
}

TEST(CaretMapperTest, CoverageNotesAboveTheCaretMoveItDown) {
  sorvi::SwitchedOn coverage;
  coverage.coverage = true;
  sorvi::CaretMapper mapper(coverage, 40);
  for (int i = 1; i <= 40; ++i) {
    mapper.line(0);
    if (i == 10) {
      mapper.line(3);
      for (int n = 0; n < 5; ++n) mapper.line(4);
    }
  }
  EXPECT_EQ(mapper.finish(), 46);
  sorvi::CaretMapper none(sorvi::SwitchedOn(), 0);
  none.line(4);
  EXPECT_EQ(none.finish(), 0);
}

}  // namespace
