// The rich-text writer, byte for byte: header, colour switches, escaping,
// long lines, the truncation notice and the trailer; caret mapping; batch
// names and the column heading.
#include <gtest/gtest.h>

#include "annotate/rtf_writer.h"
#include "support/test_support.h"

namespace {

using sorvi::AnnotatedLineList;

const char kHeader[] =
    "{\\rtf1\\ansi\\deff0\\deflang2057{\\fonttbl{\\f0\\fmodern\\fprq1 Courier New;}}\n"
    "{\\colortbl\\red0\\green0\\blue0;\\red255\\green0\\blue128;\\red0\\green0\\blue255;\\red255\\green0\\blue0;"
    "\\red0\\green128\\blue0;\\red0\\green0\\blue0;\\red200\\green0\\blue200;\n"
    "\\red255\\green128\\blue64;\\red150\\green150\\blue150;}\\viewkind5\\uc1\\pard\\f0\\fs20\\cf5\n";

class RtfWriterTest : public ::testing::Test {
 protected:
  void SetUp() override { sorvi::reset_status_colours(); }
  void TearDown() override { sorvi::reset_status_colours(); }

  std::string write(AnnotatedLineList& lines, const sorvi::RtfFont& font = sorvi::RtfFont(),
                    const sorvi::SwitchedOn& switched = sorvi::SwitchedOn(), int* caret = nullptr) {
    const std::string path = dir_.file("out.rtf");
    EXPECT_TRUE(sorvi::write_rtf_file(path, lines, font, switched, caret));
    return sorvi_test::read_file(path);
  }
  sorvi_test::TempDir dir_;
};

TEST_F(RtfWriterTest, EscapesBracesAndBackslashesAndSwitchesColourOncePerRun) {
  AnnotatedLineList lines;
  lines.add(0, "int f() { return a\\b; }");
  lines.add(2, std::string(78, '-'));
  lines.add(2, std::string(78, '-'));
  lines.add(6, "violation");
  lines.add(0, "");
  lines.add(0, " ");
  EXPECT_EQ(write(lines), std::string(kHeader) + "int f() \\{ return a\\\\b; \\}\\\n" + "\\cf0 " +
                              std::string(78, '-') + "\\\n" + std::string(78, '-') + "\\\n" +
                              "\\cf3 violation\\\n\\cf5 \\\n \\\n\\par\n}\n");
}

TEST_F(RtfWriterTest, EveryStyleHasItsColourEntry) {
  const int expected[] = {5, 0, 0, 0, 1, 2, 3, 6, 8, 4, 7, 5};
  for (int style = 0; style < 12; ++style) EXPECT_EQ(sorvi::rtf_colour_entry(style), expected[style]) << style;
}

TEST_F(RtfWriterTest, FontSizeFaceAndTextColourComeFromTheViewFont) {
  AnnotatedLineList lines;
  sorvi::RtfFont font;
  font.face = "DejaVu Sans Mono";
  font.height_twips = 240;
  font.text_colour = sorvi::pack_colour(10, 20, 30);
  std::string rtf = write(lines, font);
  EXPECT_NE(rtf.find("{\\f0\\fmodern\\fprq1 DejaVu Sans Mono;}}"), std::string::npos);
  EXPECT_NE(rtf.find("\\red200\\green0\\blue200;"), std::string::npos);
  EXPECT_NE(rtf.find("\\blue0;\\red10\\green20\\blue30;\\red200"), std::string::npos);
  EXPECT_NE(rtf.find("\\fs24\\cf5\n"), std::string::npos);
  // An absent list writes the header and the trailer only.
  const std::string tail = "\\fs24\\cf5\n\\par\n}\n";
  ASSERT_GT(rtf.size(), tail.size());
  EXPECT_EQ(rtf.substr(rtf.size() - tail.size()), tail);
}

TEST_F(RtfWriterTest, LongLinesAreWrittenRawAndOverlongEscapesTruncate) {
  AnnotatedLineList lines;
  const std::string raw = std::string(1010, '{');
  lines.add(0, raw);
  lines.add(0, std::string(1009, 'x'));
  EXPECT_EQ(write(lines), std::string(kHeader) + raw + "\\par\n" + std::string(1009, 'x') + "\\\n\\par\n}\n");

  AnnotatedLineList cut;
  cut.add(0, "kept");
  // 1000 characters, 40 of them backslashes: 1040 once escaped.
  cut.add(6, std::string(960, 'a') + std::string(40, '\\'));
  cut.add(0, "never written");
  EXPECT_EQ(write(cut), std::string(kHeader) +
                            "kept\\\n\\cf3 \\plain\\f0\\fs20\\cf2 \\\n<VEXA Maximum line size exceeded: 1040 > - \n"
                            "Press <Src Lines> to view truncated\\\n\\plain\\f0\\fs20\\cf0 ");

  // Closing braces do not count towards the limit.
  AnnotatedLineList braces;
  braces.add(0, std::string(960, 'a') + std::string(40, '}'));
  std::string rtf = write(braces);
  EXPECT_EQ(rtf.find("Maximum"), std::string::npos);
}

TEST_F(RtfWriterTest, LinesSpanningManyChunksAreAllWritten) {
  AnnotatedLineList lines;
  for (int i = 0; i < 250; ++i) lines.add(i % 3 == 0 ? 6 : 0, "line " + std::to_string(i));
  std::string rtf = write(lines);
  EXPECT_NE(rtf.find("line 0\\\n\\cf5 line 1\\\n"), std::string::npos);
  EXPECT_NE(rtf.find("line 249\\\n\\par\n}\n"), std::string::npos);
}

TEST_F(RtfWriterTest, CaretMovesPastCoverageLinesJustSwitchedOn) {
  AnnotatedLineList lines;
  // 40 old code lines with 6 coverage lines (a note rule and notes) among them.
  for (int i = 1; i <= 40; ++i) {
    lines.add(0, "code");
    if (i == 10) {
      lines.add(3, "rule");
      for (int n = 0; n < 5; ++n) lines.add(4, "note");
    }
  }
  sorvi::SwitchedOn coverage;
  coverage.coverage = true;
  int caret = 40;
  write(lines, sorvi::RtfFont(), coverage, &caret);
  EXPECT_EQ(caret, 46);

  // Without anything switched on the caret stays where it was.
  AnnotatedLineList again;
  for (int i = 0; i < 50; ++i) again.add(i == 5 ? 4 : 0, "x");
  caret = 40;
  write(again, sorvi::RtfFont(), sorvi::SwitchedOn(), &caret);
  EXPECT_EQ(caret, 40);
}

TEST_F(RtfWriterTest, RulesAreJudgedByTheLineAfterThem) {
  auto map_caret = [&](const std::vector<int>& styles, sorvi::SwitchedOn on, int caret) {
    AnnotatedLineList lines;
    for (int s : styles) lines.add(s, "x");
    write(lines, sorvi::RtfFont(), on, &caret);
    return caret;
  };
  sorvi::SwitchedOn dataflow;
  dataflow.dataflow = true;
  // note rule + data-flow line are new; the rule after a new data-flow line
  // is new unless coverage notes follow it.
  EXPECT_EQ(map_caret({0, 3, 9, 3, 0, 0}, dataflow, 2), 5);
  EXPECT_EQ(map_caret({0, 3, 9, 3, 4, 0, 0}, dataflow, 2), 4);
  sorvi::SwitchedOn violations;
  violations.violations = true;
  // A block rule followed by a procedure violation is new with it.
  EXPECT_EQ(map_caret({0, 2, 7, 0, 0}, violations, 2), 4);
  // ...but a rule followed by code stays old.
  EXPECT_EQ(map_caret({0, 2, 0, 0}, violations, 2), 2);
  sorvi::SwitchedOn blocks;
  blocks.blocks = true;
  EXPECT_EQ(map_caret({1, 0, 2, 0, 0}, blocks, 2), 4);
}

TEST(RtfNamesTest, BatchNamesFollowTheWorkFileOrTheIncludedSource) {
  EXPECT_EQ(sorvi::batch_rtf_path("/w/demo_2.ref", "/src/demo.c", false, false, false), "/w/demo_2.aref.rtf");
  EXPECT_EQ(sorvi::batch_rtf_path("/w/demo_2.ref", "/src/demo.c", false, false, true), "/w/demo_2.cref.rtf");
  EXPECT_EQ(sorvi::batch_rtf_path("/w/demo_2.sif", "/src/demo.c", false, true, false), "/w/demo_2.asrc.rtf");
  EXPECT_EQ(sorvi::batch_rtf_path("/w/demo_2.ref", "/src/demo.h", true, false, false), "/w/demo_h.aref.rtf");
  EXPECT_EQ(sorvi::batch_rtf_path("/w.d/noext", "", false, false, false), "/w.d/noext.aref.rtf");
}

TEST(RtfNamesTest, ColumnHeadingJoinsTheShownColumns) {
  sorvi::HeadingSwitches s;
  EXPECT_EQ(sorvi::ColumnHeading(s), "  Line       Statement");
  s.annotated = true;
  s.ref_lines = s.src_lines = s.proc_nums = s.total_block_nums = s.block_nums = s.exe_flag = s.code = true;
  EXPECT_EQ(sorvi::ColumnHeading(s), "   Ref    Src Proc BkCnt Block X       Statement");
  s.listing = true;
  EXPECT_EQ(sorvi::ColumnHeading(s), "");
}

}  // namespace
