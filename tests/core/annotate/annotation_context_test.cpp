// The annotation switches, the context's effective switches, the code-line
// layout and the placing of the main procedure.
#include "annotate/rtf_writer.h"
#include "annotate_fixture.h"

namespace annotate_test {
namespace {

using sorvi::AnnotationSettings;
using sorvi::ResolveAnnotationSettings;

std::string settings_text(const AnnotationSettings& s) {
  std::string t;
  for (bool b : {s.blocks, s.lineNums, s.sourceLines, s.procNums, s.tBlockNums, s.blockNums, s.exeFlag, s.code,
                 s.coverage, s.standards, s.dataflow, s.highlight}) {
    t += b ? '1' : '0';
  }
  return t;
}

// Switch order in the texts below: BLOCKS LINENUMS SOURCE_LINES PROCNUMS
// TBLOCKNUMS BLOCKNUMS EXEFLAG CODE COVERAGE STANDARDS DATAFLOW highlight.

TEST_F(AnnotateTest, ProfileSwitchesAndTheirDefaults) {
  EXPECT_EQ(settings_text(ResolveAnnotationSettings(false, false, false, 0)), "111111110000");
  use_profile("SORVI_AREF_BLOCKS=FALSE\nSORVI_AREF_COVERAGE=TRUE\nSORVI_AREF_PROCNUMS=F\nSORVI_AREF_DATAFLOW=T\n");
  // Block rules come back for the coverage notes.
  EXPECT_EQ(settings_text(ResolveAnnotationSettings(false, false, false, 0)), "111011111010");
  use_profile("SORVI_AREF_BLOCKS=FALSE\nSORVI_AREF_COVERAGE=TRUE\nSORVI_COVERAGE_HIGHLIGHT=TRUE\n");
  // ... unless the coverage is shown as colours.
  EXPECT_EQ(settings_text(ResolveAnnotationSettings(false, false, false, 0)), "011111111001");
}

TEST_F(AnnotateTest, FlagsBitByBit) {
  EXPECT_EQ(settings_text(ResolveAnnotationSettings(false, false, false, 1 | 4 | 64 | 1024)), "101000100010");
  EXPECT_EQ(settings_text(ResolveAnnotationSettings(false, false, false, 2047)), "111111111110");
  // Flags 384 (coverage mode): code and coverage, highlighted, no rules.
  EXPECT_EQ(settings_text(ResolveAnnotationSettings(false, true, false, 384)), "000000011001");
  // Coverage without highlighting forces the block rules.
  EXPECT_EQ(settings_text(ResolveAnnotationSettings(false, false, false, 384)), "100000011000");
  // ViolationMode adds the violations.
  EXPECT_EQ(settings_text(ResolveAnnotationSettings(false, false, true, 128)), "000000010100");
}

TEST_F(AnnotateTest, ProcedureModeSwitches) {
  EXPECT_EQ(settings_text(ResolveAnnotationSettings(true, false, false, 2047)), "110001010000");
  // Coverage mode: highlighted coverage, no block numbers or line numbers.
  EXPECT_EQ(settings_text(ResolveAnnotationSettings(true, true, false, 0)), "000000011001");
  use_profile("SORVI_APROC_BLOCKS=TRUE\nSORVI_APROC_CODE=FALSE\nSORVI_APROC_STANDARDS=TRUE\n");
  EXPECT_EQ(settings_text(ResolveAnnotationSettings(true, false, false, 0)), "110001000100");
  EXPECT_EQ(settings_text(ResolveAnnotationSettings(true, true, true, 0)), "100000001101");
}

// ---- the context -------------------------------------------------------------------

class ContextTest : public AnnotateTest {
 protected:
  void SetUp() override {
    AnnotateTest::SetUp();
    write(work("demo_1.ref"), ref_line(1, ' ', "header"));
    write(work("demo_1.blk"), "header\nheader\n");
  }

  sorvi::AnnotationContext* make(const std::string& document, int flags, bool vmode = false, bool cm = false,
                                 bool vm = false, const std::string& listed = std::string(), bool viol = false,
                                 int procedure = -1) {
    return keep(sorvi::CreateAnnotationContext(document, procedure, -1, "/src/demo.c", listed, nullptr, viol, vmode,
                                               cm, vm, false, "", flags, false));
  }

  static std::string effective(const sorvi::AnnotationContext& c) {
    std::string t;
    for (bool b : {c.showBlocks, c.showRefLines, c.showSrcLines, c.showProcNums, c.showTotalBlockNums,
                   c.showBlockNums, c.showExeFlag, c.showCode, c.showCoverage, c.showStandards, c.showDataflow}) {
      t += b ? '1' : '0';
    }
    return t;
  }
};

TEST_F(ContextTest, EffectiveSwitchesOfAReformattedDocument) {
  sorvi::AnnotationContext* c = make(work("demo_1.ref"), 2047);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->workFile, work("demo_1.ref"));
  EXPECT_TRUE(c->annotated);
  // Total block numbers only with SORVI_TBLOCKS.
  EXPECT_EQ(effective(*c), "11110111111");
  use_profile("SORVI_TBLOCKS=TRUE\n");
  EXPECT_EQ(effective(*make(work("demo_1.ref"), 2047)), "11111111111");

  // Without a block file: no rules, procedure or block numbers.
  std::remove(work("demo_1.blk").c_str());
  EXPECT_EQ(effective(*make(work("demo_1.ref"), 2047)), "01100011111");

  // Not annotated unless the profile says so.
  EXPECT_FALSE(make(work("demo_1.ref"), 0)->annotated);
  use_profile("SORVI_AREF_ANNOTATED=TRUE\n");
  EXPECT_TRUE(make(work("demo_1.ref"), 0)->annotated);

  EXPECT_EQ(make("", 2047), nullptr);
}

TEST_F(ContextTest, BatchModeAndCoverageMode) {
  // VMODE: no Ref column; procedure and block numbers, flags, code,
  // coverage, violations and data flow always.
  sorvi::AnnotationContext* c = make(work("demo_1.ref"), 0, true);
  EXPECT_TRUE(c->annotated);
  EXPECT_EQ(effective(*c), "10110111111");
  // With coverage mode: no violations or data flow unless asked for.
  c = make(work("demo_1.ref"), 384, true, true);
  EXPECT_TRUE(c->highlight);
  EXPECT_EQ(effective(*c), "00010111100");
  c = make(work("demo_1.ref"), 384, true, true, true);
  EXPECT_EQ(effective(*c), "00010111110");
}

TEST_F(ContextTest, ListingsAndTheViolationsKind) {
  sorvi::AnnotationContext* c = make(work("demo_1.sif"), 0, false, false, false, "/src/demo.c");
  EXPECT_TRUE(c->listing && c->annotated);
  EXPECT_FALSE(c->listingStandards);
  EXPECT_EQ(effective(*c), "00000001010");
  // The violations kind walks the ".sif" file, lists without violation lines.
  c = make(work("demo_1.sf1"), 0, false, false, false, "/src/demo.c", true);
  EXPECT_EQ(c->workFile, work("demo_1.sif"));
  EXPECT_TRUE(c->listingStandards);
  EXPECT_EQ(effective(*c), "00000001000");
  // In batch mode a listing shows its source lines.
  c = make(work("demo_1.sif"), 0, true, false, false, "/src/demo.c");
  EXPECT_EQ(effective(*c), "00100001111");
}

TEST_F(ContextTest, ProcedureMode) {
  sorvi::AnnotationContext* c = make(work("demo_1.xtx"), 0, false, false, false, "", false, 3);
  EXPECT_TRUE(c->annotated);
  EXPECT_EQ(c->procedure, 3);
  EXPECT_EQ(c->firstBlock, -1);
  EXPECT_EQ(c->blockCount, -1);
  EXPECT_EQ(effective(*c), "11000101000");
  c = keep(sorvi::CreateAnnotationContext(work("demo_1.xtx"), 3, 2, "", "", nullptr, false, false, false, false,
                                          false, "", 0, false));
  EXPECT_EQ(c->firstBlock, 2);
  EXPECT_EQ(c->blockCount, 1);
}

TEST_F(ContextTest, TheLineNumberWidthIsDetectedAgain) {
  write(work("demo_1.ref"), format("%8d %s\n", 1, "header"));
  make(work("demo_1.ref"), 2047);
  EXPECT_EQ(sorvi::line_number_width(), 8);
  // A file that does not start with line 1 leaves it.
  write(work("demo_1.ref"), "   x\n");
  make(work("demo_1.ref"), 2047);
  EXPECT_EQ(sorvi::line_number_width(), 8);
}

TEST_F(ContextTest, RunOptions) {
  sorvi::AnnotationContext* c = make(work("demo_1.ref"), 2047);
  sorvi::SetRunOptions(c, 6, "system", 0, "nightly", "/res");
  EXPECT_EQ(c->language, 6);
  EXPECT_EQ(c->xrefSet, "system");
  EXPECT_EQ(c->testCase, 0);
  EXPECT_EQ(c->seq, "");
  sorvi::SetRunOptions(c, 2, nullptr, 3, "nightly", "");
  EXPECT_EQ(c->language, 2);
  EXPECT_EQ(c->xrefSet, "system");
  EXPECT_EQ(c->testCase, 3);
  EXPECT_EQ(c->seq, "nightly");
  EXPECT_EQ(c->seqWork, "");
  sorvi::SetRunOptions(nullptr, 2, nullptr, 3, nullptr, nullptr);
}

TEST_F(ContextTest, ColumnHeadingOfAContext) {
  sorvi::AnnotationContext* c = make(work("demo_1.ref"), 2047);
  EXPECT_EQ(sorvi::ColumnHeading(sorvi::heading_switches(*c)),
            "   Ref    Src Proc Block X       Statement");
}

// ---- the code-line layout ------------------------------------------------------------------

TEST_F(ContextTest, CodeLineColumns) {
  sorvi::AnnotationContext c;
  c.showRefLines = c.showSrcLines = c.showProcNums = c.showTotalBlockNums = c.showBlockNums = c.showExeFlag =
      c.showCode = true;
  const std::string code = "x = 1;";
  sorvi::CodeLine l;
  l.inside = true;
  l.procedure = 12;
  l.block = 3;
  l.line = 1234;
  l.source_line = 77;
  l.flag = 'T';
  l.code = &code;
  l.running_count = 45;
  EXPECT_EQ(sorvi::code_line_text(c, l), "  1234" "    77" "   12" "   45" "     3" " T " " x = 1;");
  // Outside a procedure: blanks of 5, 6 and 6; no original line: "--".
  l.inside = false;
  l.source_line = 0;
  EXPECT_EQ(sorvi::code_line_text(c, l), "  1234" "    --" "     " "      " "      " " T " " x = 1;");
  // Wider numbers keep every digit; a negative one keeps its sign.
  l.inside = true;
  l.source_line = -5;
  l.running_count = 1234567;
  EXPECT_EQ(sorvi::code_line_text(c, l), "  1234" "    -5" "   12" "1234567" "     3" " T " " x = 1;");
  // A line number below 1 gives no line.
  l.line = 0;
  EXPECT_EQ(sorvi::code_line_text(c, l), "");
}

TEST_F(ContextTest, CodeIsCutTo230AndTheLineTo519) {
  sorvi::AnnotationContext c;
  c.showRefLines = c.showCode = true;
  const std::string code(300, 'c');
  sorvi::CodeLine l;
  l.line = 5;
  l.code = &code;
  EXPECT_EQ(sorvi::code_line_text(c, l), "     5 " + std::string(230, 'c'));
  // Only the statement column: at most 519 characters in any case.
  c.showRefLines = false;
  const std::string wide(600, 'w');
  l.code = &wide;
  EXPECT_EQ(sorvi::code_line_text(c, l).size(), 231u);
  c.showCode = false;
  EXPECT_EQ(sorvi::code_line_text(c, l), "");
}

// ---- placing the main procedure ---------------------------------------------------------------

sorvi::ProcedureBlocks procedure(const std::string& name, int number, std::vector<std::pair<int, int>> spans,
                                 bool dummy_start = false) {
  sorvi::ProcedureBlocks p;
  p.name = name;
  p.number = number;
  p.hasDummyStart = dummy_start;
  for (const auto& s : spans) {
    sorvi::BlockSpan b;
    b.startLine = s.first;
    b.endLine = s.second;
    p.blocks.push_back(b);
  }
  p.blockCount = static_cast<int>(p.blocks.size());
  return p;
}

std::string order(const std::vector<sorvi::ProcedureBlocks>& ps) {
  std::string t;
  for (const auto& p : ps) t += p.name + "@" + std::to_string(p.blocks.empty() ? -1 : p.blocks[0].startLine) + " ";
  return t;
}

TEST(PlaceMainProcedure, MovesBehindTheProceduresBeforeItsEnd) {
  std::vector<sorvi::ProcedureBlocks> ps = {procedure("main", 1, {{50, 60}, {61, 70}}), procedure("a", 2, {{10, 20}}),
                                            procedure("b", 3, {{21, 30}}), procedure("c", 4, {{80, 90}})};
  EXPECT_TRUE(sorvi::place_main_procedure(ps, "", -1));
  EXPECT_EQ(order(ps), "a@10 b@21 main@31 c@80 ");
}

TEST(PlaceMainProcedure, ToTheEndWhenNothingFollows) {
  std::vector<sorvi::ProcedureBlocks> ps = {procedure("main", 1, {{40, 40}, {41, 50}}, true),
                                            procedure("a", 2, {{10, 20}})};
  EXPECT_TRUE(sorvi::place_main_procedure(ps, "", -1));
  // The first real block (after the dummy start node) takes the new start.
  EXPECT_EQ(ps[1].name, "main");
  EXPECT_EQ(ps[1].blocks[0].startLine, 40);
  EXPECT_EQ(ps[1].blocks[1].startLine, 21);
}

TEST(PlaceMainProcedure, AKnownStartLine) {
  std::vector<sorvi::ProcedureBlocks> ps = {procedure("start", 1, {{50, 60}}), procedure("a", 2, {{10, 20}})};
  EXPECT_TRUE(sorvi::place_main_procedure(ps, "start", 45));
  EXPECT_EQ(order(ps), "a@10 start@45 ");
  // Already in place: the start line is still set, and it counts as moved.
  std::vector<sorvi::ProcedureBlocks> first = {procedure("main", 1, {{5, 9}}), procedure("a", 2, {{10, 20}})};
  EXPECT_TRUE(sorvi::place_main_procedure(first, "", 4));
  EXPECT_EQ(order(first), "main@4 a@10 ");
}

TEST(PlaceMainProcedure, NothingMovesForOtherNamesOrAMainInPlace) {
  std::vector<sorvi::ProcedureBlocks> ps = {procedure("Main", 1, {{50, 60}}), procedure("a", 2, {{10, 20}})};
  EXPECT_FALSE(sorvi::place_main_procedure(ps, "", -1));
  EXPECT_EQ(order(ps), "Main@50 a@10 ");
  std::vector<sorvi::ProcedureBlocks> in_place = {procedure("main", 1, {{5, 9}}), procedure("a", 2, {{10, 20}})};
  EXPECT_FALSE(sorvi::place_main_procedure(in_place, "", -1));
  EXPECT_EQ(order(in_place), "main@5 a@10 ");
  std::vector<sorvi::ProcedureBlocks> none;
  EXPECT_FALSE(sorvi::place_main_procedure(none, "", -1));
}

}  // namespace
}  // namespace annotate_test
