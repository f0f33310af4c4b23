// The switches of a context, from the profile, the flags and the modes;
// and the placing of the main procedure.
#include "annotate_fixture.h"

namespace annotate_test {
namespace {

TEST_F(AnnotateTest, EffectiveSwitchesOfAContext) {
  const std::string no_blocks = "SORVI_AREF_BLOCKS=FALSE\nSORVI_AREF_COVERAGE=TRUE\n";
  const std::string procedure = "SORVI_APROC_BLOCKS=TRUE\nSORVI_APROC_CODE=FALSE\nSORVI_APROC_STANDARDS=TRUE\n";
  // Options: v(mode), c(overage mode), (violation mode) m, l(isting of the
  // source), k (violations kind), p(rocedure 3), 2 (from block 2), b (no
  // block file from there on). The switches in the order BLOCKS, Ref, Src,
  // PROCNUMS, TBLOCKNUMS, BLOCKNUMS, EXEFLAG, CODE, COVERAGE, STANDARDS,
  // DATAFLOW; then A(nnotated), H(ighlight), L(isting), V (listing of
  // violations), the file walked, and procedure/first block/block count.
  struct Row {
    std::string profile;
    const char* document;
    const char* options;
    int flags;
    const char* expected;
  } rows[] = {
      {"", "demo_1.ref", "", 2047, "11110111111 A demo_1.ref"},
      // Not annotated unless the profile says so; the profile's defaults
      // (total block numbers only with SORVI_TBLOCKS).
      {"", "demo_1.ref", "", 0, "11110111000  demo_1.ref"},
      {"SORVI_TBLOCKS=TRUE\nSORVI_AREF_ANNOTATED=TRUE\n", "demo_1.ref", "", 0, "11111111000 A demo_1.ref"},
      // Block rules come back for the coverage notes, unless the coverage
      // is shown as colours.
      {no_blocks + "SORVI_AREF_PROCNUMS=F\nSORVI_AREF_DATAFLOW=T\n", "demo_1.ref", "", 0, "11100111101  demo_1.ref"},
      {no_blocks + "SORVI_COVERAGE_HIGHLIGHT=TRUE\n", "demo_1.ref", "", 0, "01110111100 H demo_1.ref"},
      // A Flags value, bit by bit; 384 (code and coverage) in coverage mode
      // is highlighted without rules; ViolationMode adds the violations.
      {"", "demo_1.ref", "", 1 | 4 | 64 | 1024, "10100010001 A demo_1.ref"},
      {"", "demo_1.ref", "c", 384, "00000001100 AH demo_1.ref"},
      {"", "demo_1.ref", "m", 128, "00000001010 A demo_1.ref"},
      // VMODE: no Ref column; numbers, flags, code and every annotation;
      // in coverage mode no violations or data flow unless asked for.
      {"", "demo_1.ref", "v", 0, "10110111111 A demo_1.ref"},
      {"", "demo_1.ref", "vc", 384, "00010111100 AH demo_1.ref"},
      {"", "demo_1.ref", "vcm", 384, "00010111110 AH demo_1.ref"},
      // Listings; the violations kind walks the ".sif" file and lists
      // without violation lines; in batch mode a listing has its Src column.
      {"", "demo_1.sif", "l", 0, "00000001010 AL demo_1.sif"},
      {"", "demo_1.sf1", "lk", 0, "00000001000 ALV demo_1.sif"},
      {"", "demo_1.sif", "vl", 0, "00100001111 AL demo_1.sif"},
      // Procedure mode takes the SORVI_APROC_ switches and no Flags value.
      {"", "demo_1.xtx", "p", 2047, "11000101000 A demo_1.xtx 3/-1/-1"},
      {"", "demo_1.xtx", "p2c", 0, "00000001100 AH demo_1.xtx 3/2/1"},
      {procedure, "demo_1.xtx", "p", 0, "11000100010 A demo_1.xtx 3/-1/-1"},
      {procedure, "demo_1.xtx", "pcm", 0, "10000000110 AH demo_1.xtx 3/-1/-1"},
      {"", "demo_1.ref", "b", 2047, "01100011111 A demo_1.ref"},  // no rules, procedure or block numbers
  };
  write(work("demo_1.ref"), ref_line(1, ' ', "header"));
  write(work("demo_1.blk"), "header\nheader\n");
  for (const Row& row : rows) {
    const std::string o = row.options;
    auto has = [&o](char x) { return o.find(x) != std::string::npos; };
    use_profile(row.profile);
    if (has('b')) std::remove(work("demo_1.blk").c_str());
    sorvi::AnnotationContext* c = keep(sorvi::CreateAnnotationContext(
        work(row.document), has('p') ? 3 : -1, has('2') ? 2 : -1, "/src/demo.c", has('l') ? "/src/demo.c" : "",
        nullptr, has('k'), has('v'), has('c'), has('m'), false, "", row.flags, false));
    ASSERT_NE(c, nullptr) << row.document;
    std::string t;
    for (bool b : {c->showBlocks, c->showRefLines, c->showSrcLines, c->showProcNums, c->showTotalBlockNums,
                   c->showBlockNums, c->showExeFlag, c->showCode, c->showCoverage, c->showStandards, c->showDataflow}) {
      t += b ? '1' : '0';
    }
    t += std::string(" ") + (c->annotated ? "A" : "") + (c->highlight ? "H" : "") + (c->listing ? "L" : "") +
         (c->listingStandards ? "V" : "") + " " + c->workFile.substr(c->workFile.rfind('/') + 1);
    if (c->procedure >= 0) t += format(" %d/%d/%d", c->procedure, c->firstBlock, c->blockCount);
    EXPECT_EQ(t, row.expected) << row.profile << row.document << " " << row.options << " " << row.flags;
  }
  EXPECT_EQ(nullptr, sorvi::CreateAnnotationContext("", -1, -1, "", "", nullptr, false, false, false, false, false,
                                                    "", 0, false));
}

// ---- placing the main procedure ---------------------------------------------------------------

// A procedure from its block spans (the first one a dummy start node when
// `dummy_start`).
sorvi::ProcedureBlocks procedure(const std::string& name, std::vector<std::pair<int, int>> spans,
                                 bool dummy_start = false) {
  sorvi::ProcedureBlocks p;
  p.name = name;
  p.hasDummyStart = dummy_start;
  for (const auto& [start, end] : spans) p.blocks.push_back({start, end});
  p.blockCount = static_cast<int>(p.blocks.size());
  return p;
}

TEST(PlaceMainProcedure, MainMovesBehindTheProceduresBeforeItsEnd) {
  // The procedures in order after the placing, each with the start lines of
  // its blocks, and whether the main procedure counts as moved.
  struct Row {
    std::vector<sorvi::ProcedureBlocks> procedures;
    const char* main_name;
    int main_start;
    const char* expected;
  } rows[] = {
      {{procedure("main", {{50, 60}, {61, 70}}), procedure("a", {{10, 20}}), procedure("b", {{21, 30}}),
        procedure("c", {{80, 90}})},
       "", -1, "moved a@10 b@21 main@31,61 c@80"},
      // To the end when nothing follows; the first real block, after the
      // dummy start node, takes the new start.
      {{procedure("main", {{40, 40}, {41, 50}}, true), procedure("a", {{10, 20}})}, "", -1, "moved a@10 main@40,21"},
      {{procedure("start", {{50, 60}}), procedure("a", {{10, 20}})}, "start", 45, "moved a@10 start@45"},
      // Already in place: a known start line is still set, and it counts as moved.
      {{procedure("main", {{5, 9}}), procedure("a", {{10, 20}})}, "", 4, "moved main@4 a@10"},
      {{procedure("main", {{5, 9}}), procedure("a", {{10, 20}})}, "", -1, "kept main@5 a@10"},
      {{procedure("Main", {{50, 60}}), procedure("a", {{10, 20}})}, "", -1, "kept Main@50 a@10"},
      {{}, "", -1, "kept"},
  };
  for (Row& row : rows) {
    std::string t = sorvi::place_main_procedure(row.procedures, row.main_name, row.main_start) ? "moved" : "kept";
    for (const sorvi::ProcedureBlocks& p : row.procedures) {
      t += " " + p.name + "@";
      for (size_t i = 0; i < p.blocks.size(); ++i) t += (i ? "," : "") + std::to_string(p.blocks[i].startLine);
    }
    EXPECT_EQ(t, row.expected);
  }
}

}  // namespace
}  // namespace annotate_test
