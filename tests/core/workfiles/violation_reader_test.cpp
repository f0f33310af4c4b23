#include "standards/violation_reader.h"

#include "standards/penalty_catalogue.h"
#include "standards/report_config.h"
#include "workfiles/index_file.h"
#include "workfiles_fixture.h"

namespace {

using workfiles_test::field;
using workfiles_test::head;

constexpr int kCpp = 6;

// The index of a module whose reformatted lines 6-15 come from flattened
// lines 1, 2, 3, 10-15, 4, where the include spans flattened lines 10-15.
void write_demo_index(const std::string& path, const std::string& main, const std::string& include) {
  sorvi_test::write_file(path, "\"" + main + "\"\nh1\nh2\n1\n10 15 " + std::to_string(include.size()) + " " + include +
                                   "\n15\n0 0 0 0 0 1 2 3 10 11 12 13 14 15 4\n");
}

// A type-101 record.
std::string violation(int module, int procedure, int line, int standard, char letter, int text_switch = 0,
                      const std::string& text = "") {
  return head(module, procedure, 101) + std::string(12, '0') + field(line, 7) + field(0, 7) + field(0, 7) +
         field(standard, 7) + " " + letter + field(text_switch, 3) + text;
}

// A type-801 record of procedure 1, place module 0.
std::string related(int first_line, int second, int place_line, int violation_line, int standard, char letter) {
  return head(5, 1, 801) + std::string(12, '0') + field(first_line, 8) + " 0 " + std::to_string(second) + " " +
         std::to_string(place_line) + " 0 0 " + std::to_string(violation_line) + " " + std::to_string(standard) +
         " " + letter;
}

// A type-804 record.
std::string follow_up(int line, int standard, char letter) {
  return head(5, 0, 804) + std::string(12, '0') + field(line, 7) + " " + std::to_string(standard) + " " + letter + " 1";
}

class ViolationReaderTest : public workfiles_test::WorkfilesTest {
 protected:
  // A C++ catalogue ("pen.dat" lines: fixed columns 1-22, then the text)
  // and a report configuration without a model that reports every listed
  // standard but 40 S.
  void load_standards(const std::string& profile_lines) {
    use_profile(profile_lines);
    std::string pen = "8\n";
    int number = 0;
    for (const auto& s : std::vector<std::pair<int, char>>{{12, 'S'}, {3, 'Q'}, {20, 's'}, {40, 'S'}, {7, 'D'},
                                                             {50, 'S'}, {1, 'S'}, {113, 'S'}}) {
      char columns[64];
      std::snprintf(columns, sizeof columns, "%5d%2d%1d%2d%5d%5d %c", ++number, 0, 0, 0, s.first == 50 ? 10 : 0,
                    s.first, s.second);
      pen += columns + std::string(s.first == 50 ? "Parameter *** limit\n" : "Standard text\n");
    }
    sorvi_test::write_file(work("cpppen.dat"), pen);
    sorvi_test::write_file(work("cppreport.dat"), "# report\n \"MISRA-C:2004\"\n ----\n 12 S M a\n 3 Q M b\n 20 S M c\n"
                                                  " 7 D M d\n 50 S M e\n 1 S M f\n 113 S M g\n 2000\n ----\n");
    ASSERT_EQ(sorvi::load_penalty_catalogue(kCpp, work("cpppen.dat").c_str(), false, false, nullptr),
              sorvi::kPenaltiesLoaded);
    ASSERT_EQ(sorvi::load_report_configuration(work("cppreport.dat").c_str(), kCpp, nullptr, nullptr),
              sorvi::kReportLoaded);
  }
};

// Work files -> "result L[line violations] P[procedure violations]".
TEST_F(ViolationReaderTest, ViolationsAsDumped) {
  using Files = std::vector<std::pair<std::string, std::vector<std::string>>>;
  struct Row {
    Files files;  // the first names the stem (none: "absent")
    std::string expected;
    int procedure = 0;
    bool index = false;           // with demo_5's index (below)
    std::string filter = "";      // "main" or "inc": that file of the index
    std::string system = "";
    std::string profile = "";     // profile lines
    bool blocks = false;          // with a block table whose procedure 2 ends at line 12
  };
  const std::string main = work("demo.c"), inc = work("inc.h");
  sorvi_test::write_file(main, "int main;\n");
  sorvi_test::write_file(inc, "int x;\n");
  write_demo_index(work("demo_5.ndx"), main, inc);
  const Files demo = {{"demo_5.sif", {violation(5, 1, 15, 12, 'S'),   // main file line 4
                                      violation(5, 1, 11, 12, 'S'),   // include line 3
                                      violation(5, 1, 7, 12, 'S'),    // main file line 2
                                      violation(5, 1, 12, 3, 'Q'),    // flattened 12: reformatted 11, include
                                      violation(5, 1, 2, 20, 'S'),    // "s" standard, flattened 2: reformatted 7
                                      violation(5, 1, 1, 113, 'S'),   // flattened 1: reformatted 6
                                      violation(5, 2, 0, 7, 'D')}}};  // procedure 2 ends at reformatted 12
  const Files zeros = {{"zero.sif", {violation(5, 1, 7, 12, 'S'), violation(5, 1, 3, 12, 'S'),
                                     violation(5, 1, 2, 12, 'S'), violation(5, 1, 6, 12, 'S'),
                                     violation(5, 1, 2, 12, 'S')}}};
  const Files procs = {{"p.sif", {violation(5, 3, 0, 12, 'S'), violation(5, 1, 0, 7, 'D'), violation(5, 3, 0, 7, 'D'),
                                  violation(5, 0, 0, 12, 'S'),   // no line, no procedure: main list
                                  violation(5, 1, 12, 40, 'S'),  // switched off
                                  violation(5, 1, -4, 12, 'S'),  // negative line
                                  violation(5, 2, 0, 12, 'S')}}};
  const Files system = {{"s.sif", {violation(4, 1, 5, 12, 'S')}},
                        {"sys.xfs", {violation(0, 1, 6, 12, 'S'), violation(9, 1, 7, 12, 'S')}},
                        {"sys.sfs", {violation(4, 1, 8, 12, 'S')}}};
  const std::string headers = "STANDARDS_REPORT_HEADERS=S\n";
  const std::vector<Row> rows = {
      // Standard number 0 has no letter and no text, also when the line cuts its field.
      {{{"z.sif", {violation(5, 0, 8, 0, 'S', 1, "ignored text"),
                   head(5, 0, 101) + std::string(12, '0') + field(9, 7) + field(0, 14) + "   12"}}},
       "1 L[8 0- 5/0, 9 0- 5/0] P[]"},
      // Line order; letters upper-cased; duplicates (same line, letter, standard and texts) merged.
      {{{"d.sif", {violation(5, 1, 30, 12, 'S'), violation(5, 1, 10, 12, 's'), violation(5, 1, 20, 7, 'D'),
                   violation(5, 1, 10, 12, 'S'), violation(5, 1, 10, 12, 'S', 1, "Other analysis text"),
                   violation(5, 2, 10, 7, 'D')}}},
       "1 L[10 12S 5/1, 10 12S 5/1 \"Other analysis text\", 10 7D 5/2, 20 7D 5/1, 30 12S 5/1] P[]"},
      // The text switch decides whether the analysis text is used.
      {{{"t.sif", {violation(5, 1, 10, 12, 'S', 0, "Another text"), violation(5, 1, 11, 12, 'S', 1, "Another text ")}}},
       "1 L[10 12S 5/1, 11 12S 5/1 \"Another text\"] P[]"},
      {procs, "1 L[0 12S 5/0] P[0 7D 5/1, 0 12S 5/2, 0 12S 5/3, 0 7D 5/3]"},
      {procs, "1 L[] P[0 12S 5/3, 0 7D 5/3]", 3},
      // The files in order; the reading's module is the first non-zero one; other modules are dropped.
      {{{"m.sif", {violation(0, 1, 5, 12, 'S'), head(0, 0, 999) + "other"}},
        {"m.pf1", {violation(7, 1, 6, 12, 'S'), violation(8, 1, 7, 12, 'S')}},
        {"m.pfj", {violation(0, 1, 8, 12, 'S')}},
        {"m.pf4", {violation(7, 1, 9, 12, 'S')}},  // not a violation file
        {"m.pf5", {violation(7, 1, 10, 12, 'S')}}},
       "1 L[5 12S 0/1, 6 12S 7/1, 8 12S 7/1, 10 12S 7/1] P[]"},
      {{}, "0 L[] P[]"},  // no file opens
      // System files keep module 0; without a system name they are not read.
      {system, "1 L[5 12S 4/1, 6 12S 0/1, 8 12S 4/1] P[]", 0, false, "", "sys"},
      {system, "1 L[5 12S 4/1] P[]"},
      // A follow-up stands in for the violation directly before it (not
      // for another standard, after another record or a dropped duplicate).
      {{{"u.sif", {violation(5, 1, 10, 12, 'S'), follow_up(10, 12, 's'), violation(5, 1, 20, 12, 'S'),
                   follow_up(20, 7, 'D'), violation(5, 1, 30, 12, 'S'), head(5, 1, 999), follow_up(30, 12, 'S'),
                   violation(5, 1, 10, 12, 'S'), follow_up(10, 12, 'S'), violation(5, 4, 0, 7, 'D'),
                   follow_up(0, 7, 'D')}}},
       "1 L[10 12S 5/1 f10s1, 20 12S 5/1, 30 12S 5/1] P[0 7D 5/4 f0D1]"},
      // Related places attach to the first matching violation, the newest first.
      {{{"r.sif", {violation(5, 1, 10, 12, 'S'), violation(5, 1, 10, 12, 'S', 1, "Second text"),
                   violation(5, 1, 15, 7, 'D'),
                   related(10, 1, 25, 10, 12, 'S'),     // attached, target 25
                   related(31, 1, 10, 10, 12, 'S'),     // place = own line: target 31
                   related(10, 1, 10, 10, 12, 'S'),     // target = own line, same module: dropped
                   related(10, 0, 0, 10, 12, 'S'),      // second and third below 1: ignored
                   related(15, 1, 40, 0, 7, 'D'),       // letter-D rule, target 40
                   related(15, 1, 6, 0, 7, 'D'),        // letter-D rule with target 6: dropped
                   related(10, 1, 99, 11, 12, 'S')}}},  // no violation at 11
       "1 L[10 12S 5/1 r5:31>10:12S r5:10>25:12S, 10 12S 5/1 \"Second text\", 15 7D 5/1 r5:15>40:7D] P[]"},
      // With the index: flattened standards give reformatted lines.
      {demo, "1 L[6 113S 5/1, 7 12S 5/1, 7 20S 5/1, 11 12S 5/1, 11 3Q 5/1, 15 12S 5/1] P[0 7D 5/2]", 0, true},
      // Violations in excluded files (the include, also procedure 2's last line) are dropped.
      {demo, "1 L[6 113S 5/1, 7 12S 5/1, 7 20S 5/1, 15 12S 5/1] P[]", 0, true, "", "", headers, true},
      // A file filter keeps that file in source-line order; a procedure violation is kept whatever its file.
      {demo, "1 L[6 113S 5/1 @1, 7 12S 5/1 @2, 7 20S 5/1 @2, 15 12S 5/1 @4] P[0 7D 5/2 @0]", 0, true, "main"},
      {demo, "1 L[11 12S 5/1 @3, 11 3Q 5/1 @3] P[0 7D 5/2 @0]", 0, true, "inc"},
      // Header lines have source line 0 and go first, later ones before
      // earlier; with a filter there is no duplicate test.
      {zeros, "1 L[2 12S 5/1 @0, 2 12S 5/1 @0, 3 12S 5/1 @0, 6 12S 5/1 @1, 7 12S 5/1 @2] P[]", 0, true, "main"},
      {zeros, "1 L[2 12S 5/1, 3 12S 5/1, 6 12S 5/1, 7 12S 5/1] P[]", 0, true},
      // A filter on an excluded file gives the placeholder.
      {demo, "1 L[1 1S 0/0 \"\" +\"\" @1 x] P[]", 0, true, "inc", "", headers},
      // The parameter figure of the last kept record goes to the catalogue (below).
      {{{"f.sif", {violation(5, 1, 10, 50, 'S', 1, "Parameter 20 limit"),
                   violation(5, 1, 11, 50, 'S', 1, "Parameter 30 limit"),
                   violation(5, 1, -1, 50, 'S', 1, "Parameter 99 limit")}}},
       "1 L[10 50S 5/1, 11 50S 5/1] P[]"},
  };
  const auto table = workfiles_test::block_table({{false, false, {{6, 8}}}, {false, false, {{9, 12}}}});
  for (const Row& row : rows) {
    load_standards(row.profile);
    for (const auto& file : row.files) write_work(file.first, workfiles_test::lines(file.second));
    int status = -1;
    const sorvi::IndexRecord* index =
        row.index ? sorvi::read_index_file(main.c_str(), work("demo_5").c_str(), 5, nullptr, &status) : nullptr;
    sorvi::ViolationReadContext context{kCpp, nullptr, nullptr, row.blocks ? &table : nullptr};
    const std::string filter = row.filter == "main" ? main : row.filter == "inc" ? inc : "";
    const std::string stem = row.files.empty() ? "absent" : row.files[0].first.substr(0, row.files[0].first.find('.'));
    sorvi::violation_list line_list(1), procedure_list(1);  // stale entries
    const bool ok = sorvi::read_violations(stem.c_str(), line_list, procedure_list, row.procedure, index,
                                           filter.c_str(), row.system.c_str(), context);
    EXPECT_EQ(std::to_string(ok) + " L[" + workfiles_test::dump_violations(line_list, !filter.empty()) + "] P[" +
                  workfiles_test::dump_violations(procedure_list, !filter.empty()) + "]",
              row.expected)
        << stem;
  }
  const sorvi::PenaltyEntry* e = sorvi::penalty_entry(kCpp, sorvi::find_penalty_entry('S', 50, kCpp));
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->text + " " + std::to_string(e->parameter), "Parameter 30 limit 30");
}

}  // namespace
