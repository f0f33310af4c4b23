#include "workfiles/sf1_reader.h"

#include <gtest/gtest.h>

#include "samplegen/glh_writer.h"
#include "work_readers_fixture.h"
#include "workfiles/index_file.h"

namespace {

using work_readers_test::field;
using work_readers_test::head;
using work_readers_test::lines;
using work_readers_test::WorkReadersTest;

const std::string kStats(33, '9');  // columns 13-45 of a type-106 record

std::string source_record(int module, const std::string& name) { return head(module, 0, 106) + kStats + name; }

std::string procedure_record(int module, char kind, int first, int last, int number, const std::string& name) {
  return head(module, number, 124) + std::string(13, ' ') + kind + field(first, 9) + field(last, 9) +
         field(number, 5) + "    4" + name;
}

class Sf1ReaderTest : public WorkReadersTest {};

TEST_F(Sf1ReaderTest, ReadsTheSourceNameProceduresAndMainStart) {
  write_work_file("demo_3.sf1",
                  lines({head(0, 0, 100) + "a record of another type",
                         source_record(3, "\"/src/demo.c\"   "),
                         procedure_record(3, 'Y', 10, 20, 1, "main   "),
                         procedure_record(3, 'P', 21, 30, 2, "helper"),
                         procedure_record(3, 'F', 31, 40, 3, "other one"),
                         head(3, 0, 118) + "     1     3    42     7 main_prog",
                         source_record(3, "\"/src/second.c\"")}));
  sorvi::DynamicString name;
  int main_start = -5;
  std::string main_name;
  sorvi::procedure_list procs;
  sorvi::Sf1Reading reading;
  ASSERT_TRUE(sorvi::read_sf1_file("demo_3", name, &main_start, &main_name, &procs, false, nullptr, false, &reading));
  ASSERT_TRUE(name);
  EXPECT_EQ(*name, "/src/demo.c");
  EXPECT_EQ(reading.module_number, 3);
  EXPECT_EQ(main_start, 42);
  EXPECT_EQ(main_name, "main_prog");
  ASSERT_EQ(procs.size(), 3u);
  EXPECT_EQ(*procs[0].name, "main");
  EXPECT_EQ(procs[0].is_y_kind, 1);
  EXPECT_EQ(procs[0].is_p_kind, 0);
  EXPECT_EQ(procs[0].first_line, 10);
  EXPECT_EQ(procs[0].last_line, 20);
  EXPECT_EQ(procs[0].procedure_number, 1);
  EXPECT_EQ(procs[1].is_y_kind, 0);
  EXPECT_EQ(procs[1].is_p_kind, 1);
  EXPECT_EQ(*procs[2].name, "other one");
  EXPECT_EQ(procs[2].is_y_kind + procs[2].is_p_kind, 0);
  EXPECT_EQ(procs[2].last_line, 40);
}

TEST_F(Sf1ReaderTest, NameOnlyModeAndMainStartThatDoesNotMatch) {
  write_work_file("n.sf1", lines({source_record(0, "plain_name.c  "), procedure_record(2, 'Y', 1, 2, 1, "p"),
                                  head(2, 0, 118) + "     1     3  main"}));
  sorvi::DynamicString name;
  int main_start = 7;
  sorvi::procedure_list procs;
  sorvi::Sf1Reading reading;
  ASSERT_TRUE(sorvi::read_sf1_file("n", name, &main_start, nullptr, &procs, true, nullptr, false, &reading));
  EXPECT_EQ(*name, "plain_name.c");
  EXPECT_TRUE(procs.empty());
  EXPECT_EQ(main_start, -1);
  EXPECT_EQ(reading.module_number, 2);
}

TEST_F(Sf1ReaderTest, SuccessNeedsASourceRecordAndNamedProcedures) {
  sorvi::DynamicString name;
  sorvi::procedure_list procs;
  write_work_file("none.sf1", lines({procedure_record(1, 'Y', 1, 2, 1, "p")}));
  EXPECT_FALSE(sorvi::read_sf1_file("none", name, nullptr, nullptr, &procs, false, nullptr, false));
  EXPECT_EQ(procs.size(), 1u);

  procs.clear();
  name.reset();
  write_work_file("bad.sf1", lines({source_record(1, "x.c"), procedure_record(1, 'Y', 1, 2, 1, "first"),
                                    procedure_record(1, 'Y', 3, 4, 2, "    "),
                                    procedure_record(1, 'Y', 5, 6, 3, "never")}));
  sorvi::Sf1Reading reading;
  EXPECT_FALSE(sorvi::read_sf1_file("bad", name, nullptr, nullptr, &procs, false, nullptr, false, &reading));
  EXPECT_TRUE(reading.procedure_error);
  ASSERT_EQ(procs.size(), 1u);  // what was read before the error stays
  EXPECT_EQ(*procs[0].name, "first");

  name.reset();
  EXPECT_FALSE(sorvi::read_sf1_file("absent", name, nullptr, nullptr, &procs, false, nullptr, false, &reading));
  EXPECT_FALSE(reading.opened);
  EXPECT_FALSE(name);
}

TEST_F(Sf1ReaderTest, ANameThatBeginsWithANulIsEmpty) {
  // The name is a text: a NUL byte ends it, so a name of NULs is no name.
  sorvi::DynamicString name;
  sorvi::procedure_list procs;
  write_work_file("nul.sf1", lines({source_record(1, "x.c"), procedure_record(1, 'Y', 1, 2, 1, "first"),
                                    procedure_record(1, 'P', 3, 4, 2, std::string("\0\0tail", 6)),
                                    procedure_record(1, 'P', 5, 6, 3, std::string("ab\0cd", 5))}));
  sorvi::Sf1Reading reading;
  EXPECT_FALSE(sorvi::read_sf1_file("nul", name, nullptr, nullptr, &procs, false, nullptr, false, &reading));
  EXPECT_TRUE(reading.procedure_error);
  ASSERT_EQ(procs.size(), 1u);
  EXPECT_EQ(*procs[0].name, "first");

  procs.clear();
  name.reset();
  write_work_file("cut.sf1", lines({source_record(1, "x.c"), procedure_record(1, 'P', 5, 6, 3, std::string("ab\0cd", 5))}));
  EXPECT_TRUE(sorvi::read_sf1_file("cut", name, nullptr, nullptr, &procs, false, nullptr, false));
  ASSERT_EQ(procs.size(), 1u);
  EXPECT_EQ(*procs[0].name, "ab");
}

TEST_F(Sf1ReaderTest, ShortAndDamagedLinesDoNotRunIntoTheNextLine) {
  write_work_file("short.sf1", lines({head(1, 0, 124) + "   ", source_record(1, ""), head(1, 0, 106),
                                      head(1, 1, 124) + std::string(13, ' ') + "Yabcdefghi",
                                      source_record(1, "\"\"")}));
  sorvi::DynamicString name;
  sorvi::procedure_list procs;
  // The first line is a procedure record without a name.
  EXPECT_FALSE(sorvi::read_sf1_file("short", name, nullptr, nullptr, &procs, false, nullptr, false));
  EXPECT_TRUE(procs.empty());
  // Without procedures the source records are all that counts.
  ASSERT_TRUE(sorvi::read_sf1_file("short", name, nullptr, nullptr, nullptr, true, nullptr, false));
  ASSERT_TRUE(name);
  EXPECT_EQ(*name, "");
}

TEST_F(Sf1ReaderTest, AKnownSourceNameReadsTheRepositoryFirst) {
  const std::string source = "/src/demo.c";
  const std::string glh = work_path("demo_3.glh");
  {
    sorvi_sample::GlhWriter w(glh);
    sorvi_sample::GlhTextDocumentContent doc;
    doc.entries = {source_record(3, "\"/src/other.c\""), procedure_record(3, 'Y', 5, 6, 1, "from_glh")};
    ASSERT_TRUE(w.add_work_file(source, "demo_3.sf1", doc));
    ASSERT_TRUE(w.close());
  }
  write_work_file("demo_3.sf1", lines({source_record(3, "\"/src/demo.c\""), procedure_record(3, 'Y', 1, 2, 1, "plain")}));

  sorvi::DynamicString name = source;
  sorvi::procedure_list procs;
  ASSERT_TRUE(sorvi::read_sf1_file("demo_3", name, nullptr, nullptr, &procs, false, glh.c_str(), false));
  EXPECT_EQ(*name, source);  // the record only marks success
  ASSERT_EQ(procs.size(), 1u);
  EXPECT_EQ(*procs[0].name, "from_glh");

  // An empty slot opens the plain file, whatever the GLH file holds.
  name.reset();
  procs.clear();
  ASSERT_TRUE(sorvi::read_sf1_file("demo_3", name, nullptr, nullptr, &procs, false, glh.c_str(), false));
  EXPECT_EQ(*name, "/src/demo.c");
  EXPECT_EQ(*procs[0].name, "plain");
}

// ---- the index and relocation ----------------------------------------------------

class Sf1IndexTest : public Sf1ReaderTest {
 protected:
  void SetUp() override {
    Sf1ReaderTest::SetUp();
    include_ = work_path("inc.h");
    sorvi_test::write_file(include_, "int x;\n");
    // Reformatted lines 6-15 come from flattened 1, 2, 3, 10-15, 4; the
    // include spans flattened lines 10-15.
    write_work_file("demo_3.ndx", "\"" + work_path("demo.c") + "\"\nheader one\nheader two\n1\n10 15 " +
                                      std::to_string(include_.size()) + " " + include_ +
                                      "\n15\n0 0 0 0 0 1 2 3 10 11 12 13 14 15 4\n");
    write_work_file("demo_3.sf1", lines({source_record(3, "\"" + work_path("demo.c") + "\""),
                                         procedure_record(3, 'Y', 12, 15, 1, include_),
                                         procedure_record(3, 'P', 1, 4, 2, "main")}));
  }
  std::string include_;
};

TEST_F(Sf1IndexTest, LoadsTheModulesIndexAfterASuccessfulReading) {
  sorvi::DynamicString name;
  sorvi::procedure_list procs;
  sorvi::Sf1Reading reading;
  ASSERT_TRUE(sorvi::read_sf1_file("demo_3", name, nullptr, nullptr, &procs, false, nullptr, true, &reading));
  EXPECT_EQ(reading.index_status, sorvi::kIndexLoaded);
  ASSERT_NE(reading.index, nullptr);
  EXPECT_EQ(reading.index->module_number, 3);
  EXPECT_EQ(reading.index->n, 15);
  EXPECT_EQ(sorvi::find_index_record(3), reading.index);
}

TEST_F(Sf1IndexTest, ProceduresNamedAfterAnIncludeMoveToReformattedLines) {
  sorvi::DynamicString name;
  sorvi::procedure_list procs;
  ASSERT_TRUE(sorvi::read_sf1_file("demo_3", name, nullptr, nullptr, &procs, false, nullptr, true));
  sorvi::procedure_list moved;
  ASSERT_TRUE(sorvi::relocate_procedures(procs, moved));
  ASSERT_EQ(moved.size(), 2u);
  EXPECT_EQ(*moved[0].name, include_);
  EXPECT_EQ(moved[0].first_line, 11);  // flattened 12 is reformatted line 11
  EXPECT_EQ(moved[0].last_line, 14);
  EXPECT_EQ(moved[0].is_y_kind, 1);
  EXPECT_EQ(*moved[1].name, "main");  // not an include: unchanged
  EXPECT_EQ(moved[1].first_line, 1);
  EXPECT_EQ(moved[1].last_line, 4);

  // Without loaded index records nothing moves.
  sorvi::reset_index_records();
  ASSERT_TRUE(sorvi::relocate_procedures(procs, moved));
  EXPECT_EQ(moved[0].first_line, 12);
}

TEST_F(Sf1ReaderTest, SourceNameAndGlhFileOfAModule) {
  write_work_file("mod_2.sf1", lines({source_record(2, "\"/src/mod.c\"")}));
  std::string source, glh;
  ASSERT_TRUE(sorvi::resolve_module_source("mod_2", nullptr, nullptr, nullptr, source, glh));
  EXPECT_EQ(source, "/src/mod.c");
  EXPECT_EQ(glh, work_path("mod_2.glh"));

  ASSERT_TRUE(sorvi::resolve_module_source("mod_2", "xset", "/given.c", nullptr, source, glh));
  EXPECT_EQ(source, "/given.c");
  EXPECT_EQ(glh, work_path("xset.glh"));

  ASSERT_TRUE(sorvi::resolve_module_source("mod_2", "xset", nullptr, "/repo/explicit.glh", source, glh));
  EXPECT_EQ(source, "/src/mod.c");
  EXPECT_EQ(glh, "/repo/explicit.glh");

  EXPECT_FALSE(sorvi::resolve_module_source("absent", nullptr, nullptr, nullptr, source, glh));
  EXPECT_TRUE(source.empty());
}

TEST_F(Sf1ReaderTest, JunkNeverCrashes) {
  sorvi_test::ReportCapture capture;
  for (unsigned seed = 1; seed <= 150; ++seed) {
    write_work_file("junk.sf1", source_record(1, "x.c") + "\n" + work_readers_test::junk_text(seed, 3000));
    sorvi::DynamicString name;
    int main_start = 0;
    std::string main_name;
    sorvi::procedure_list procs;
    sorvi::read_sf1_file("junk", name, &main_start, &main_name, &procs, false, nullptr, false);
    ASSERT_TRUE(name);
    EXPECT_EQ(*name, "x.c");
  }
}

}  // namespace
