// The index file: its header rules, include records and the source map,
// the derived tables, and the mapping of reformatted lines to original
// files and lines.
#include "workfiles/index_file.h"

#include <random>

#include "workfiles_fixture.h"

namespace sorvi {
namespace {

struct Include {
  int start;
  int end;
  std::string path;
};

// An index file as the suite writes it.
std::string index_text(const std::string& name_line, const std::vector<Include>& includes,
                       const std::vector<int>& table, const std::string& header1 = "Kelvar index",
                       const std::string& header2 = "second header") {
  std::string text = name_line + "\n" + header1 + "\n" + header2 + "\n" + std::to_string(includes.size()) + "\n";
  for (const Include& inc : includes) {
    text += std::to_string(inc.start) + " " + std::to_string(inc.end) + " " + std::to_string(inc.path.size()) + " " +
            inc.path + "\n";
  }
  text += std::to_string(table.size()) + "\n";
  for (size_t i = 0; i < table.size(); ++i) text += std::to_string(table[i]) + (i % 10 == 9 ? "\n" : " ");
  return text + "\n";
}

// Five header lines, then flattened lines first..last in order.
std::vector<int> straight_table(int first, int last) {
  std::vector<int> table(5, 0);
  for (int v = first; v <= last; ++v) table.push_back(v);
  return table;
}

class IndexTest : public workfiles_test::WorkfilesTest {
 protected:
  void SetUp() override {
    WorkfilesTest::SetUp();
    sorvi_test::write_file(source_ = other("demo.c"), "int main;\n");
    sorvi_test::write_file(header_ = other("inc.h"), "int x;\n");
  }

  // Writes demo_2.ndx and loads it for module 2.
  IndexRecord* load(const std::string& text, int* status = nullptr) {
    sorvi_test::write_file(work("demo_2.ndx"), text);
    int s = -1;
    IndexRecord* record = read_index_file(source_.c_str(), "demo_2", 2, nullptr, &s);
    if (status) *status = s;
    return record;
  }

  // A path below the "other" directory without that directory.
  std::string shown(const std::string& path) const {
    return path.rfind(other(""), 0) == 0 ? path.substr(other("").size()) : path;
  }

  // "file:line:depth" of a reformatted line of module 2.
  std::string place(int reformatted) {
    int line = -1;
    std::string file;
    const int depth = get_original_line_and_file(reformatted, 2, &line, &file, nullptr, false, nullptr);
    return shown(file) + ":" + std::to_string(line) + ":" + std::to_string(depth);
  }

  // The record: entries read and in the table, largest flattened line,
  // header texts, every kept file as "name:start-end/depth sequence [bare]
  // [is a file]" (the main file's end as $), the listed include starts.
  std::string dump(const IndexRecord& r) {
    std::ostringstream out;
    out << "n" << r.n << " table" << r.line_table.size() << "/" << r.line_table.back() << " max" << r.max_line << " ["
        << r.header1 << "|" << r.header2 << "]";
    for (const FileLimits& f : r.file_limits) {
      out << " " << shown(f.file_name) << ":" << f.start << "-" << (f.end == kMainFileEnd ? "$" : std::to_string(f.end))
          << "/" << f.depth << "s" << f.sequence << (f.bare ? "b" : "") << (f.is_file ? "f" : "");
    }
    out << " starts";
    for (int s : r.include_starts) out << " " << s;
    out << " rev" << r.reverse_table.size();
    return out.str();
  }

  std::string source_;
  std::string header_;
};

// ---- records and mapping -----------------------------------------------------------

// Index text and source map ("@" stands for the "other" directory, where
// gone.h and sys/absent.h do not exist) -> the record's dump, then
// "line=file:line:depth" of the reformatted lines asked, then
// "flattened<reformatted line" of the flattened lines asked back.
TEST_F(IndexTest, RecordsAndPlacesAsDumped) {
  struct Row {
    std::vector<Include> includes;
    std::vector<int> table;
    std::vector<int> asked;
    std::string expected;
    std::string smi = "";
    std::vector<int> back = {};
    std::string header1 = "Kelvar index", header2 = "second header";
  };
  std::vector<int> one_start = straight_table(1, 10), bare = straight_table(1, 12);
  for (int v = 10; v <= 30; ++v) one_start.push_back(v);
  bare.insert(bare.end(), {40, 41});
  const std::string h = " [Kelvar index|second header] demo.c:1-$/0s0f";
  const std::vector<Row> rows = {
      // Header lines map to line 0 of the main file.
      {{}, straight_table(1, 30), {1, 5, 6, 20, 35},
       "n35 table40/30 max30" + h + " starts rev31 | 1=demo.c:0:0 5=demo.c:0:0 6=demo.c:1:0 20=demo.c:15:0 "
       "35=demo.c:30:0"},
      // An entry of 0 borrows from the next line (line 6: 1); the last entry repeats.
      {{}, {0, 0, 0, 0, 0, 0, 2, 0, 4, 5}, {5, 6, 7, 8, 15, 16}, "n10 table15/5 max5" + h +
       " starts rev6 | 5=demo.c:0:0 6=demo.c:1:0 7=demo.c:2:0 8=demo.c:4:0 15=demo.c:5:0 16=demo.c:0:0"},
      // Flattened 2 appears twice; 3 and 4 are skipped; 6 is repeated by the
      // five trailing copies. A repeated include start keeps its first line.
      {{}, {0, 0, 0, 0, 0, 1, 2, 2, 5, 6}, {}, "n10 table15/6 max6" + h + " starts rev7 | 1<6 2<8 4<8 5<9 6<15 7<0", "",
       {1, 2, 4, 5, 6, 7}},
      {{{2, 2, "@inc.h"}}, {0, 0, 0, 0, 0, 1, 2, 2, 5, 6}, {},
       "n10 table15/6 max6" + h + " inc.h:2-2/1s1f starts 2 rev7 | 1<6 2<7 4<7 5<9 6<15 7<0", "", {1, 2, 4, 5, 6, 7}},
      // Huge flattened lines do not size the reverse table; lines beyond it are found by scanning.
      {{}, {0, 0, 0, 0, 0, 1, 2000000000}, {7}, "n7 table12/2000000000 max2000000000" + h +
       " starts rev16777217 | 7=demo.c:2000000000:0 2000000000<12", "", {2000000000}},
      // An include inside the main file shifts the lines after it.
      {{{10, 19, "@inc.h"}}, straight_table(1, 40), {14, 15, 17, 24, 25, 30},
       "n45 table50/40 max40" + h + " inc.h:10-19/1s1f starts 10 rev41 | "
       "14=demo.c:9:0 15=inc.h:1:1 17=inc.h:3:1 24=inc.h:10:1 25=demo.c:11:0 30=demo.c:16:0"},
      // A vanished include falls to its parent.
      {{{10, 19, "@gone.h"}}, straight_table(1, 40), {17},
       "n45 table50/40 max40" + h + " starts 10 rev41 | 17=demo.c:12:0"},
      // Includes starting on one line are told apart by occurrence: flattened
      // 10 is on reformatted lines 15 (outer.h) and 16 (inner.h).
      {{{10, 20, "@outer.h"}, {10, 15, "@inner.h"}}, one_start, {15, 16, 23, 31},
       "n36 table41/30 max30" + h + " outer.h:10-20/1s1f inner.h:10-15/2s2f starts 10 10 rev31 | "
       "15=outer.h:1:1 16=inner.h:1:2 23=outer.h:3:1 31=demo.c:15:0"},
      // A tie: the first start belongs to the first record, then the later record wins.
      {{{10, 19, "@a.h"}, {10, 19, "@b.h"}}, straight_table(1, 30), {15, 17},
       "n35 table40/30 max30" + h + " a.h:10-19/1s1f b.h:10-19/2s2f starts 10 10 rev31 | 15=a.h:1:1 17=b.h:3:2"},
      // Nested includes whose start and end are missing from the table are bare.
      {{{5, 30, "@outer.h"}, {20, 25, "@inner.h"}, {50, 60, "@inner.h"}}, bare, {},
       "n19 table24/41 max41" + h +
           " outer.h:5-30/1s1f inner.h:20-25/2s2bf inner.h:50-60/1s3bf starts 5 20 50 rev42 |"},
      // Include paths lose leading blanks; overlong ones are dropped; header texts keep 30 characters.
      {{{3, 4, "  @inc.h"}, {6, 7, std::string(600, '/')}}, straight_table(1, 10), {},
       "n15 table20/10 max10 [hhhhhhhhhhhhhhhhhhhhhhhhhhhhhh|short] demo.c:1-$/0s0f inc.h:3-4/1s1f starts 3 6 rev11 |",
       "", {}, std::string(45, 'h'), "short\r"},
      // A source map keeps an absolute path equal to the include's (without
      // regard to case), or a relative one within its file name; not a
      // different absolute path nor an unlisted include.
      {{{10, 12, "@sys/absent.h"}, {30, 32, "@inc.h"}, {50, 52, "@inc.h"}, {70, 72, "@inc.h"}},
       straight_table(1, 80), {},
       "n85 table90/80 max80" + h + " sys/absent.h:10-12/1s1 inc.h:30-32/1s2f starts 10 30 50 70 rev81 |",
       "10 0 @sys/absent.h\n30 1 inc\nnot a record\n50 2 /elsewhere/inc.h\n"},
      {{{10, 12, "@inc.h"}}, straight_table(1, 20), {},
       "n25 table30/20 max20" + h + " inc.h:10-12/1s1f starts 10 rev21 |",
       "10 0 @INC.H\r\n"},
  };
  for (const char* name : {"outer.h", "inner.h", "a.h", "b.h"}) sorvi_test::write_file(other(name), "");
  auto at_other = [this](std::string text) {
    for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@')) text.replace(at, 1, other(""));
    return text;
  };
  for (const Row& row : rows) {
    reset_index_records();
    std::remove(work("demo_2.smi").c_str());
    if (!row.smi.empty()) sorvi_test::write_file(work("demo_2.smi"), at_other(row.smi));
    std::vector<Include> includes = row.includes;
    for (Include& inc : includes) inc.path = at_other(inc.path);
    IndexRecord* r = load(index_text(source_, includes, row.table, row.header1, row.header2));
    ASSERT_NE(r, nullptr) << row.expected;
    std::string places;
    for (int line : row.asked) places += " " + std::to_string(line) + "=" + place(line);
    for (int v : row.back) places += " " + std::to_string(v) + "<" + std::to_string(reformatted_line_of(*r, v));
    EXPECT_EQ(dump(*r) + " |" + places, row.expected);
  }
}

// Every record's depth is the number of records before it that enclose its
// range, ties included (a naive count over random includes).
TEST_F(IndexTest, DepthCountsEveryEarlierEnclosingRecord) {
  std::mt19937 random(7);
  std::vector<Include> includes;
  for (int i = 0; i < 300; ++i) {
    const int start = static_cast<int>(random() % 200) + 1;
    includes.push_back({start, start + static_cast<int>(random() % 60), header_});
  }
  IndexRecord* r = load(index_text(source_, includes, straight_table(1, 300)));
  ASSERT_NE(r, nullptr);
  ASSERT_EQ(r->file_limits.size(), includes.size() + 1);
  for (size_t j = 0; j < r->file_limits.size(); ++j) {
    int expected = 0;
    for (size_t i = 0; i < j; ++i) {
      expected += r->file_limits[j].start >= r->file_limits[i].start && r->file_limits[j].end <= r->file_limits[i].end;
    }
    EXPECT_EQ(r->file_limits[j].depth, expected) << "record " << j;
  }
}

// ---- damaged files ----------------------------------------------------------------

TEST_F(IndexTest, DamagedFilesEndWithStatusTwoAndKeepNothing) {
  const std::string good = index_text(source_, {{10, 19, header_}}, straight_table(1, 40));
  const std::string counts_head = source_ + "\nh1\nh2\n";
  const std::vector<std::string> damaged = {
      "",                                              // no first line
      source_ + "\nonly one header\n",                 // a header line missing
      counts_head,                                     // no include count
      counts_head + "x\n",                             // the count is no number
      counts_head + "-1\n0\n",                         // a negative count
      counts_head + "3\n10 19 5 /a.h\n",               // more includes than records
      counts_head + "1\n10 19\n1\n6\n",                // an include without its name
      counts_head + "1\n10 19 90 /a.h\n",              // a name running past the end
      counts_head + "0\n",                             // no table count
      counts_head + "0\n2000000000\n0 0 0 0 0 1 2\n",  // a table count beyond the data
      counts_head + "0\n4\n0 0 -7 1\n",                // a negative line
      counts_head + "0\n3\n0 0 12abc\n",               // junk in a number
      counts_head + "0\n1\n99999999999\n",             // a number beyond int
      good.substr(0, good.size() / 2),                 // cut short
  };
  for (const std::string& text : damaged) {
    int status = -1;
    EXPECT_EQ(load(text, &status), nullptr) << text;
    EXPECT_EQ(status, kIndexFormatError) << text;
  }
  EXPECT_TRUE(index_records().empty());
}

}  // namespace
}  // namespace sorvi
