#include "workfiles/dataflow_reader.h"

#include <gtest/gtest.h>

#include "base/allocation_faults.h"
#include "base/fatal_report.h"
#include "work_readers_fixture.h"

namespace {

using sorvi::DataflowLists;
using work_readers_test::field;
using work_readers_test::head;
using work_readers_test::lines;
using work_readers_test::WorkReadersTest;

const std::string kSkip(12, '0');  // columns 13-24

// A type-312 item: block number in W + 1 characters, kind, a number, the name.
std::string item(int procedure, int block, int kind, const std::string& name, int w = 6) {
  return head(1, procedure, 312) + kSkip + field(block, w + 1) + field(kind, 2) + field(17, 4) + name;
}

// A type-316 anomaly: two integers, two 7-character lines, a counted name.
std::string anomaly(int procedure, int undefined_line, int referenced_line, const std::string& name) {
  return head(1, procedure, 316) + "     5     6" + field(undefined_line, 7) + field(referenced_line, 7) +
         field(static_cast<int>(name.size()), 3) + " " + name + "  trailing";
}

std::vector<std::string> names(const sorvi::dataflow_list& list) {
  std::vector<std::string> out;
  for (const auto& i : list) out.push_back(std::to_string(i.procedure_number) + "/" + std::to_string(i.block_number) +
                                           ":" + i.name);
  return out;
}

class DataflowReaderTest : public WorkReadersTest {};

TEST_F(DataflowReaderTest, ItemsAreOrderedByProcedureThenBlock) {
  write_work_file("d.sf3", lines({item(2, 3, 1, "late   "), item(1, 5, 1, "b5"), item(1, 2, 1, "b2"),
                                  item(1, 5, 1, "b5_second"), item(2, 1, 2, "use"), item(1, 9, 2, "use_first"),
                                  item(1, 4, 3, "kind three"), head(1, 1, 999) + "unknown type"}));
  DataflowLists lists;
  ASSERT_TRUE(sorvi::read_dataflow_file("d", nullptr, nullptr, 0, lists));
  EXPECT_EQ(names(lists.lastDefs), (std::vector<std::string>{"1/2:b2", "1/5:b5", "1/5:b5_second", "2/3:late"}));
  EXPECT_EQ(names(lists.firstUses), (std::vector<std::string>{"1/9:use_first", "2/1:use"}));
  EXPECT_TRUE(lists.urAnomalies.empty());
}

TEST_F(DataflowReaderTest, AProcedureFilterAndTheBlockWidth) {
  sorvi::set_line_number_width(4);
  write_work_file("w.sf3", lines({item(1, 12345, 1, "wide", 4), item(2, 7, 2, "other", 4)}));
  DataflowLists lists;
  ASSERT_TRUE(sorvi::read_dataflow_file("w", nullptr, nullptr, 1, lists));
  EXPECT_EQ(names(lists.lastDefs), (std::vector<std::string>{"1/12345:wide"}));
  EXPECT_TRUE(lists.firstUses.empty());
}

TEST_F(DataflowReaderTest, UrAnomaliesAscendByUndefinedLine) {
  write_work_file("u.sf3", lines({anomaly(1, 30, 31, "c"), anomaly(1, 10, -12, "neg"), anomaly(2, 20, 22, "bee"),
                                  anomaly(1, 10, 15, "again"),
                                  // A separator that is not a blank, and a line cut inside the name.
                                  head(1, 1, 316) + "     5     6" + field(5, 7) + field(6, 7) + "  3xabc",
                                  head(1, 1, 316) + "     5     6" + field(7, 7) + field(8, 7) + " 10 ab"}));
  DataflowLists lists;
  ASSERT_TRUE(sorvi::read_dataflow_file("u", nullptr, nullptr, 0, lists));
  ASSERT_EQ(lists.urAnomalies.size(), 5u);
  EXPECT_EQ(lists.urAnomalies[0].undefined_line, 7);
  EXPECT_EQ(lists.urAnomalies[0].name, "ab");
  EXPECT_EQ(lists.urAnomalies[1].name, "neg");
  EXPECT_EQ(lists.urAnomalies[1].referenced_line, 12);
  EXPECT_EQ(lists.urAnomalies[1].negated, 1);
  EXPECT_EQ(lists.urAnomalies[2].name, "again");
  EXPECT_EQ(lists.urAnomalies[2].negated, 0);
  EXPECT_EQ(lists.urAnomalies[3].name, "bee");
  EXPECT_EQ(lists.urAnomalies[4].undefined_line, 30);

  DataflowLists filtered;
  ASSERT_TRUE(sorvi::read_dataflow_file("u", nullptr, nullptr, 2, filtered));
  ASSERT_EQ(filtered.urAnomalies.size(), 1u);
  EXPECT_EQ(filtered.urAnomalies[0].name, "bee");
}

TEST_F(DataflowReaderTest, UrAnomaliesFollowTheProfileSwitch) {
  write_work_file("s.sf3", lines({anomaly(1, 3, 4, "x"), item(1, 1, 1, "d")}));
  use_profile("SORVI_UR_ANOMS=FALSE\n");
  DataflowLists lists;
  ASSERT_TRUE(sorvi::read_dataflow_file("s", nullptr, nullptr, 0, lists));
  EXPECT_TRUE(lists.urAnomalies.empty());
  EXPECT_EQ(lists.lastDefs.size(), 1u);
  EXPECT_FALSE(sorvi::read_dataflow_file("absent", nullptr, nullptr, 0, lists));
}

TEST_F(DataflowReaderTest, RunningOutOfMemoryForAnAnomaly) {
  write_work_file("m.sf3", lines({anomaly(1, 3, 4, "x"), anomaly(1, 5, 6, "y")}));
  const struct {
    int successes;
    const char* message;
  } cases[] = {{0, "Error in adding new ur data - memory overflow"},
               {1, "Error in adding new ur name string - memory overflow"},
               {2, "Error in adding new ur data - memory overflow"}};
  for (const auto& c : cases) {
    sorvi_test::ReportCapture capture;
    DataflowLists lists;
    sorvi::fail_allocation_after(c.successes);
    EXPECT_FALSE(sorvi::read_dataflow_file("m", nullptr, nullptr, 0, lists));
    ASSERT_EQ(capture.calls().size(), 1u);
    EXPECT_EQ(capture.calls()[0].channel, 'B');
    EXPECT_EQ(capture.calls()[0].code, sorvi::kReportProblem);
    EXPECT_EQ(capture.calls()[0].text, c.message);
    EXPECT_EQ(sorvi::report_exit_status(), 14);
    EXPECT_EQ(lists.urAnomalies.size(), c.successes == 2 ? 1u : 0u);
  }
}

TEST_F(DataflowReaderTest, JunkNeverCrashes) {
  for (unsigned seed = 1; seed <= 150; ++seed) {
    write_work_file("junk.sf3", work_readers_test::junk_text(seed, 3000));
    DataflowLists lists;
    EXPECT_TRUE(sorvi::read_dataflow_file("junk", nullptr, nullptr, 0, lists));
    for (const auto& u : lists.urAnomalies) EXPECT_GE(u.referenced_line, 0);
  }
}

}  // namespace
