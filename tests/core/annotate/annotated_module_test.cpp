// Whole small modules generated and compared line by line with texts and
// styles worked out by hand (see hand_module.h for the module).
#include "hand_module.h"

#include "config/profile.h"
#include "config/startup_options.h"
#include "standards/standards_models.h"

namespace annotate_test {
namespace {

constexpr int kAllFlags = 2047;

// Every column and every annotation of the reformatted file.
const Expected& all_annotations() {
  static const Expected expected = {
      {0, "     1" "    --" "     " "      " "      " "   " " Kelvar reformatted source"},
      {0, "     2" "    --" "     " "      " "      " "   " " File : demo.c"},
      {0, "     3" "    --" "     " "      " "      " "   " " Module : demo_1"},
      {0, "     4" "    --" "     " "      " "      " "   " " Kelvar 9.4.1"},
      {0, "     5" "    --" "     " "      " "      " "   " " "},
      {0, "     6" "     1" "     " "      " "      " " F " " #include \"demo.h\""},
      {0, "     7" "     2" "     " "      " "      " " F " " int g;"},
      {1, kProcRule},
      {9, "Variables referenced as first action : "},
      {9, "a"},
      {3, kNoteRule},
      {0, "     8" "     3" "    2" "    1" "     2" " F " " void helper(int a)"},
      {0, "     9" "     4" "    2" "    1" "     2" " F " " {"},
      {0, "    10" "     5" "    2" "    1" "     2" " T " "   g = a;"},
      {6, "(M) STATIC VIOLATION     : 12 S : MISRA-C2 13.1: Assignment in expression : variable g"},
      {6, "Possible UR ANOMALY : t : (Undefined Line 10 - Referenced Line 12)"},
      {0, "    11" "     6" "    2" "    1" "     2" " T " "   if (a > 0)"},
      {3, kNoteRule},
      {9, "Variables defined as last action : "},
      {9, "g"},
      {3, kNoteRule},
      {4, "Current Coverage  : Block 2 has been executed twice"},
      {4, "Combined Coverage : Block 2 has been executed 3 times"},
      {2, kBlockRule},
      {9, "Variables referenced as first action : "},
      {9, "a"},
      {3, kNoteRule},
      {0, "    12" "     7" "    2" "    2" "     3" " T " "     g = 2;"},
      {6, "(O) NAMING VIOLATION     :  5 H : Name too short"},
      {6, "(I) COMPLEXITY VIOLATION :  3 C : Procedure too complex, depth 4"},
      {6, "    See also Ref. line 40 (util)"},
      {6, "Possible UR ANOMALY : g : (Undefined Line 12 - Referenced Line 18)"},
      {6, "Possible UR ANOMALY : t : (Referenced Line 12 - Undefined Line 10)"},
      {3, kNoteRule},
      {4, "Current Coverage  : Block 3 has been partially executed 3 times"},
      {4, "Combined Coverage : Block 3 has been executed twice"},
      {2, kBlockRule},
      {0, "    13" "     8" "    2" "    3" "     4" " F " " }"},
      {2, kBlockRule},
      {7, "(C) USER VIOLATION       :  1 Z : Procedure has no comment"},
      {1, kProcRule},
      {1, kProcRule},
      {9, "Variables referenced as first action : "},
      {9, "g"},
      {3, kNoteRule},
      {0, "    14" "     9" "    1" "    5" "     1" " F " " "},
      {0, "    15" "    10" "    1" "    5" "     1" " F " " int main(void)"},
      {0, "    16" "    11" "    1" "    5" "     1" " F " " {"},
      {0, "    17" "    12" "    1" "    5" "     1" " T " "   helper(1);"},
      {6, "(M) DATAFLOW VIOLATION   :  7 D : Variable used before set"},
      {6, "    See also Ref. line 10 "},
      {3, kNoteRule},
      {5, "Current Coverage  : Block 1 has not been executed"},
      {4, "Combined Coverage : Block 1 has been executed once"},
      {2, kBlockRule},
      {0, "    18" "    13" "    1" "    6" "     2" " T " "   return g;"},
      {6, "Possible UR ANOMALY : g : (Referenced Line 18 - Undefined Line 12)"},
      {0, "    19" "    14" "    1" "    6" "     2" " F " " }"},
      {3, kNoteRule},
      {9, "Variables defined as last action : "},
      {9, "g"},
      {3, kNoteRule},
      {4, "Current Coverage  : Block 2 has been executed once"},
      {4, "Combined Coverage : Block 2 has been executed once"},
      {2, kBlockRule},
      {7, "(C) USER VIOLATION       :  1 Z : Procedure has no comment : main"},
      {1, kProcRule},
      {0, "    20" "    --" "     " "      " "      " " F " " /* end */"},
      {0, " "},
  };
  return expected;
}

TEST_F(HandModuleTest, EveryAnnotationOnTheWholeFile) {
  sorvi::AnnotationContext* c = ref_context(kAllFlags);
  ASSERT_NE(c, nullptr);
  EXPECT_TRUE(c->annotated);
  expect_lines(generate(c), all_annotations());

  // What the generation loaded, and how.
  EXPECT_EQ(c->language, 2);  // from the registry record of the source file
  EXPECT_TRUE(c->blocksLoaded && c->coverageLoaded && c->violationsLoaded && c->dataflowLoaded && c->indexLoaded);
  EXPECT_TRUE(c->mainMoved);
  EXPECT_EQ(c->modelName, sorvi::kNoModelName);
  ASSERT_EQ(c->procedures.size(), 2u);
  EXPECT_EQ(c->procedures[0].name, "helper");
  EXPECT_EQ(c->procedures[1].name, "main");
  EXPECT_EQ(c->procedures[1].blocks[0].startLine, 14);
  EXPECT_EQ(sorvi::work_file_path(""), sorvi::with_trailing_separator(sorvi::full_path(work(""))));
}

TEST_F(HandModuleTest, ASecondGenerationGivesTheSameTextWithoutReloading) {
  sorvi::AnnotationContext* c = ref_context(kAllFlags);
  ASSERT_NE(c, nullptr);
  generate(c);
  // The loaded data stays: removing the work files changes nothing.
  for (const char* ext : {".blk", ".stb", ".pol", ".sif", ".sf3", ".ndx", ".sf1"}) {
    std::remove(work(std::string("demo_1") + ext).c_str());
  }
  expect_lines(generate(c), all_annotations());
}

TEST_F(HandModuleTest, ChunksReachASinkWhileTheTextIsGenerated) {
  struct Collector : sorvi::AnnotatedLineSink {
    std::vector<size_t> sizes;
    std::vector<sorvi::AnnotatedLine> lines;
    void take(sorvi::AnnotatedChunk&& chunk) override {
      sizes.push_back(chunk.size());
      lines.insert(lines.end(), chunk.begin(), chunk.end());
    }
  };
  // 150 extra lines after the module's 20 make more than one chunk.
  std::string text = ref_text();
  for (int line = 21; line <= 170; ++line) text += ref_line(line, 'F', format("/* line %d */", line));
  write(ref_path(), text);
  sorvi::AnnotationContext* c = ref_context(kAllFlags);
  ASSERT_NE(c, nullptr);
  Collector collector;
  sorvi::AnnotatedLineList list(&collector);
  ASSERT_TRUE(sorvi::GenerateAnnotatedLines(c, list));
  const size_t total = all_annotations().size() + 150;
  ASSERT_EQ(collector.lines.size(), total);
  EXPECT_EQ(list.size(), total);
  for (size_t i = 0; i + 1 < collector.sizes.size(); ++i) EXPECT_EQ(collector.sizes[i], 100u);
  EXPECT_EQ(collector.lines.back().text, " ");
  EXPECT_EQ(collector.lines[all_annotations().size() - 2].text,
            "    20" "    --" "     " "      " "      " " F " " /* end */");
}

TEST_F(HandModuleTest, StartAndEndMoveToTheirDisplayLines) {
  sorvi::StartupOptions& o = sorvi::startup_options();
  o.Start = 12;
  o.End = 12;
  sorvi::AnnotationContext* c = ref_context(kAllFlags);
  const std::vector<sorvi::AnnotatedLine> lines = generate(c);
  // Sixteen annotation lines stand above reformatted line 12.
  EXPECT_EQ(o.Start, 28);
  EXPECT_EQ(o.End, 28);
  ASSERT_GE(lines.size(), 28u);
  EXPECT_EQ(lines[27].text.substr(0, 6), "    12");

  o.Start = 12;
  o.End = 13;
  generate(c);
  EXPECT_EQ(o.Start, 28);
  EXPECT_EQ(o.End, 29);

  // Nothing inserted before the line: nothing moves.
  o.Start = 3;
  o.End = 4;
  generate(c);
  EXPECT_EQ(o.Start, 3);
  EXPECT_EQ(o.End, 4);
}

TEST_F(HandModuleTest, UrAnomalyLinesShowOriginalLinesWithSourceLinesOnly) {
  // Src column on, Ref column off, data flow on (with the code).
  sorvi::AnnotationContext* c =
      ref_context(sorvi::kFlagSourceLines | sorvi::kFlagCode | sorvi::kFlagDataflow);
  std::vector<std::string> anomalies;
  for (const sorvi::AnnotatedLine& l : generate(c)) {
    if (l.text.rfind("Possible UR", 0) == 0) anomalies.push_back(l.text);
  }
  EXPECT_EQ(anomalies, (std::vector<std::string>{
                           "Possible UR ANOMALY : t : (Undefined Line 5 - Referenced Line 7)",
                           "Possible UR ANOMALY : g : (Undefined Line 7 - Referenced Line 13)",
                           "Possible UR ANOMALY : t : (Referenced Line 7 - Undefined Line 5)",
                           "Possible UR ANOMALY : g : (Referenced Line 13 - Undefined Line 7)",
                       }));
}

// ---- coverage highlighting ----------------------------------------------------------

// Highlighted code lines: Ref column and code only (Flags 384 with LINENUMS).
Expected highlighted(const std::vector<int>& styles) {
  const char* codes[] = {"int g;",       "void helper(int a)", "{", "  g = a;",   "  if (a > 0)", "    g = 2;", "}",
                         "",             "int main(void)",     "{", "  helper(1);", "  return g;", "}", "/* end */"};
  Expected e;
  for (int line = 7; line <= 20; ++line) {
    e.push_back({styles[static_cast<size_t>(line - 7)], format("%6d ", line) + codes[line - 7]});
  }
  e.push_back({0, " "});
  return e;
}

constexpr int kHighlightFlags = 384 | sorvi::kFlagLineNums;

TEST_F(HandModuleTest, CoverageHighlightingInNormalColours) {
  sorvi::AnnotationContext* c = ref_context(kHighlightFlags, true, false);
  ASSERT_TRUE(c->highlight);
  EXPECT_FALSE(c->showBlocks);
  // Combined results: lines 1-6 hidden; block 2 executed with a branch not
  // taken (its last line 7); block 4 never run and not instrumented (8).
  expect_lines(generate(c), highlighted({0, 6, 6, 6, 7, 6, 8, 6, 6, 6, 6, 6, 6, 0}));

  // Current results: main's first block did not run in the last run (5).
  c->useCurrent = 1;
  expect_lines(generate(c), highlighted({0, 6, 6, 6, 7, 6, 8, 5, 5, 5, 5, 6, 6, 0}));
}

TEST_F(HandModuleTest, CoverageHighlightingInPassFailColours) {
  sorvi::AnnotationContext* c = ref_context(kHighlightFlags, true, true);
  expect_lines(generate(c), highlighted({0, 9, 9, 9, 10, 9, 8, 9, 9, 9, 9, 9, 9, 0}));
  c->useCurrent = 1;
  expect_lines(generate(c), highlighted({0, 9, 9, 9, 10, 9, 8, 6, 6, 6, 6, 9, 9, 0}));
}

TEST_F(HandModuleTest, TheFirstHighlightedLineFixesTheColourSetForTheProcess) {
  sorvi::AnnotationContext* normal = ref_context(kHighlightFlags, true, false);
  generate(normal);
  sorvi::AnnotationContext* pass_fail = ref_context(kHighlightFlags, true, true);
  expect_lines(generate(pass_fail), highlighted({0, 6, 6, 6, 7, 6, 8, 6, 6, 6, 6, 6, 6, 0}));
}

TEST_F(HandModuleTest, HighlightingStillAnnotatesTheHiddenHeaderLines) {
  // A violation on header line 3: the line is hidden, its violation is not.
  write(work("demo_1.sif"), sorvi_test::read_file(work("demo_1.sif")) + violation_record(1, 0, 3, 5, 'H'));
  sorvi::AnnotationContext* c = ref_context(kHighlightFlags | sorvi::kFlagStandards, true, false);
  const std::vector<sorvi::AnnotatedLine> lines = generate(c);
  for (const sorvi::AnnotatedLine& l : lines) EXPECT_NE(l.text.substr(0, 6), "     6");
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[0].text, "(O) NAMING VIOLATION     :  5 H : Name too short");
  EXPECT_EQ(lines[1].text, "     7 int g;");
  EXPECT_EQ(lines[4].text, "    10   g = a;");
  EXPECT_EQ(lines[5].text, "(M) STATIC VIOLATION     : 12 S : MISRA-C2 13.1: Assignment in expression : variable g");
}

// ---- the source listing -----------------------------------------------------------------

TEST_F(HandModuleTest, SourceListingWithViolations) {
  sorvi::AnnotationContext* c =
      keep(sorvi::CreateAnnotationContext(work("demo_1.sif"), -1, -1, source_path(), source_path(), nullptr, false,
                                          false, false, false, false, "", 0, false));
  ASSERT_NE(c, nullptr);
  EXPECT_TRUE(c->listing && c->annotated && c->showStandards && !c->listingStandards);
  // Four violation lines stand above source line 8.
  sorvi::startup_options().Start = 8;
  sorvi::startup_options().End = 8;
  const std::string path = source_path();  // as the index names it
  expect_lines(
      generate(c),
      {
          {0, "#include \"demo.h\""},
          {0, "int g;"},
          {0, "void helper(int a)"},
          {0, "{"},
          {0, "  g = a;"},
          {6, "/* (M) STATIC VIOLATION     : 12 S : MISRA-C2 13.1: Assignment in expression : variable g : "
              "    10T  g = a; */"},
          {0, "  if (a > 0)"},
          {0, "    g = 2;"},
          {6, "/* (O) NAMING VIOLATION     :  5 H : Name too short :     12T    g = 2; */"},
          {6, "/* (I) COMPLEXITY VIOLATION :  3 C : Procedure too complex, depth 4 : 12 */"},
          {6, "/*    See also Ref. line 40 (util) */"},
          {0, "}"},
          {7, "/* (C) USER VIOLATION       :  1 Z : Procedure has no comment */"},
          {0, ""},
          {0, "int main(void)"},
          {0, "{"},
          {0, "  helper(1);"},
          {6, "/* (M) DATAFLOW VIOLATION   :  7 D : Variable used before set :     17T  helper(1); */"},
          {6, "/*    See also line 5 " + path + " */"},
          {0, "  return g;"},
          {0, "}"},
          {7, "/* (C) USER VIOLATION       :  1 Z : Procedure has no comment : main */"},
          {0, " "},
      });
  EXPECT_EQ(sorvi::startup_options().Start, 12);
  EXPECT_EQ(sorvi::startup_options().End, 12);
}

TEST_F(HandModuleTest, SourceListingQuotesRefLinesWithoutNumbersWhenAsked) {
  use_profile("EXTERNAL_STANDARD=MISRA-C:2004\nRTF_REF_LINE_NUMBERS=FALSE\n");
  sorvi::AnnotationContext* c =
      keep(sorvi::CreateAnnotationContext(work("demo_1.sif"), -1, -1, source_path(), source_path(), nullptr, false,
                                          false, false, false, false, "", 0, false));
  const std::vector<sorvi::AnnotatedLine> lines = generate(c);
  ASSERT_GE(lines.size(), 9u);
  EXPECT_EQ(lines[5].text,
            "/* (M) STATIC VIOLATION     : 12 S : MISRA-C2 13.1: Assignment in expression : variable g : T  g = a; */");
  EXPECT_EQ(lines[8].text, "/* (O) NAMING VIOLATION     :  5 H : Name too short : T    g = 2; */");
}

TEST_F(HandModuleTest, SourceListingWithSourceLinesInBatchMode) {
  // VMODE shows the Src column of a listing; the violations kind shows none.
  sorvi::AnnotationContext* c =
      keep(sorvi::CreateAnnotationContext(work("demo_1.sf1"), -1, -1, source_path(), source_path(), nullptr, true,
                                          true, false, false, false, "", 0, false));
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->workFile, work("demo_1.sif"));
  EXPECT_TRUE(c->listingStandards);
  EXPECT_FALSE(c->showStandards);
  const std::vector<sorvi::AnnotatedLine> lines = generate(c);
  ASSERT_EQ(lines.size(), 15u);
  EXPECT_EQ(lines[0].text, "     1 #include \"demo.h\"");
  EXPECT_EQ(lines[8].text, "     9 ");
  EXPECT_EQ(lines[13].text, "    14 }");
  EXPECT_EQ(lines[14].text, " ");
}

// ---- procedure mode ----------------------------------------------------------------------

class ProcedureModeTest : public HandModuleTest {
 protected:
  void SetUp() override {
    HandModuleTest::SetUp();
    use_profile("SORVI_APROC_COVERAGE=TRUE\nSORVI_APROC_STANDARDS=TRUE\nSORVI_APROC_DATAFLOW=TRUE\n");
  }
};

TEST_F(ProcedureModeTest, BlocksThreeAndFourOfAProcedure) {
  sorvi::AnnotationContext* c = procedure_context(2, 3, 2);
  ASSERT_NE(c, nullptr);
  EXPECT_TRUE(c->annotated && c->showBlocks && c->showRefLines && c->showBlockNums);
  EXPECT_FALSE(c->showSrcLines || c->showProcNums || c->showExeFlag || c->showTotalBlockNums);
  expect_lines(generate(c), {
                                {9, "Variables referenced as first action : "},
                                {9, "a"},
                                {3, kNoteRule},
                                {0, "    12" "     3" " " "T    g = 2;"},
                                {6, "(O) NAMING VIOLATION     :  5 H : Name too short"},
                                {6, "(I) COMPLEXITY VIOLATION :  3 C : Procedure too complex, depth 4"},
                                {6, "    See also Ref. line 40 (util)"},
                                {6, "Possible UR ANOMALY : t : (Referenced Line 12 - Undefined Line 10)"},
                                {3, kNoteRule},
                                {4, "Current Coverage  : Block 3 has been partially executed 3 times"},
                                {4, "Combined Coverage : Block 3 has been executed twice"},
                                {2, kBlockRule},
                                {2, kBlockRule},
                                {7, "(C) USER VIOLATION       :  1 Z : Procedure has no comment"},
                                {0, "    13" "      " " " "F}"},
                                {0, " "},
                            });
  EXPECT_FALSE(c->mainMoved);
  ASSERT_EQ(c->procedures.size(), 1u);
  EXPECT_EQ(c->procedures[0].number, 2);
}

TEST_F(ProcedureModeTest, OneBlockWithItsNotesAndTheClosingLine) {
  // Block 2 alone: its first uses open it, its closing notes close it. The
  // line that closes the procedure through its dummy exit node still comes,
  // with the procedure's violations before it.
  sorvi::AnnotationContext* c = procedure_context(2, 2, 1);
  expect_lines(generate(c), {
                                {9, "Variables referenced as first action : "},
                                {9, "a"},
                                {3, kNoteRule},
                                {0, "     8" "     2" " " "Fvoid helper(int a)"},
                                {0, "     9" "     2" " " "F{"},
                                {0, "    10" "     2" " " "T  g = a;"},
                                {6, "(M) STATIC VIOLATION     : 12 S : Assignment in expression : variable g"},
                                {6, "Possible UR ANOMALY : t : (Undefined Line 10 - Referenced Line 12)"},
                                {0, "    11" "     2" " " "T  if (a > 0)"},
                                {3, kNoteRule},
                                {9, "Variables defined as last action : "},
                                {9, "g"},
                                {3, kNoteRule},
                                {4, "Current Coverage  : Block 2 has been executed twice"},
                                {4, "Combined Coverage : Block 2 has been executed 3 times"},
                                {2, kBlockRule},
                                {2, kBlockRule},
                                {7, "(C) USER VIOLATION       :  1 Z : Procedure has no comment"},
                                {0, "    13" "      " " " "F}"},
                                {0, " "},
                            });
}

TEST_F(ProcedureModeTest, TheDummyExitNodeWhenTheRangeReachesTheLastBlock) {
  sorvi::AnnotationContext* c = procedure_context(2, 4, 2);
  expect_lines(generate(c), {
                                {2, kBlockRule},
                                {7, "(C) USER VIOLATION       :  1 Z : Procedure has no comment"},
                                {0, "    13" "      " " " "F}"},
                                {0, "    13" "     5" " " " /* Dummy Exit Node */"},
                                {0, " "},
                            });
}

TEST_F(ProcedureModeTest, TheDummyStartNodeOpensAProcedureShownFromBlockOne) {
  use_profile("SORVI_APROC_BLOCKS=TRUE\n");
  sorvi::AnnotationContext* c = procedure_context(2, 1, 5);
  expect_lines(generate(c), {
                                {0, "     8" "     1" " " " /* Dummy Start Node */"},
                                {2, kBlockRule},
                                {0, "     8" "     2" " " "Fvoid helper(int a)"},
                                {0, "     9" "     2" " " "F{"},
                                {0, "    10" "     2" " " "T  g = a;"},
                                {0, "    11" "     2" " " "T  if (a > 0)"},
                                {2, kBlockRule},
                                {0, "    12" "     3" " " "T    g = 2;"},
                                {2, kBlockRule},
                                {0, "    13" "      " " " "F}"},
                                {0, "    13" "     5" " " " /* Dummy Exit Node */"},
                                {0, " "},
                            });
}

TEST_F(ProcedureModeTest, AllBlocksOfAProcedureWithoutDummyNodes) {
  use_profile("");
  sorvi::AnnotationContext* c = procedure_context(1, -1, -1);
  expect_lines(generate(c), {
                                {0, "    15" "     1" " " "Fint main(void)"},
                                {0, "    16" "     1" " " "F{"},
                                {0, "    17" "     1" " " "T  helper(1);"},
                                {2, kBlockRule},
                                {0, "    18" "     2" " " "T  return g;"},
                                {0, "    19" "     2" " " "F}"},
                                {0, " "},
                            });
}

// ---- the main procedure ------------------------------------------------------------------

TEST_F(HandModuleTest, AMainProcedureStartsWhereTheSf1FileSaysForCpp) {
  // C++ reads the main program's start from the ".sf1" file.
  write(work("demo_1.sf1"), sorvi_test::read_file(work("demo_1.sf1")) + record(1, 1, 118) +
                                format("%6d%6d%6d%6d %s\n", 1, 2, 15, 15, "main"));
  sorvi::AnnotationContext* c = ref_context(sorvi::kFlagBlocks | sorvi::kFlagLineNums | sorvi::kFlagProcNums |
                                            sorvi::kFlagBlockNums | sorvi::kFlagCode);
  sorvi::SetRunOptions(c, 6, nullptr, 0, nullptr, nullptr);
  const std::vector<sorvi::AnnotatedLine> lines = generate(c);
  EXPECT_EQ(c->mainStart, 15);
  EXPECT_EQ(c->mainName, "main");
  EXPECT_TRUE(c->mainMoved);
  Expected tail = {
      {0, "    13" "    2" "     4" " }"},
      {1, kProcRule},
      {0, "    14" "     " "      " " "},
      {1, kProcRule},
      {0, "    15" "    1" "     1" " int main(void)"},
      {0, "    16" "    1" "     1" " {"},
      {0, "    17" "    1" "     1" "   helper(1);"},
      {2, kBlockRule},
      {0, "    18" "    1" "     2" "   return g;"},
      {0, "    19" "    1" "     2" " }"},
      {1, kProcRule},
      {0, "    20" "     " "      " " /* end */"},
      {0, " "},
  };
  ASSERT_GE(lines.size(), tail.size());
  expect_lines(std::vector<sorvi::AnnotatedLine>(lines.end() - static_cast<long>(tail.size()), lines.end()), tail);
}

TEST_F(HandModuleTest, AMainProcedureOfAnotherNameStaysFirst) {
  // Record 0 is not "main": it keeps its place and is never entered before
  // its lines come, so the walk waits for it.
  write(work("demo_1.blk"), "Kelvar block file\nProcedures 2\n" +
                                blk_procedure("start", false, false, {{15, 17}, {18, 19}}) +
                                blk_procedure("helper", true, true, {{8, 8}, {8, 11}, {12, 12}, {13, 13}, {13, 13}}));
  sorvi::AnnotationContext* c = ref_context(sorvi::kFlagLineNums | sorvi::kFlagProcNums | sorvi::kFlagCode);
  const std::vector<sorvi::AnnotatedLine> lines = generate(c);
  EXPECT_FALSE(c->mainMoved);
  ASSERT_EQ(lines.size(), 21u);
  EXPECT_EQ(lines[7].text, "     8" "     " " void helper(int a)");
  EXPECT_EQ(lines[14].text, "    15" "    1" " int main(void)");
  EXPECT_EQ(lines[18].text, "    19" "    1" " }");
}

// ---- missing and disagreeing work files -------------------------------------------------------

TEST_F(HandModuleTest, NoListWhenTheWorkFileCannotBeOpened) {
  sorvi::AnnotationContext* c = ref_context(kAllFlags);
  std::remove(ref_path().c_str());
  bool made = true;
  EXPECT_TRUE(generate(c, &made).empty());
  EXPECT_FALSE(made);
  EXPECT_EQ(sorvi::GenerateAnnotatedLines(c), nullptr);
  EXPECT_EQ(sorvi::GenerateAnnotatedLines(nullptr), nullptr);
}

TEST_F(HandModuleTest, WithoutABlockFileTheBlockColumnsAndRulesGo) {
  std::remove(work("demo_1.blk").c_str());
  sorvi::AnnotationContext* c = ref_context(kAllFlags);
  EXPECT_FALSE(c->showBlocks || c->showProcNums || c->showBlockNums || c->showTotalBlockNums);
  const std::vector<sorvi::AnnotatedLine> lines = generate(c);
  EXPECT_FALSE(c->blocksLoaded || c->coverageLoaded || c->dataflowLoaded);
  // Violations still show; no block-bound notes.
  ASSERT_EQ(lines.size(), 27u);
  EXPECT_EQ(lines[9].text, "    10" "     5" " T " "   g = a;");
  EXPECT_EQ(lines[10].style, 6);
  for (const sorvi::AnnotatedLine& l : lines) {
    EXPECT_TRUE(l.style == 0 || l.style == 6) << l.style << " " << l.text;
  }
}

TEST_F(HandModuleTest, WorkFilesThatDisagreeGiveASensibleText) {
  // A violation past the end of the file, and a block file naming lines
  // that do not exist (and a procedure without blocks).
  write(work("demo_1.sif"), sorvi_test::read_file(work("demo_1.sif")) + violation_record(1, 2, 99, 1, 'X'));
  write(work("demo_1.blk"), "Kelvar block file\nProcedures 4\n" +
                                blk_procedure("main", false, false, {{15, 17}, {18, 19}}) +
                                blk_procedure("helper", true, true, {{8, 8}, {8, 11}, {12, 12}, {13, 13}, {13, 13}}) +
                                blk_procedure("empty", false, false, {}) +
                                blk_procedure("ghost", false, false, {{400, 410}, {411, 900}}));
  sorvi::AnnotationContext* c = ref_context(kAllFlags);
  const std::vector<sorvi::AnnotatedLine> lines = generate(c);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().text, " ");
  int code_lines = 0;
  for (const sorvi::AnnotatedLine& l : lines) {
    EXPECT_EQ(l.text.find("Unused cross reference"), std::string::npos);
    if (l.style == 0 && l.text.size() > 6) ++code_lines;
  }
  EXPECT_EQ(code_lines, 20);
  EXPECT_EQ(c->procedures.size(), 4u);
  // The procedures that exist are still entered.
  bool main_entered = false;
  for (const sorvi::AnnotatedLine& l : lines) {
    main_entered = main_entered || l.text == "    15" "    10" "    1" "    5" "     1" " F " " int main(void)";
  }
  EXPECT_TRUE(main_entered) << dump(lines);
}

TEST_F(HandModuleTest, CountArraysShorterThanTheBlockWalk) {
  // Counts that stop after the second slot: later blocks get no notes and
  // highlighted lines keep the plain style.
  sorvi::AnnotationContext* c = ref_context(kAllFlags);
  std::vector<sorvi::AnnotatedLine> lines = generate(c);
  ASSERT_TRUE(c->coverageLoaded);
  c->combinedCounts.resize(2);
  c->currentCounts.resize(2);
  lines = generate(c);
  int notes = 0;
  for (const sorvi::AnnotatedLine& l : lines) notes += l.text.find("Coverage") != std::string::npos ? 1 : 0;
  EXPECT_EQ(notes, 2);  // block 2 of helper only
  c->highlight = true;
  for (const sorvi::AnnotatedLine& l : generate(c)) {
    if (l.text.substr(0, 6) == "    12" || l.text.substr(0, 6) == "    17") {
      EXPECT_EQ(l.style, 0) << l.text;
    }
  }
}

TEST_F(HandModuleTest, LongAndShortRefLinesAreReadSafely) {
  // An empty line and a line numbered 0 give no code line; a code text of
  // 300 characters shows its first 230; a line of 2000 characters is read
  // past after what is kept; a last line without a line end still counts.
  write(ref_path(), ref_text() + "\n" + format("%6dF zero\n", 0) + format("%6dF", 22) + std::string(300, 'c') +
                        "\n" + format("%6dF", 23) + std::string(1993, 'e') + "\r\n" + format("%6dF", 24) +
                        std::string(600, 'd'));
  sorvi::AnnotationContext* c = ref_context(sorvi::kFlagLineNums | sorvi::kFlagCode);
  const std::vector<sorvi::AnnotatedLine> lines = generate(c);
  ASSERT_EQ(lines.size(), 24u) << dump(lines);
  EXPECT_EQ(lines[20].text, "    22 " + std::string(230, 'c'));
  EXPECT_EQ(lines[21].text, "    23 " + std::string(230, 'e'));
  EXPECT_EQ(lines[22].text, "    24 " + std::string(230, 'd'));
  EXPECT_EQ(lines[23].text, " ");
}

TEST_F(HandModuleTest, ALastLineEndingInItsNumberOrFlag) {
  sorvi::AnnotationContext* c = ref_context(sorvi::kFlagLineNums | sorvi::kFlagCode);
  // The end of the file in the flag character: the line is not read.
  write(ref_path(), ref_text() + format("%6d", 21));
  EXPECT_EQ(generate(c).size(), 21u);
  // With its flag it is read, with an empty code text.
  write(ref_path(), ref_text() + format("%6dT", 21));
  std::vector<sorvi::AnnotatedLine> lines = generate(c);
  ASSERT_EQ(lines.size(), 22u);
  EXPECT_EQ(lines[20].text, "    21 ");
  // A line holding only its number and a line end: blank flag, no code.
  write(ref_path(), ref_text() + format("%6d\n", 21));
  c->showExeFlag = true;
  lines = generate(c);
  ASSERT_EQ(lines.size(), 22u);
  EXPECT_EQ(lines[20].text, "    21" "   " " ");
}

TEST_F(HandModuleTest, ALineNumberWidthTheReaderRefuses) {
  // W comes out as 21 from a ".ref" file starting with 20 blanks.
  write(ref_path(), std::string(20, ' ') + "1 header\n");
  sorvi_test::ReportCapture capture;
  sorvi::AnnotationContext* c = ref_context(sorvi::kFlagLineNums | sorvi::kFlagCode);
  EXPECT_EQ(sorvi::line_number_width(), 21);
  const std::vector<sorvi::AnnotatedLine> lines = generate(c);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text, " ");
  ASSERT_FALSE(capture.calls().empty());
  EXPECT_EQ(capture.calls().back().code, 100);
  EXPECT_EQ(capture.calls().back().text,
            "Attempt to read a fixed width int greater than 16 long\n"
            "                   Readfixedint called with intlen parameter 21");
}

TEST_F(HandModuleTest, IncludeListsMergeFromTheIndex) {
  write(src("demo.h"), "extern int g;\n");
  write(work("demo_1.ndx"), "\"" + source_path() + "\"\nheader one\nheader two\n1\n30 31 " +
                                std::to_string(src("demo.h").size()) + " " + src("demo.h") + "\n20\n" +
                                number_lines({0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0}, 4,
                                             10));
  sorvi::AnnotationContext* c = keep(sorvi::CreateAnnotationContext(
      ref_path(), -1, -1, source_path(), "", nullptr, false, false, false, false, true, "", kAllFlags, false));
  generate(c);
  ASSERT_TRUE(c->indexLoaded);
  ASSERT_EQ(c->includeList.size(), 1u);
  EXPECT_EQ(c->includeList[0].file_name, src("demo.h"));
  EXPECT_EQ(c->includeList[0].start, 30);
  // Merged once only.
  c->indexLoaded = false;
  generate(c);
  EXPECT_EQ(c->includeList.size(), 1u);
}

TEST_F(HandModuleTest, AListingNotAnnotatedIsTheSourceFile) {
  sorvi::AnnotationContext* c =
      keep(sorvi::CreateAnnotationContext(work("demo_1.sif"), -1, -1, source_path(), source_path(), nullptr, false,
                                          false, false, false, false, "", 0, false));
  c->annotated = false;
  const std::vector<sorvi::AnnotatedLine> lines = generate(c);
  ASSERT_EQ(lines.size(), 14u);
  EXPECT_EQ(lines[0].text, "#include \"demo.h\"");
  EXPECT_EQ(lines[13].text, "}");
  // Without the source file there is no text.
  std::remove(source_path().c_str());
  bool made = true;
  EXPECT_TRUE(generate(c, &made).empty());
  EXPECT_FALSE(made);
}

TEST_F(HandModuleTest, AFileNotAnnotatedIsShownPlain) {
  sorvi::AnnotationContext* c = ref_context(0);
  ASSERT_FALSE(c->annotated);
  std::string text = ref_text() + format("%6dF", 21) + std::string(600, 'x') + "\n";
  write(ref_path(), text);
  const std::vector<sorvi::AnnotatedLine> lines = generate(c);
  ASSERT_EQ(lines.size(), 21u);  // no closing line
  EXPECT_EQ(lines[0].text, "     1 Kelvar reformatted source");
  EXPECT_EQ(lines[13].text, "    14F");
  EXPECT_EQ(lines[20].text.size(), 519u);
  EXPECT_FALSE(c->blocksLoaded || c->indexLoaded);
}

}  // namespace
}  // namespace annotate_test
