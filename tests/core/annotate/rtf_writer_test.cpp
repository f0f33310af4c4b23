// The rich-text writer, byte for byte: header, colour switches, escaping,
// long lines, the truncation notice and the trailer; and the caret mapping.
#include <gtest/gtest.h>

#include "annotate/pipelined_sink.h"
#include "annotate/rtf_writer.h"
#include "support/test_support.h"

namespace {

using sorvi::AnnotatedLineList;

// The header for a font face, a size in half points and colour entry 5.
std::string header(const std::string& face = "Courier New", int half_points = 20,
                   const std::string& text_colour = "\\red0\\green0\\blue0") {
  return "{\\rtf1\\ansi\\deff0\\deflang2057{\\fonttbl{\\f0\\fmodern\\fprq1 " + face + ";}}\n" +
         "{\\colortbl\\red0\\green0\\blue0;\\red255\\green0\\blue128;\\red0\\green0\\blue255;\\red255\\green0\\blue0;"
         "\\red0\\green128\\blue0;" + text_colour + ";\\red200\\green0\\blue200;\n"
         "\\red255\\green128\\blue64;\\red150\\green150\\blue150;}\\viewkind5\\uc1\\pard\\f0\\fs" +
         std::to_string(half_points) + "\\cf5\n";
}

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
  // Face, size and text colour (colour entry 5) come from the view font.
  sorvi::RtfFont font;
  font.face = "DejaVu Sans Mono";
  font.height_twips = 240;
  font.text_colour = sorvi::pack_colour(10, 20, 30);
  AnnotatedLineList lines;
  lines.add(0, "int f() { return a\\b; }");
  lines.add(2, std::string(78, '-'));
  lines.add(2, std::string(78, '-'));
  lines.add(6, "violation");
  lines.add(0, "");
  lines.add(0, " ");
  EXPECT_EQ(write(lines, font), header("DejaVu Sans Mono", 24, "\\red10\\green20\\blue30") +
                                    "int f() \\{ return a\\\\b; \\}\\\n\\cf0 " + std::string(78, '-') + "\\\n" +
                                    std::string(78, '-') + "\\\n\\cf3 violation\\\n\\cf5 \\\n \\\n\\par\n}\n");
}

TEST_F(RtfWriterTest, LongLinesAreWrittenRawAndOverlongEscapesTruncate) {
  AnnotatedLineList lines;
  const std::string raw = std::string(1010, '{');
  lines.add(0, raw);
  lines.add(0, std::string(1009, 'x'));
  EXPECT_EQ(write(lines), header() + raw + "\\par\n" + std::string(1009, 'x') + "\\\n\\par\n}\n");

  AnnotatedLineList cut;
  cut.add(0, "kept");
  // 1000 characters, 40 of them backslashes: 1040 once escaped.
  cut.add(6, std::string(960, 'a') + std::string(40, '\\'));
  cut.add(0, "never written");
  EXPECT_EQ(write(cut), header() +
                            "kept\\\n\\cf3 \\plain\\f0\\fs20\\cf2 \\\n<VEXA Maximum line size exceeded: 1040 > - \n"
                            "Press <Src Lines> to view truncated\\\n\\plain\\f0\\fs20\\cf0 ");

  // Closing braces do not count towards the limit.
  AnnotatedLineList braces;
  braces.add(0, std::string(960, 'a') + std::string(40, '}'));
  EXPECT_EQ(write(braces).find("Maximum"), std::string::npos);
}

TEST_F(RtfWriterTest, TheCaretMovesPastTheLinesJustSwitchedOn) {
  // Styles one digit a line; the kinds switched on are blocks, coverage,
  // violations, data flow.
  struct Row {
    std::string styles;
    sorvi::SwitchedOn on;
    int caret, mapped;
  } rows[] = {
      // 40 old code lines with a note rule and five coverage notes among them.
      {std::string(10, '0') + "344444" + std::string(30, '0'), {false, true, false, false}, 40, 46},
      {std::string(5, '0') + "4" + std::string(44, '0'), {}, 40, 40},
      // A rule is judged by the line after it.
      {"039300", {false, false, false, true}, 2, 5},
      {"0393400", {false, false, false, true}, 2, 4},
      {"02700", {false, false, true, false}, 2, 4},
      {"0200", {false, false, true, false}, 2, 2},
      {"10200", {true, false, false, false}, 2, 4},
  };
  for (const Row& row : rows) {
    AnnotatedLineList lines;
    for (char s : row.styles) lines.add(s - '0', "x");
    int caret = row.caret;
    write(lines, sorvi::RtfFont(), row.on, &caret);
    EXPECT_EQ(caret, row.mapped) << row.styles;
  }
}

// A report written on a second thread as the walk produces it has the same
// bytes as one written in place: lines in order across the blocks that
// carry them, a line longer than a block, the lines held at the end, and a
// text that ends early at a line too long to escape.
TEST_F(RtfWriterTest, APipelinedReportHasTheBytesOfOneWrittenInPlace) {
  std::vector<std::pair<int, std::string>> text;
  for (int i = 0; i < 40000; ++i) text.emplace_back(i % 11, "line " + std::to_string(i) + (i % 7 ? "" : " {x}"));
  text.emplace(text.begin() + 20000, 0, std::string(3 << 20, 'L'));
  std::vector<std::pair<int, std::string>> cut = text;
  cut.emplace(cut.begin() + 30000, 6, std::string(1000, '\\'));
  for (const auto* lines : {&text, &cut}) {
    AnnotatedLineList reference;
    for (const auto& line : *lines) reference.add(line.first, line.second);
    const std::string expected = write(reference);
    for (bool aside : {false, true}) {
      const std::string path = dir_.file(aside ? "aside.rtf" : "inplace.rtf");
      std::FILE* out = std::fopen(path.c_str(), "wb");
      ASSERT_NE(out, nullptr);
      sorvi::RtfStreamWriter writer(out, sorvi::RtfFont(), sorvi::SwitchedOn(), 0);
      {
        sorvi::PipelinedSink pipe(writer, aside);
        AnnotatedLineList produced(&pipe);
        for (const auto& line : *lines) produced.add(line.first, line.second);
        produced.close();
        pipe.finish();
      }
      EXPECT_TRUE(writer.finish());
      std::fclose(out);
      EXPECT_TRUE(sorvi_test::read_file(path) == expected) << (aside ? "on a second thread" : "in place");
    }
  }
}

TEST(ColumnHeadingTest, JoinsTheShownColumns) {
  sorvi::HeadingSwitches s;
  EXPECT_EQ(sorvi::ColumnHeading(s), "  Line       Statement");
  s.annotated = true;
  s.ref_lines = s.src_lines = s.proc_nums = s.total_block_nums = s.block_nums = s.exe_flag = s.code = true;
  EXPECT_EQ(sorvi::ColumnHeading(s), "   Ref    Src Proc BkCnt Block X       Statement");
  s.listing = true;
  EXPECT_EQ(sorvi::ColumnHeading(s), "");
}

}  // namespace
