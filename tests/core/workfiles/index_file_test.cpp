// The index file: its header rules, include records and the source map,
// the derived tables, and the mapping of reformatted lines to original
// files and lines.
#include "workfiles/index_file.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "base/allocation_faults.h"
#include "base/fatal_report.h"
#include "workfiles/work_file_opener.h"
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
    source_ = other("demo.c");
    sorvi_test::write_file(source_, "int main;\n");
    header_ = other("inc.h");
    sorvi_test::write_file(header_, "int x;\n");
  }

  // Writes demo_2.ndx and loads it for module 2.
  IndexRecord* load(const std::string& text, int* status = nullptr) {
    sorvi_test::write_file(work("demo_2.ndx"), text);
    int s = -1;
    IndexRecord* record = read_index_file(source_.c_str(), "demo_2", 2, nullptr, &s);
    if (status) *status = s;
    return record;
  }

  struct Place {
    int depth;
    int line;
    std::string file;
  };
  Place place(int reformatted) {
    Place p{0, -1, ""};
    p.depth = get_original_line_and_file(reformatted, 2, &p.line, &p.file, nullptr, false, nullptr);
    return p;
  }

  std::string source_;
  std::string header_;
};

// ---- mapping --------------------------------------------------------------------

TEST_F(IndexTest, FileWithoutIncludesMapsEveryLineToItself) {
  IndexRecord* r = load(index_text("\"" + source_ + "\"", {}, straight_table(1, 30)));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->n, 35);
  EXPECT_EQ(r->max_line, 30);
  EXPECT_EQ(r->line_table.size(), 40u);
  EXPECT_EQ(r->line_table.back(), 30);
  for (int line = 1; line <= 30; ++line) {
    const Place p = place(line + 5);
    EXPECT_EQ(p.depth, 0);
    EXPECT_EQ(p.line, line);
    EXPECT_EQ(p.file, source_);
  }
  for (int header = 1; header <= 5; ++header) {
    EXPECT_EQ(place(header).line, 0);
    EXPECT_EQ(place(header).file, source_);
    EXPECT_EQ(original_line_of(header, 2), 0);
  }
  EXPECT_EQ(original_line_of(20, 2), 15);
  EXPECT_EQ(original_line_of(41, 2), 1) << "beyond the table: unknown, not a header line";
  EXPECT_EQ(original_line_of(0, 2), 1);
}

TEST_F(IndexTest, IncludeInsideTheMainFileShiftsTheLinesAfterIt) {
  IndexRecord* r = load(index_text(source_, {{10, 19, header_}}, straight_table(1, 40)));
  ASSERT_NE(r, nullptr);
  ASSERT_EQ(r->file_limits.size(), 2u);
  EXPECT_EQ(r->file_limits[1].depth, 1);
  EXPECT_EQ(r->file_limits[1].sequence, 1);
  EXPECT_EQ(r->file_limits[1].is_file, 1);
  // Flattened line 25 (reformatted line 30) is line 25 - 1 + 1 - 9 = 16 of the main file.
  Place p = place(30);
  EXPECT_EQ(p.depth, 0);
  EXPECT_EQ(p.line, 16);
  EXPECT_EQ(p.file, source_);
  // Inside the include.
  p = place(17);  // flattened 12
  EXPECT_EQ(p.depth, 1);
  EXPECT_EQ(p.line, 3);
  EXPECT_EQ(p.file, header_);
  EXPECT_EQ(place(15).file, header_) << "the include starts at its first flattened line";
  EXPECT_EQ(place(15).line, 1);
  EXPECT_EQ(place(24).line, 10);
  EXPECT_EQ(place(25).file, source_);
  EXPECT_EQ(place(25).line, 11);
  EXPECT_EQ(place(14).line, 9);

  EXPECT_EQ(original_file_of(17, 2, true), header_);
  EXPECT_EQ(original_file_of(17, 2, false), "inc.h");
  std::string directory;
  int is_file = -1;
  EXPECT_EQ(get_original_line_and_file(17, 2, nullptr, nullptr, &directory, false, &is_file), 1);
  EXPECT_EQ(directory, other(""));
  EXPECT_EQ(is_file, 1);
}

TEST_F(IndexTest, VanishedIncludeFallsToItsParent) {
  const std::string gone = other("gone.h");
  IndexRecord* r = load(index_text(source_, {{10, 19, gone}}, straight_table(1, 40)));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->file_limits.size(), 1u);
  EXPECT_EQ(r->include_starts, (std::vector<int>{10}));
  EXPECT_EQ(r->include_start_count, 1);
  const Place p = place(17);
  EXPECT_EQ(p.file, source_);
  EXPECT_EQ(p.line, 12);
  EXPECT_EQ(p.depth, 0);
}

TEST_F(IndexTest, IncludesStartingOnOneLineAreToldApartByOccurrence) {
  const std::string outer = other("outer.h"), inner = other("inner.h");
  sorvi_test::write_file(outer, "");
  sorvi_test::write_file(inner, "");
  // outer.h holds flattened 10-20 and begins with inner.h, 10-15; flattened
  // line 10 appears on two reformatted lines (15 and 16).
  std::vector<int> table = straight_table(1, 10);
  for (int v = 10; v <= 30; ++v) table.push_back(v);
  IndexRecord* r = load(index_text(source_, {{10, 20, outer}, {10, 15, inner}}, table));
  ASSERT_NE(r, nullptr);
  ASSERT_EQ(r->file_limits.size(), 3u);
  EXPECT_EQ(r->file_limits[1].depth, 1);
  EXPECT_EQ(r->file_limits[2].depth, 2);
  EXPECT_EQ(occurrence_count(*r, 15, 10), 1);
  EXPECT_EQ(occurrence_count(*r, 16, 10), 0);
  EXPECT_EQ(occurrence_count(*r, 17, 11), 0) << "not an include start";
  EXPECT_EQ(place(15).file, outer);
  EXPECT_EQ(place(15).depth, 1);
  EXPECT_EQ(place(16).file, inner);
  EXPECT_EQ(place(16).depth, 2);
  EXPECT_EQ(place(16).line, 1);
  // Flattened 17 (reformatted 23) is in outer.h after inner.h: 17 - 10 + 1 - 5.
  EXPECT_EQ(place(23).file, outer);
  EXPECT_EQ(place(23).line, 3);
  // Flattened 25 (reformatted 31) is in the main file after outer.h: 25 - 1 + 1 - 10.
  EXPECT_EQ(place(31).file, source_);
  EXPECT_EQ(place(31).line, 15);
}

TEST_F(IndexTest, LaterRecordWinsATieUnlessTheOccurrenceRulesItOut) {
  const std::string a = other("a.h"), b = other("b.h");
  sorvi_test::write_file(a, "");
  sorvi_test::write_file(b, "");
  IndexRecord* r = load(index_text(source_, {{10, 19, a}, {10, 19, b}}, straight_table(1, 30)));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(place(15).file, a) << "the first start of line 10 belongs to the first record";
  EXPECT_EQ(place(17).file, b);
  EXPECT_EQ(place(17).line, 3);
  EXPECT_EQ(place(17).depth, 2);
}

TEST_F(IndexTest, OccurrenceCountsARunOfOneStartLine) {
  std::vector<int> table = straight_table(1, 9);
  for (int i = 0; i < 3; ++i) table.push_back(10);
  table.push_back(11);
  IndexRecord* r = load(index_text(source_, {{10, 11, header_}}, table));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(occurrence_count(*r, 15, 10), 1);
  EXPECT_EQ(occurrence_count(*r, 16, 10), 2);
  EXPECT_EQ(occurrence_count(*r, 17, 10), 0);
  EXPECT_EQ(occurrence_count(*r, 3, 10), 0);
  EXPECT_EQ(occurrence_count(*r, 100, 10), 0);
}

TEST_F(IndexTest, ZeroEntriesBorrowFromTheNextLine) {
  std::vector<int> table = {0, 0, 0, 0, 0, 0, 2, 0, 4, 5};
  IndexRecord* r = load(index_text(source_, {}, table));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(flattened_line(*r, 6), 1);
  EXPECT_EQ(flattened_line(*r, 7), 2);
  EXPECT_EQ(flattened_line(*r, 8), 4);
  EXPECT_EQ(flattened_line(*r, 15), 5) << "the repeated last entry";
  EXPECT_EQ(flattened_line(*r, 16), 0);
  EXPECT_EQ(flattened_line(*r, 5), 0);
  EXPECT_EQ(flattened_line(*r, -3), 0);
}

TEST_F(IndexTest, ReverseTableAndReformattedLines) {
  // Flattened 2 appears twice; 3 and 4 are skipped; 6 is repeated by the
  // five trailing copies.
  IndexRecord* r = load(index_text(source_, {}, {0, 0, 0, 0, 0, 1, 2, 2, 5, 6}));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->reverse_table, (std::vector<int>{5, 6, 8, 8, 8, 9, 15}));
  EXPECT_EQ(reformatted_line_of(*r, 2), 8);
  EXPECT_EQ(reformatted_line_of(*r, 4), 8);
  EXPECT_EQ(reformatted_line_of(*r, 7), 0);

  // A repeated include start keeps its first reformatted line.
  IndexRecord* s = load(index_text(source_, {{2, 2, header_}}, {0, 0, 0, 0, 0, 1, 2, 2, 5, 6}));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->reverse_table, (std::vector<int>{5, 6, 7, 7, 7, 9, 15}));
}

TEST_F(IndexTest, BareIncludesAreNestedAndMissingFromTheTable) {
  const std::string shown = other("shown.h"), hidden = other("hidden.h");
  sorvi_test::write_file(shown, "");
  sorvi_test::write_file(hidden, "");
  std::vector<int> table = straight_table(1, 12);
  table.push_back(40);
  table.push_back(41);
  IndexRecord* r = load(index_text(source_, {{5, 30, shown}, {20, 25, hidden}, {50, 60, hidden}}, table));
  ASSERT_NE(r, nullptr);
  ASSERT_EQ(r->file_limits.size(), 4u);
  EXPECT_EQ(r->file_limits[1].bare, 0) << "its start is in the table";
  EXPECT_EQ(r->file_limits[2].bare, 1);
  EXPECT_EQ(r->file_limits[2].depth, 2);
  EXPECT_EQ(r->file_limits[3].bare, 1);
  EXPECT_EQ(r->file_limits[0].bare, 0);
}

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
      if (r->file_limits[j].start >= r->file_limits[i].start && r->file_limits[j].end <= r->file_limits[i].end) {
        ++expected;
      }
    }
    EXPECT_EQ(r->file_limits[j].depth, expected) << "record " << j;
  }
}

// ---- header rules ---------------------------------------------------------------

TEST_F(IndexTest, SourceNameFromTheFirstLine) {
  struct Case {
    std::string first_line;
    std::string caller;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"\"/a b/x.c\" trailing words", "/s/demo.c", "/a b/x.c"},
      {"\"/a b/x.c", "/s/demo.c", "/s/demo.c"},    // no closing quote
      {"\"/a b/x.c", "/s/demo", "/s/demo.c"},      // the caller's name gets ".c"
      {"/s/DEMO.C rest", "/s/demo.c", "/s/DEMO.C"},  // equal without regard to case
      {"/t/other.c", "/s/demo.c", "/s/demo.c"},    // differs from a name with an extension
      {"/t/other.c", "/s/demo", "/t/other.c"},     // the caller's name has no extension
      {"/t/noext", "/s/demo.cpp", "/s/demo.cpp"},  // no extension
      {"/t/dot.", "/s/demo.cpp", "/s/demo.cpp"},   // an empty extension
      {"", "/s/demo", "/s/demo.c"},
  };
  for (const Case& c : cases) {
    reset_index_records();
    sorvi_test::write_file(work("demo_2.ndx"), index_text(c.first_line, {}, straight_table(1, 3)));
    int status = -1;
    IndexRecord* r = read_index_file(c.caller.c_str(), "demo_2", 2, nullptr, &status);
    ASSERT_NE(r, nullptr) << c.first_line;
    EXPECT_EQ(r->main_file(), c.expected) << c.first_line;
  }
}

TEST_F(IndexTest, ForwardSlashSwitchRewritesQuotedNames) {
  use_profile("WRITE_FILES_FSLASH=T\n");
  IndexRecord* r = load(index_text("\"/a/b.c\"", {}, straight_table(1, 3)));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->main_file(), "\\a\\b.c");
}

TEST_F(IndexTest, HeaderTextsKeepThirtyCharacters) {
  const std::string long_text(45, 'h');
  IndexRecord* r = load(index_text(source_, {}, straight_table(1, 3), long_text, "short\r"));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->header1, std::string(30, 'h'));
  EXPECT_EQ(r->header2, "short");
  EXPECT_EQ(*r->work_directory, work_dir_);
  EXPECT_EQ(r->module_number, 2);
}

TEST_F(IndexTest, IncludePathsLoseLeadingBlanksAndOverlongOnesAreDropped) {
  const std::string padded = "  " + header_;
  const std::string overlong = std::string(600, '/');
  IndexRecord* r = load(index_text(source_, {{3, 4, padded}, {6, 7, overlong}}, straight_table(1, 10)));
  ASSERT_NE(r, nullptr);
  ASSERT_EQ(r->file_limits.size(), 2u);
  EXPECT_EQ(r->file_limits[1].file_name, header_);
  EXPECT_EQ(r->include_starts, (std::vector<int>{3, 6}));
}

// ---- the source map ---------------------------------------------------------------

TEST_F(IndexTest, SourceMapDecidesWhichIncludesAreKept) {
  const std::string absent = other("sys/absent.h");
  sorvi_test::write_file(work("demo_2.smi"),
                         "10 0 " + absent + "\n"      // absolute: equal to the include's path
                         "30 1 inc\n"                 // relative: within the include's file name
                         "not a record\n"
                         "50 2 /elsewhere/inc.h\n");  // absolute and different
  IndexRecord* r = load(index_text(source_, {{10, 12, absent}, {30, 32, header_}, {50, 52, header_},
                                             {70, 72, header_}},
                                   straight_table(1, 80)));
  ASSERT_NE(r, nullptr);
  ASSERT_EQ(r->file_limits.size(), 3u);
  EXPECT_EQ(r->file_limits[1].file_name, absent);
  EXPECT_EQ(r->file_limits[1].is_file, 0);
  EXPECT_EQ(r->file_limits[2].file_name, header_);
  EXPECT_EQ(r->file_limits[2].start, 30);
  EXPECT_EQ(r->include_start_count, 4);
}

TEST_F(IndexTest, SourceMapAbsolutePathsMatchWithoutRegardToCase) {
  std::string shouted = header_;
  for (char& c : shouted) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  sorvi_test::write_file(work("demo_2.smi"), "10 0 " + shouted + "\r\n");
  IndexRecord* r = load(index_text(source_, {{10, 12, header_}}, straight_table(1, 20)));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->file_limits.size(), 2u);
}

// ---- where the index comes from ---------------------------------------------------

TEST_F(IndexTest, StemFromTheModuleNumberOrTheRegistry) {
  sorvi_test::write_file(work("demo_3.ndx"), index_text(source_, {}, straight_table(1, 3)));
  int status = -1;
  IndexRecord* r = read_index_file(source_.c_str(), nullptr, 3, nullptr, &status);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(status, kIndexLoaded);
  EXPECT_EQ(r->module_number, 3);

  // Module number 0: the registry's stem; the module number of the name in line 1.
  char line[64];
  std::snprintf(line, sizeof line, "%5d%5d%5d%s 0 2\n%5d%5d%5d%s 0 2\n", 1, 1, 4, "util", 2,
                name_checksum(source_.c_str()), 4, "demo");
  sorvi_test::write_file(work("staticid.dat"), line);
  sorvi_test::write_file(work("demo_2.ndx"), index_text(source_, {}, straight_table(1, 3)));
  r = read_index_file(source_.c_str(), nullptr, 0, nullptr, &status);
  EXPECT_EQ(status, kIndexLoaded);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->module_number, 2);
  EXPECT_EQ(r->n, 8);
}

TEST_F(IndexTest, IndexHeldOnlyInTheGlhFileIsReadInPlace) {
  const std::string text = index_text(source_, {{10, 19, header_}}, straight_table(1, 40));
  std::vector<std::string> entries;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find('\n', at);
    entries.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  {
    sorvi_sample::GlhWriter w(work("demo_2.glh"));  // the default GLH file of the stem
    w.add_work_file(source_, "demo_2.ndx", {entries, false, {}, {}});
    ASSERT_TRUE(w.close());
  }
  const int before = workfiles_test::directory_entries(work_dir_);
  int status = -1, file_status = -1, repository_status = -1;
  IndexRecord* r = read_index_file(source_.c_str(), "demo_2", 2, nullptr, &status, &file_status, &repository_status);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(status, kIndexLoaded);
  EXPECT_EQ(file_status, kStatusNotTried);
  EXPECT_EQ(repository_status, kStatusOpened);
  EXPECT_EQ(workfiles_test::directory_entries(work_dir_), before);
  EXPECT_EQ(place(30).line, 16);
}

TEST_F(IndexTest, NothingToOpenGivesStatusOne) {
  int status = -1, file_status = -1, repository_status = -1;
  EXPECT_EQ(read_index_file(source_.c_str(), "demo_9", 9, nullptr, &status, &file_status, &repository_status),
            nullptr);
  EXPECT_EQ(status, kIndexNotOpened);
  EXPECT_EQ(file_status, kFileOpenFailed);
  EXPECT_EQ(repository_status, kRepositoryNoDataset);
  EXPECT_EQ(read_index_file("", "demo_2", 2, nullptr, &status), nullptr);
  EXPECT_EQ(status, kIndexNotOpened);
  EXPECT_EQ(read_index_file(nullptr, nullptr, 0, nullptr, &status), nullptr);
  EXPECT_EQ(status, kIndexNotOpened);
}

// ---- damaged files ----------------------------------------------------------------

TEST_F(IndexTest, DamagedFilesEndWithStatusTwoAndKeepNothing) {
  const std::string good = index_text(source_, {{10, 19, header_}}, straight_table(1, 40));
  const std::string counts_head = source_ + "\nh1\nh2\n";
  const std::vector<std::string> damaged = {
      "",                                                      // no first line
      source_ + "\nonly one header\n",                         // a header line missing
      counts_head,                                             // no include count
      counts_head + "x\n",                                     // the count is no number
      counts_head + "-1\n0\n",                                 // a negative count
      counts_head + "3\n10 19 5 /a.h\n",                       // more includes than records
      counts_head + "1\n10 19\n1\n6\n",                        // an include without its name
      counts_head + "1\n10 19 90 /a.h\n",                      // a name running past the end
      counts_head + "0\n",                                     // no table count
      counts_head + "0\n2000000000\n0 0 0 0 0 1 2\n",          // a table count beyond the data
      counts_head + "0\n4\n0 0 -7 1\n",                        // a negative line
      counts_head + "0\n3\n0 0 12abc\n",                       // junk in a number
      counts_head + "0\n1\n99999999999\n",                     // a number beyond int
      good.substr(0, good.size() / 2),                         // cut short
  };
  for (const std::string& text : damaged) {
    int status = -1;
    EXPECT_EQ(load(text, &status), nullptr) << text;
    EXPECT_EQ(status, kIndexFormatError) << text;
  }
  EXPECT_TRUE(index_records().empty());
}

TEST_F(IndexTest, HugeFlattenedLinesDoNotSizeTheReverseTable) {
  IndexRecord* r = load(index_text(source_, {}, {0, 0, 0, 0, 0, 1, 2000000000}));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->max_line, 2000000000);
  EXPECT_EQ(r->reverse_table.size(), static_cast<size_t>(kMaxReverseLine) + 1);
  EXPECT_EQ(reformatted_line_of(*r, 2000000000), 12);
  EXPECT_EQ(place(7).line, 2000000000);
}

TEST_F(IndexTest, MemoryOverflowIsReportedAndNothingKept) {
  const std::string text = index_text(source_, {{10, 19, header_}}, straight_table(1, 40));
  const std::vector<std::string> messages = {
      "Error in adding new index record - memory overflow",
      "Error in adding new file limits record - memory overflow",
      "Error in adding new file name string from index file - memory overflow",
      "Error in adding new file limits record - memory overflow",
      "Error in adding new index table - memory overflow",
      "Error in adding new index table - memory overflow",
  };
  for (size_t i = 0; i < messages.size(); ++i) {
    sorvi_test::ReportCapture capture;
    fail_allocation_after(static_cast<int>(i));
    int status = -1;
    EXPECT_EQ(load(text, &status), nullptr);
    EXPECT_EQ(status, kIndexFormatError);
    ASSERT_EQ(capture.calls().size(), 1u) << i;
    EXPECT_EQ(capture.calls()[0].channel, 'B');
    EXPECT_EQ(capture.calls()[0].code, 100);
    EXPECT_EQ(capture.calls()[0].text, messages[i]);
    EXPECT_EQ(report_exit_status(), 14);
    reset_allocation_faults();
  }
  EXPECT_TRUE(index_records().empty());
}

// ---- the list of records ----------------------------------------------------------

TEST_F(IndexTest, RecordsAreKeptNewestFirstPerWorkDirectory) {
  sorvi_test::write_file(work("demo_3.ndx"), index_text(source_, {}, straight_table(1, 3)));
  IndexRecord* first = load(index_text(source_, {}, straight_table(1, 3)));
  IndexRecord* second = read_index_file(source_.c_str(), "demo_3", 3, nullptr, nullptr);
  IndexRecord* again = load(index_text(source_, {}, straight_table(5, 9)));
  ASSERT_TRUE(first && second && again);
  ASSERT_EQ(index_records().size(), 3u);
  EXPECT_EQ(&index_records().front(), again);
  EXPECT_EQ(find_index_record(2), again);
  EXPECT_EQ(find_index_record(3), second);
  EXPECT_EQ(find_index_record(4), nullptr);
  free_index_record(again);
  EXPECT_EQ(find_index_record(2), first);
  free_index_record(nullptr);
  EXPECT_EQ(index_records().size(), 2u);

  // Another work directory does not see them.
  profile_->rewrite("[C/C++ Vexa Kelvar]\nWORKDIR=" + other("") + "\n");
  EXPECT_EQ(find_index_record(2), nullptr);
  sorvi_test::ReportCapture capture;
  EXPECT_EQ(get_original_line_and_file(7, 2, nullptr, nullptr, nullptr, true, nullptr), -1);
  EXPECT_EQ(capture.lines(), "Cannot find module number 2 in records from index file\n");
  ASSERT_EQ(capture.calls().size(), 2u);
  EXPECT_EQ(capture.calls()[0].code, 101);
  EXPECT_EQ(capture.calls()[1].code, 2);
  EXPECT_EQ(original_file_of(7, 2, true), "File not found");
  EXPECT_EQ(original_line_of(7, 2), 1);
}

}  // namespace
}  // namespace sorvi
