// A small analysed C module written by hand, small enough that the
// expected annotated text can be worked out line by line from the rules.
//
// Source "src/demo.c" (14 lines), module 1 of "work/staticid.dat" (module 2
// is "util", known by name only), stem "demo_1", W = 6. The ".ref" file
// has 20 lines: five header lines, then source lines 1-14 as reformatted
// lines 6-19, and line 20, which the reformatter added (no original line).
//
//   ref  src  flag  code                 blocks (".blk", in file order)
//    6    1    F    #include "demo.h"
//    7    2    F    int g;
//    8    3    F    void helper(int a)   helper (procedure 2): dummy start 8-8,
//    9    4    F    {                      block 2: 8-11, block 3: 12-12,
//   10    5    T      g = a;               block 4: 13-13 (not instrumented),
//   11    6    T      if (a > 0)           dummy exit 13-13
//   12    7    T        g = 2;
//   13    8    F    }
//   14    9    F
//   15   10    F    int main(void)       main (procedure 1, first record):
//   16   11    F    {                      block 1: 15-17 (moves to 14-17),
//   17   12    T      helper(1);           block 2: 18-19
//   18   13    T      return g;
//   19   14    F    }
//   20   --    F    /* end */
//
// Counts by block slot (helper's five, then main's two): combined
// 0 3 2 0 0 1 1, history (".pol.001") 0 1 5 0 0 1 0, so current
// 0 2 -3 0 0 0 1. Branches from line 11: to 12 (combined 3, current 2) and
// to 13 (combined 0, current 0).
//
// Violations (".sif"): line 10 12 S "variable g"; line 12 5 H and 3 C
// ("Procedure too complex, depth 4", related place module 2 line 40); line
// 17 7 D (related place line 10); line 18 20 S with a follow-up; procedure
// 2 1 Z; procedure 1 1 Z "main".
// Data flow (".sf3"): first uses (1,1) g, (2,2) a, (2,3) a; last
// definitions (1,2) g, (2,2) g; UR anomalies t (10 -> 12, procedure 2) and
// g (12 -> 18, procedure 1).
#pragma once

#include <string>
#include <vector>

#include "annotate_fixture.h"
#include "workfiles/module_registry.h"

namespace annotate_test {

class HandModuleTest : public AnnotateTest {
 protected:
  void SetUp() override {
    AnnotateTest::SetUp();
    use_profile("SORVI_TBLOCKS=TRUE\nEXTERNAL_STANDARD=MISRA-C:2004\n");
    write_module();
  }

  std::string source_path() const { return dir() + "/src/demo.c"; }
  std::string ref_path() const { return work("demo_1.ref"); }

  // The ".ref" lines, each a flag and the code (the source file is lines
  // 6-19); used again for the procedure-code file.
  static constexpr const char* kRefLines[] = {
      " Kelvar reformatted source", " File : demo.c", " Module : demo_1", " Kelvar 9.4.1", " ",
      "F#include \"demo.h\"", "Fint g;", "Fvoid helper(int a)", "F{", "T  g = a;", "T  if (a > 0)", "T    g = 2;", "F}",
      "F", "Fint main(void)", "F{", "T  helper(1);", "T  return g;", "F}", "F/* end */"};

  static std::string ref_text() {
    std::string t;
    for (int i = 0; i < 20; ++i) t += ref_line(i + 1, kRefLines[i][0], kRefLines[i] + 1);
    return t;
  }

  // helper's ".blk" entry: a dummy start node, three blocks, a dummy exit node.
  static std::string helper_blk() {
    return blk_procedure("helper", true, true, {{8, 8}, {8, 11}, {12, 12}, {13, 13}, {13, 13}});
  }

  void write_module() {
    const std::string source = source_path();
    std::string source_text;
    for (int i = 5; i < 19; ++i) source_text += kRefLines[i] + 1 + std::string("\n");
    write(source, source_text);
    write(work("staticid.dat"), format("%5d%5d%5d%s %d %d\n", 1, sorvi::name_checksum(source.c_str()), 4,
                                       "demo", 0, 2) +
                                    format("%5d%5d%5d%s\n", 2, 0, 4, "util"));
    write(ref_path(), ref_text());
    write(work("demo_1.ndx"), "\"" + source + "\"\nheader one\nheader two\n0\n20\n" +
                                  number_lines({0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0}, 4));
    write(work("demo_1.sf1"), record(1, 0, 106) + std::string(33, ' ') + "\"" + source + "\"\n" + record(1, 1, 124) +
                                  std::string(13, ' ') + format("Y%9d%9d%5d     main\n", 15, 19, 1) +
                                  record(1, 2, 124) + std::string(13, ' ') +
                                  format("P%9d%9d%5d     helper\n", 8, 13, 2));
    write(work("demo_1.blk"), "Kelvar block file\nProcedures 2\n" +
                                  blk_procedure("main", false, false, {{15, 17}, {18, 19}}) +
                                  helper_blk());
    write(work("demo_1.stb"), format("%6d%6d%6d\n", 20, 2, 0) + "FFFFFFFFFTTTFFFFTTFF\n" +
                                  format("%6d%6d%6d%6d\n", 11, 12, 11, 13));
    const std::string pol = format("%6d%6d%6d\n", 20, 2, 0) +
                            number_lines({0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 3, 2, 0, 0, 0, 0, 1, 1, 0, 0}, 8) +
                            number_lines({3, 0}, 8);
    write(work("demo_1.pol"), pol);
    write(work("demo_1.pol.001"), format("%6d%6d%6d\n", 20, 2, 0) +
                                      number_lines({0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 5, 0, 0, 0, 0, 1, 0, 0, 0}, 8) +
                                      number_lines({1, 0}, 8));
    write(work("demo_1.pol.002"), pol);
    write(work("demo_1.sif"),
          violation_record(1, 2, 10, 12, 'S', "variable g") + violation_record(1, 2, 12, 5, 'H') +
              violation_record(1, 2, 12, 3, 'C', "Procedure too complex, depth 4") + record(1, 2, 801) +
              format("%6d%6d%8d %d %d %d %d %d %d %d %c\n", 3, 0, 12, 2, 1, 40, 0, 0, 12, 3, 'C') +
              violation_record(1, 1, 17, 7, 'D') + record(1, 1, 801) +
              format("%6d%6d%8d %d %d %d %d %d %d %d %c\n", 4, 0, 17, 0, 1, 10, 0, 0, 17, 7, 'D') +
              violation_record(1, 1, 18, 20, 'S') + record(1, 1, 804) + format("%6d%6d%7d %d %c %d\n", 5, 0, 18, 20, 'S', 1) +
              violation_record(1, 2, 0, 1, 'Z') + violation_record(1, 1, 0, 1, 'Z', "main"));
    write(work("demo_1.sf3"), dataflow_item(1, 1, 2, "g") + dataflow_item(2, 2, 2, "a") + dataflow_item(2, 3, 2, "a") +
                                  dataflow_item(1, 2, 1, "g") + dataflow_item(2, 2, 1, "g") +
                                  ur_anomaly(2, 10, 12, "t") + ur_anomaly(1, 12, 18, "g"));
    write(work("demo_1.xtx"), ref_text());

    write(dir() + "/suite/c/cpen.dat",
          "    7 STANDARDS TEXT MUST BE 50\n" + pen_line(1, 1, 'X', "Unused cross reference") +
              pen_line(2, 12, 'S', "Assignment in expression" + std::string(26, ' ') + "MISRA-C2 13.1") +
              pen_line(3, 5, 'H', "Name too short") + pen_line(4, 3, 'C', "Procedure too complex") +
              pen_line(5, 7, 'D', "Variable used before set") + pen_line(6, 1, 'Z', "Procedure has no comment") +
              pen_line(7, 20, 'S', "Follow-up standard"));
    write(dir() + "/suite/c/creport.dat", "# report configuration\n------\n   1 X M\n  12 S M\n   5 H O\n"
                                  "   3 C I\n   7 D M\n   1 Z C\n  20 S M\n 2000\n------\n");
  }

  // The module, procedure and type fields every record line starts with.
  static std::string record(int module, int proc, int type) { return format("%4d%4d%4d", module, proc, type); }

  // A ".blk" procedure entry; `blocks` are (start, end) pairs.
  static std::string blk_procedure(const std::string& name, bool dummy_start, bool dummy_exit,
                                   const std::vector<std::pair<int, int>>& blocks) {
    std::string text = format("%5d%s\n%5d %c %c\n", static_cast<int>(name.size()), name.c_str(),
                              static_cast<int>(blocks.size()), dummy_start ? 'T' : 'F', dummy_exit ? 'T' : 'F');
    for (const auto& b : blocks) text += format("%6d%6d%6d%6d%6d%6d\n", 0, 0, b.first, b.second, 0, 0);
    return text;
  }

  // A ".sif" violation record (type 101) on reformatted line `line` (0: none).
  static std::string violation_record(int module, int procedure, int line, int standard, char letter,
                                      const std::string& text = std::string()) {
    return record(module, procedure, 101) +
           format("%6d%6d%7d%7d%7d%7d %c%3d", 1, 0, line, 0, 0, standard, letter, text.empty() ? 0 : 1) + text + "\n";
  }

  // Fixed-width numbers, ten to a line.
  static std::string number_lines(const std::vector<int>& values, int width) {
    std::string text;
    for (size_t i = 0; i < values.size(); ++i) {
      text += format("%*d", width, values[i]) + (i % 10 == 9 || i + 1 == values.size() ? "\n" : "");
    }
    return text;
  }

  // A "pen.dat" penalty line.
  static std::string pen_line(int penalty_number, int standard_number, char letter, const std::string& text) {
    return format("%5d%2d%1d%2d%5d%5d %c", penalty_number, 0, 0, 0, 0, standard_number, letter) + text + "\n";
  }

  static std::string dataflow_item(int procedure, int block, int kind, const std::string& name) {
    return record(1, procedure, 312) + format("%6d%6d%7d%2d%4d", 1, 0, block, kind, 1) + name + "\n";
  }

  static std::string ur_anomaly(int procedure, int undefined_line, int referenced_line, const std::string& name) {
    return record(1, procedure, 316) + format(" %d %d%7d%7d%3d ", 1, 0, undefined_line, referenced_line,
                                              static_cast<int>(name.size())) +
           name + "\n";
  }

  // A whole-file context of the reformatted file.
  sorvi::AnnotationContext* ref_context(int flags, bool coverage_mode = false, bool pass_fail = false) {
    return keep(sorvi::CreateAnnotationContext(ref_path(), -1, -1, source_path(), "", nullptr, false, false,
                                               coverage_mode, false, false, "", flags, pass_fail));
  }

  // A listing of the source file with its violations.
  sorvi::AnnotationContext* listing_context() {
    return keep(sorvi::CreateAnnotationContext(work("demo_1.sif"), -1, -1, source_path(), source_path(), nullptr,
                                               false, false, false, false, false, "", 0, false));
  }

  // A procedure-mode context of the procedure-code file.
  sorvi::AnnotationContext* procedure_context(int procedure, int first_block, int block_count) {
    sorvi::AnnotationContext* c = keep(sorvi::CreateAnnotationContext(
        work("demo_1.xtx"), procedure, first_block, source_path(), "", nullptr, false, false, false, false, false,
        "", 0, false));
    if (c) c->blockCount = block_count;
    return c;
  }
};

}  // namespace annotate_test
