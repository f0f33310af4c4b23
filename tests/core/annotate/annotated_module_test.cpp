// Whole small modules generated and compared line by line with texts and
// styles worked out by hand (see hand_module.h for the module).
#include <tuple>

#include "config/startup_options.h"
#include "hand_module.h"

namespace annotate_test {
namespace {

constexpr int kAllFlags = 2047;
constexpr int kHighlightFlags = 384 | sorvi::kFlagLineNums;

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
  expect_lines(generate(c), all_annotations());
  // The language comes from the registry record of the source file; main,
  // the first record, moved behind helper and starts after helper's end.
  EXPECT_EQ(std::to_string(c->language) + (c->mainMoved ? " moved" : ""), "2 moved");
  ASSERT_EQ(c->procedures.size(), 2u);
  EXPECT_EQ(c->procedures[1].name + " " + std::to_string(c->procedures[1].blocks[0].startLine), "main 14");
  // A second generation reads nothing again: without the work files the
  // text stays the same. Start= and End= move to their display lines
  // (sixteen annotation lines stand above reformatted line 12, none above 3).
  for (const char* ext : {".blk", ".stb", ".pol", ".sif", ".sf3", ".ndx", ".sf1"}) {
    std::remove(work(std::string("demo_1") + ext).c_str());
  }
  sorvi::StartupOptions& o = sorvi::startup_options();
  const std::tuple<int, int, const char*> rows[] = {{12, 12, "28 28"}, {12, 13, "28 29"}, {3, 4, "3 4"}};
  for (const auto& [start, end, moved] : rows) {
    o.Start = start;
    o.End = end;
    expect_lines(generate(c), all_annotations());
    EXPECT_EQ(std::to_string(o.Start) + " " + std::to_string(o.End), moved) << start << " " << end;
  }
}

TEST_F(HandModuleTest, UrAnomalyLinesShowOriginalLinesWithSourceLinesOnly) {
  std::string anomalies;  // Src column on, Ref column off
  for (const sorvi::AnnotatedLine& l : generate(ref_context(sorvi::kFlagSourceLines | sorvi::kFlagDataflow))) {
    if (l.text.rfind("Possible UR", 0) == 0) anomalies += l.text.substr(22) + "|";
  }
  EXPECT_EQ(anomalies, "t : (Undefined Line 5 - Referenced Line 7)|g : (Undefined Line 7 - Referenced Line 13)|"
                       "t : (Referenced Line 7 - Undefined Line 5)|g : (Referenced Line 13 - Undefined Line 7)|");
}

// ---- coverage highlighting ----------------------------------------------------------

TEST_F(HandModuleTest, CoverageHighlighting) {
  // The Ref column and the code of lines 7-20 in their styles (a for 10):
  // lines 1-6 are hidden. Combined results: block 2 ran with a branch not
  // taken (its last line 7); block 4 never ran and is not instrumented (8).
  // In the last run main's first block did not run (5). The first
  // highlighted text fixes the colour set for the process.
  struct Row {
    bool first_pass_fail, pass_fail, current;
    const char* styles;
  } rows[] = {
      {false, false, false, "06667686666660"}, {false, false, true, "06667685555660"},
      {true, true, false, "0999a989999990"},   {true, true, true, "0999a986666990"},
      {false, true, false, "06667686666660"},
  };
  for (const Row& row : rows) {
    reset_state();
    generate(ref_context(kHighlightFlags, true, row.first_pass_fail));
    sorvi::AnnotationContext* c = ref_context(kHighlightFlags, true, row.pass_fail);
    c->useCurrent = row.current;
    Expected expected;
    for (int line = 7; line <= 20; ++line) {
      const char style = row.styles[line - 7];
      expected.push_back({style == 'a' ? 10 : style - '0', format("%6d ", line) + (kRefLines[line - 1] + 1)});
    }
    expected.push_back({0, " "});
    expect_lines(generate(c), expected);
  }
  // A violation on header line 3: the line is hidden, its violation is not.
  write(work("demo_1.sif"), sorvi_test::read_file(work("demo_1.sif")) + violation_record(1, 0, 3, 5, 'H'));
  std::vector<sorvi::AnnotatedLine> lines = generate(ref_context(kHighlightFlags | sorvi::kFlagStandards, true, false));
  lines.resize(3);
  expect_lines(lines, {{6, "(O) NAMING VIOLATION     :  5 H : Name too short"}, {0, "     7 int g;"},
                       {6, "     8 void helper(int a)"}});
}

// ---- the source listing -----------------------------------------------------------------

TEST_F(HandModuleTest, SourceListingWithViolations) {
  sorvi::AnnotationContext* c = listing_context();
  ASSERT_NE(c, nullptr);
  // Four violation lines stand above source line 8.
  sorvi::startup_options().Start = 8;
  sorvi::startup_options().End = 8;
  const std::string path = source_path();  // as the index names it
  expect_lines(generate(c), {
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

// ---- procedure mode ----------------------------------------------------------------------

TEST_F(HandModuleTest, ProcedureModeWalksTheBlocksOfOneProcedure) {
  const char* annotated = "SORVI_APROC_COVERAGE=TRUE\nSORVI_APROC_STANDARDS=TRUE\nSORVI_APROC_DATAFLOW=TRUE\n";
  struct Row {
    const char* profile;
    int procedure, first_block, block_count;
    Expected expected;
  } rows[] = {
      // Blocks 3 and 4 of helper.
      {annotated, 2, 3, 2, {
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
                           }},
      // Block 2 alone: its first uses open it, its closing notes close it.
      // The line that closes the procedure through its dummy exit node
      // still comes, with the procedure's violations before it.
      {annotated, 2, 2, 1, {
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
                           }},
      // The dummy exit node when the range reaches the last block.
      {annotated, 2, 4, 2, {
                            {2, kBlockRule},
                            {7, "(C) USER VIOLATION       :  1 Z : Procedure has no comment"},
                            {0, "    13" "      " " " "F}"},
                            {0, "    13" "     5" " " " /* Dummy Exit Node */"},
                            {0, " "},
                           }},
      // The dummy start node opens a procedure shown from block 1.
      {"SORVI_APROC_BLOCKS=TRUE\n", 2, 1, 5, {
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
                                          }},
      // All blocks of a procedure without dummy nodes.
      {"", 1, -1, -1, {
                            {0, "    15" "     1" " " "Fint main(void)"},
                            {0, "    16" "     1" " " "F{"},
                            {0, "    17" "     1" " " "T  helper(1);"},
                            {2, kBlockRule},
                            {0, "    18" "     2" " " "T  return g;"},
                            {0, "    19" "     2" " " "F}"},
                            {0, " "},
                      }},
  };
  for (const Row& row : rows) {
    use_profile(row.profile);
    SCOPED_TRACE(format("procedure %d from block %d, %d blocks", row.procedure, row.first_block, row.block_count));
    expect_lines(generate(procedure_context(row.procedure, row.first_block, row.block_count)), row.expected);
  }
}

// ---- the main procedure ------------------------------------------------------------------

TEST_F(HandModuleTest, AMainProcedureStartsWhereTheSf1FileSaysForCpp) {
  // C++ reads the main program's start from the ".sf1" file.
  write(work("demo_1.sf1"), sorvi_test::read_file(work("demo_1.sf1")) + record(1, 1, 118) +
                                format("%6d%6d%6d%6d %s\n", 1, 2, 15, 15, "main"));
  sorvi::AnnotationContext* c = ref_context(sorvi::kFlagBlocks | sorvi::kFlagLineNums | sorvi::kFlagProcNums |
                                            sorvi::kFlagBlockNums | sorvi::kFlagCode);
  sorvi::SetRunOptions(c, 6, nullptr, 0, nullptr, nullptr);
  std::vector<sorvi::AnnotatedLine> lines = generate(c);
  EXPECT_EQ(c->mainName + " " + std::to_string(c->mainStart), "main 15");
  const Expected tail = {
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
  lines.erase(lines.begin(), lines.end() - static_cast<long>(tail.size()));
  expect_lines(lines, tail);
}

TEST_F(HandModuleTest, AMainProcedureOfAnotherNameStaysFirst) {
  // Record 0 is not "main": it keeps its place and is never entered before
  // its lines come, so the walk waits for it.
  write(work("demo_1.blk"),
        "Kelvar block file\nProcedures 2\n" + blk_procedure("start", false, false, {{15, 17}, {18, 19}}) + helper_blk());
  sorvi::AnnotationContext* c = ref_context(sorvi::kFlagLineNums | sorvi::kFlagProcNums | sorvi::kFlagCode);
  const std::vector<sorvi::AnnotatedLine> lines = generate(c);
  EXPECT_FALSE(c->mainMoved);
  ASSERT_EQ(lines.size(), 21u);
  EXPECT_EQ(lines[7].text + "|" + lines[14].text + "|" + lines[18].text,
            "     8      void helper(int a)|    15    1 int main(void)|    19    1 }");
}

// ---- missing, damaged and disagreeing work files -------------------------------------------------

TEST_F(HandModuleTest, MissingWorkFiles) {
  // Without a block file the block columns, rules and notes go; the
  // violations and their cross-references stay.
  std::remove(work("demo_1.blk").c_str());
  sorvi::AnnotationContext* c = ref_context(kAllFlags);
  Expected expected;
  for (const sorvi::AnnotatedLine& line : all_annotations()) {
    const int style = line.style;
    const std::string& text = line.text;
    if (style == 0 && text.size() > 6) {
      const size_t after = text.compare(12, 5, "     ") == 0 ? 29 : 28;  // outside or inside a procedure
      expected.push_back({0, text.substr(0, 12) + text.substr(after)});
    }
    if ((style == 0 && text.size() == 1) || (style == 6 && text.find("UR ANOMALY") == std::string::npos)) {
      expected.push_back({style, text});
    }
  }
  expect_lines(generate(c), expected);
  // Without the file shown, no text.
  std::remove(ref_path().c_str());
  bool made = true;
  EXPECT_TRUE(generate(c, &made).empty());
  EXPECT_FALSE(made);
  // A listing not annotated is the source file as it is; without it, nothing.
  c = listing_context();
  c->annotated = false;
  std::string source;
  for (const sorvi::AnnotatedLine& l : generate(c)) source += l.text + "\n";
  EXPECT_EQ(source, sorvi_test::read_file(source_path()));
  std::remove(source_path().c_str());
  EXPECT_TRUE(generate(c, &made).empty());
  EXPECT_FALSE(made);
}

TEST_F(HandModuleTest, WorkFilesThatDisagreeGiveASensibleText) {
  // Counts that stop after the second slot: later blocks get no notes and
  // highlighted lines keep the plain style.
  sorvi::AnnotationContext* c = ref_context(kAllFlags);
  generate(c);
  ASSERT_TRUE(c->coverageLoaded);
  c->combinedCounts.resize(2);
  c->currentCounts.resize(2);
  std::string notes;
  for (const sorvi::AnnotatedLine& l : generate(c)) {
    if (l.text.find(" Coverage ") != std::string::npos) notes += l.text.substr(20) + "|";
  }
  EXPECT_EQ(notes, "Block 2 has been executed twice|Block 2 has been executed 3 times|");  // current, combined
  c->highlight = true;
  for (const sorvi::AnnotatedLine& l : generate(c)) {
    if (l.text.substr(0, 6) == "    12" || l.text.substr(0, 6) == "    17") {
      EXPECT_EQ(l.style, 0) << l.text;
    }
  }

  // A violation past the end of the file, and a block file naming lines
  // that do not exist (and a procedure without blocks).
  write(work("demo_1.sif"), sorvi_test::read_file(work("demo_1.sif")) + violation_record(1, 2, 99, 1, 'X'));
  write(work("demo_1.blk"), "Kelvar block file\nProcedures 4\n" +
                                blk_procedure("main", false, false, {{15, 17}, {18, 19}}) + helper_blk() +
                                blk_procedure("empty", false, false, {}) +
                                blk_procedure("ghost", false, false, {{400, 410}, {411, 900}}));
  c = ref_context(kAllFlags);
  const std::vector<sorvi::AnnotatedLine> lines = generate(c);
  EXPECT_EQ(c->procedures.size(), 4u);
  // Every code line once, main still entered, no line for the violation
  // past the end, and the closing line.
  int code_lines = 0;
  for (const sorvi::AnnotatedLine& l : lines) {
    EXPECT_EQ(l.text.find("Unused cross reference"), std::string::npos);
    code_lines += l.style == 0 && l.text.size() > 6 ? 1 : 0;
  }
  EXPECT_EQ(code_lines, 20);
  const std::string main_line = "    15" "    10" "    1" "    5" "     1" " F " " int main(void)";
  EXPECT_NE(dump(lines).find("|" + main_line + "|"), std::string::npos) << dump(lines);
  EXPECT_EQ(lines.empty() ? "" : lines.back().text, " ");
}

TEST_F(HandModuleTest, DamagedRefFilesAreReadSafely) {
  // The lines after the module's twenty (the Ref column and the code), and
  // the code of the last report, for a ".ref" file given whole.
  const std::string module = ref_text();
  struct Row {
    std::string ref;
    int flags;
    std::string expected;
  } rows[] = {
      // An empty line and a line numbered 0 give no code line; a code text
      // of 300 characters shows its first 230, and the rest of a line of
      // 2000 is read past; a last line without a line end still counts.
      {module + "\n" + format("%6dF zero\n", 0) + format("%6dF", 22) + std::string(300, 'c') + "\n" +
           format("%6dF", 23) + std::string(1993, 'e') + "\r\n" + format("%6dF", 24) + std::string(600, 'd'), 0,
       "    22 " + std::string(230, 'c') + "|    23 " + std::string(230, 'e') + "|    24 " + std::string(230, 'd') + "| |"},
      // NULs are dropped, a lone CR is an ordinary character.
      {module + format("%6dFa", 21) + std::string(2, '\0') + "b\rc\n", 0, "    21 ab\rc| |"},
      // The end of the file in the flag character: the line is not read;
      // with its flag it is, with an empty code text.
      {module + format("%6d", 21), 0, " |"},
      {module + format("%6dT", 21), 0, "    21 | |"},
      // A line holding only its number and a line end: a blank flag.
      {module + format("%6d\n", 21), sorvi::kFlagExeFlag, "    21    | |"},
      // A file that is not annotated is shown as it is, 519 characters at most, without a closing line.
      {module + format("%6dF", 21) + std::string(600, 'x') + "\n", -1, "    21F" + std::string(512, 'x') + "|"},
      // The line-number width comes from the first line: 8, and 21, which
      // the reader refuses.
      {format("%8dFx\n%8dTy\n", 1, 2), 0, "     1 x|     2 y| |"},
      {std::string(20, ' ') + "1 header\n", 0, " | report 100"},
  };
  for (const Row& row : rows) {
    reset_state();
    write(ref_path(), row.ref);
    sorvi_test::ReportCapture capture;
    const int flags = row.flags < 0 ? 0 : sorvi::kFlagLineNums | sorvi::kFlagCode | row.flags;
    const std::vector<sorvi::AnnotatedLine> lines = generate(ref_context(flags));
    std::string text;
    for (size_t i = lines.size() > 20 ? 20 : 0; i < lines.size(); ++i) text += lines[i].text + "|";
    if (!capture.calls().empty()) text += " report " + std::to_string(capture.calls().back().code);
    EXPECT_EQ(text, row.expected) << row.ref.substr(0, 40);
  }
}

}  // namespace
}  // namespace annotate_test
