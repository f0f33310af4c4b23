#include "workfiles/dataflow_reader.h"

#include "workfiles_fixture.h"

namespace {

using workfiles_test::field;
using workfiles_test::head;
using workfiles_test::lines;

// A type-312 item: block number in W + 1 characters, kind, a number, the name.
std::string item(int procedure, int block, int kind, const std::string& name, int w = 6) {
  return head(1, procedure, 312) + std::string(12, '0') + field(block, w + 1) + field(kind, 2) + field(17, 4) + name;
}

// A type-316 anomaly: two integers, two 7-character lines, a counted name.
std::string anomaly(int procedure, int undefined_line, int referenced_line, const std::string& name) {
  return head(1, procedure, 316) + "     5     6" + field(undefined_line, 7) + field(referenced_line, 7) +
         field(static_cast<int>(name.size()), 3) + " " + name + "  trailing";
}

using workfiles_test::dump_dataflow;

class DataflowReaderTest : public workfiles_test::WorkfilesTest {};

TEST_F(DataflowReaderTest, RecordsAsDumped) {
  const std::vector<std::string> urs = {
      anomaly(1, 30, 31, "c"), anomaly(1, 10, -12, "neg"), anomaly(2, 20, 22, "bee"), anomaly(1, 10, 15, "again"),
      // A separator that is not a blank, and a line cut inside the name.
      head(1, 1, 316) + "     5     6" + field(5, 7) + field(6, 7) + "  3xabc",
      head(1, 1, 316) + "     5     6" + field(7, 7) + field(8, 7) + " 10 ab"};
  const struct {
    std::vector<std::string> records;
    int procedure;
    int width;
    std::string expected;
  } rows[] = {
      // Ordered by procedure, then block; equal numbers keep file order.
      {{item(2, 3, 1, "late   "), item(1, 5, 1, "b5"), item(1, 2, 1, "b2"), item(1, 5, 1, "b5_second"),
        item(2, 1, 2, "use"), item(1, 9, 2, "use_first"), item(1, 4, 3, "kind three"), head(1, 1, 999) + "other"},
       0, 6, "def 1/2:b2 1/5:b5 1/5:b5_second 2/3:late use 1/9:use_first 2/1:use ur"},
      // A procedure filter; the block number takes W + 1 characters.
      {{item(1, 12345, 1, "wide", 4), item(2, 7, 2, "other", 4)}, 1, 4, "def 1/12345:wide use ur"},
      // UR anomalies ascend by undefined line; equal lines keep file order.
      {urs, 0, 6, "def use ur 7>8:ab 10>-12:neg 10>15:again 20>22:bee 30>31:c"},
      {urs, 2, 6, "def use ur 20>22:bee"},
  };
  for (const auto& row : rows) {
    write_work("d.sf3", lines(row.records));
    sorvi::set_line_number_width(row.width);
    sorvi::DataflowLists lists;
    ASSERT_TRUE(sorvi::read_dataflow_file("d", nullptr, nullptr, row.procedure, lists));
    EXPECT_EQ(dump_dataflow(lists), row.expected);
  }
}

TEST_F(DataflowReaderTest, UrAnomaliesFollowTheProfileSwitch) {
  write_work("s.sf3", lines({anomaly(1, 3, 4, "x"), item(1, 1, 1, "d")}));
  use_profile("SORVI_UR_ANOMS=FALSE\n");
  sorvi::DataflowLists lists;
  ASSERT_TRUE(sorvi::read_dataflow_file("s", nullptr, nullptr, 0, lists));
  EXPECT_EQ(dump_dataflow(lists), "def 1/1:d use ur");
  EXPECT_FALSE(sorvi::read_dataflow_file("absent", nullptr, nullptr, 0, lists));
}

}  // namespace
