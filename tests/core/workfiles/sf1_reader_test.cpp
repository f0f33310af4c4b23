#include "workfiles/sf1_reader.h"

#include "workfiles_fixture.h"

namespace {

using workfiles_test::field;
using workfiles_test::head;
using workfiles_test::lines;

std::string source_record(int module, const std::string& name) {
  return head(module, 0, 106) + std::string(33, '9') + name;
}

std::string procedure_record(int module, char kind, int first, int last, int number, const std::string& name) {
  return head(module, number, 124) + std::string(13, ' ') + kind + field(first, 9) + field(last, 9) +
         field(number, 5) + "    4" + name;
}

using workfiles_test::dump_procedures;

// Reads "<stem>.sf1" with the name slot empty -> "result 'source name'
// module main=start:name [E: a procedure record ended the reading] |
// procedures".
std::string read_dump(const char* stem, bool name_only = false) {
  sorvi::DynamicString name;
  int main_start = 7;
  std::string main_name;
  sorvi::procedure_list procs;
  sorvi::Sf1Reading reading;
  const bool ok =
      sorvi::read_sf1_file(stem, name, &main_start, &main_name, &procs, name_only, nullptr, false, &reading);
  return std::to_string(ok) + " " + (name ? "'" + *name + "'" : "<none>") + " m" +
         std::to_string(reading.module_number) + " main=" + std::to_string(main_start) + ":" + main_name +
         (reading.procedure_error ? " E" : "") + " |" + dump_procedures(procs);
}

class Sf1ReaderTest : public workfiles_test::WorkfilesTest {};

TEST_F(Sf1ReaderTest, RecordsAsDumped) {
  struct Row {
    std::vector<std::string> records;
    std::string expected;
    bool name_only = false;
  };
  const std::vector<Row> rows = {
      {{head(0, 0, 100) + "a record of another type", source_record(3, "\"/src/demo.c\"   "),
        procedure_record(3, 'Y', 10, 20, 1, "main   "), procedure_record(3, 'P', 21, 30, 2, "helper"),
        procedure_record(3, 'F', 31, 40, 3, "other one"), head(3, 0, 118) + "     1     3    42     7 main_prog",
        source_record(3, "\"/src/second.c\"")},
       "1 '/src/demo.c' m3 main=42:main_prog | Y:main:10-20#1 P:helper:21-30#2 :other one:31-40#3"},
      // Name only; a main-start record that does not match its format.
      {{source_record(0, "plain_name.c  "), procedure_record(2, 'Y', 1, 2, 1, "p"), head(2, 0, 118) + "   1   3  main"},
       "1 'plain_name.c' m2 main=-1: |", true},
      // Success needs a source record and named procedures; what was read stays.
      {{procedure_record(1, 'Y', 1, 2, 1, "p")}, "0 <none> m1 main=7: | Y:p:1-2#1"},
      {{source_record(1, "x.c"), procedure_record(1, 'Y', 1, 2, 1, "first"), procedure_record(1, 'Y', 3, 4, 2, "    "),
        procedure_record(1, 'Y', 5, 6, 3, "never")},
       "0 'x.c' m1 main=7: E | Y:first:1-2#1"},
      // A NUL byte ends a name, so a name of NULs is no name.
      {{source_record(1, "x.c"), procedure_record(1, 'Y', 1, 2, 1, "first"),
        procedure_record(1, 'P', 3, 4, 2, std::string("\0\0tail", 6))},
       "0 'x.c' m1 main=7: E | Y:first:1-2#1"},
      {{source_record(1, "x.c"), procedure_record(1, 'P', 5, 6, 3, std::string("ab\0cd", 5))},
       "1 'x.c' m1 main=7: | P:ab:5-6#3"},
      // Short lines do not run into the next line.
      {{head(1, 0, 124) + "   ", source_record(1, "")}, "0 <none> m1 main=7: E |"},
      {{head(1, 0, 124) + "   ", source_record(1, ""), head(1, 0, 106), head(1, 1, 124) + "             Yabcdefghi",
        source_record(1, "\"\"")},
       "1 '' m1 main=7: |", true},
  };
  for (const Row& row : rows) {
    write_work("s.sf1", lines(row.records));
    EXPECT_EQ(read_dump("s", row.name_only), row.expected) << row.records[0];
  }
  EXPECT_EQ(read_dump("absent"), "0 <none> m0 main=7: |");
}

}  // namespace
