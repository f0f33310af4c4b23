#include "base/text_reader.h"

#include <gtest/gtest.h>

#include "memory_stream.h"
#include "support/test_support.h"

namespace sorvi {
namespace {

using sorvi_test::MemoryStream;

// ---- lines of any length ---------------------------------------------------

TEST(AnyLengthLine, AllLineEndsGiveTheSameLine) {
  for (const char* content : {"abc\r\n", "abc\n\r", "abc", "abc\n", "abc\r"}) {
    MemoryStream in(content);
    std::string line;
    ASSERT_TRUE(read_any_line(in.get(), line)) << content;
    EXPECT_EQ(line, "abc");
    EXPECT_FALSE(read_any_line(in.get(), line)) << content;
  }
}

TEST(AnyLengthLine, EmptyLinesLongLinesAndNulBytes) {
  std::string longline(1000, 'x');
  MemoryStream in(std::string("a\0b\n\n", 5) + longline + "\r\r\nend");
  std::string line;
  ASSERT_TRUE(read_any_line(in.get(), line));
  EXPECT_EQ(line, "ab");
  ASSERT_TRUE(read_any_line(in.get(), line));
  EXPECT_EQ(line, "");
  ASSERT_TRUE(read_any_line(in.get(), line));
  EXPECT_EQ(line, longline);
  // CR then CR LF: the first CR ends the line, the second starts an empty one.
  ASSERT_TRUE(read_any_line(in.get(), line));
  EXPECT_EQ(line, "");
  ASSERT_TRUE(read_any_line(in.get(), line));
  EXPECT_EQ(line, "end");
}

TEST(AnyLengthLine, TrimmingTakesSpacesOnly) {
  MemoryStream in("  a b \t \n  c  \n");
  std::string line;
  ASSERT_TRUE(read_any_line_trimmed(in.get(), line, true, true));
  EXPECT_EQ(line, "a b \t");
  ASSERT_TRUE(read_any_line_trimmed(in.get(), line, false, true));
  EXPECT_EQ(line, "  c");
}

// ---- free integers -----------------------------------------------------------

TEST(StreamInteger, SkipsToDigitsAndStopsAtBlankOrLineEnd) {
  MemoryStream in("  x12 34\r\n\n 0x1F 12a 99999999999 7");
  int v = 0;
  bool eol = false, eof = false;
  ASSERT_TRUE(read_int_from_stream(in.get(), v, &eol, &eof));
  EXPECT_EQ(v, 12);
  EXPECT_FALSE(eol);
  ASSERT_TRUE(read_int_from_stream(in.get(), v, &eol, &eof));
  EXPECT_EQ(v, 34);
  EXPECT_TRUE(eol);
  eol = false;
  // An empty line: a line end before any digit.
  EXPECT_FALSE(read_int_from_stream(in.get(), v, &eol, &eof));
  EXPECT_TRUE(eol);
  eol = false;
  ASSERT_TRUE(read_int_from_stream(in.get(), v, &eol, &eof));
  EXPECT_EQ(v, 31);
  v = -5;
  EXPECT_FALSE(read_int_from_stream(in.get(), v, &eol, &eof));
  EXPECT_EQ(v, -5);
  EXPECT_FALSE(read_int_from_stream(in.get(), v, &eol, &eof));
  ASSERT_TRUE(read_int_from_stream(in.get(), v, &eol, &eof));
  EXPECT_EQ(v, 7);
  EXPECT_TRUE(eof);
  EXPECT_FALSE(eol);
}

// ---- fixed-width readers -------------------------------------------------------

TEST(Readfixedint, BlanksCountAsZeroAndEveryCharacterIsPositional) {
  MemoryStream in("       12312 A");
  bool eof = false;
  EXPECT_EQ(Readfixedint(in.get(), 5, &eof), 0);
  EXPECT_EQ(Readfixedint(in.get(), 5, &eof), 123);
  EXPECT_EQ(Readfixedint(in.get(), 3, &eof), 120);
  // "A" counts ('A' - '0') = 17 in the units position.
  EXPECT_EQ(Readfixedint(in.get(), 1, &eof), 17);
  EXPECT_FALSE(eof);
  EXPECT_EQ(Readfixedint(in.get(), 2, &eof), 0);
  EXPECT_TRUE(eof);
}

TEST(Readfixedint, StopsAtEndOfFile) {
  MemoryStream in("12");
  bool eof = false;
  EXPECT_EQ(Readfixedint(in.get(), 5, &eof), 12000);
  EXPECT_TRUE(eof);
}

TEST(Readfixedint, CrLfReadsAsOneLineEnd) {
  MemoryStream lf("  7\n  8");
  MemoryStream crlf("  7\r\n  8");
  for (MemoryStream* in : {&lf, &crlf}) {
    bool eof = false;
    EXPECT_EQ(Readfixedint(in->get(), 3, &eof), 7);
    EXPECT_EQ(read_text_char(in->get()), '\n');
    EXPECT_EQ(Readfixedint(in->get(), 3, &eof), 8);
    EXPECT_FALSE(eof);
  }
}

TEST(Readfixedint, WidthAbove16IsReportedOnChannelB) {
  sorvi_test::ReportCapture report;
  MemoryStream in("12345678901234567890");
  bool eof = false;
  EXPECT_EQ(Readfixedint(in.get(), 17, &eof), 0);
  EXPECT_TRUE(eof);
  ASSERT_EQ(report.calls().size(), 1u);
  EXPECT_EQ(report.calls()[0].channel, 'B');
  EXPECT_EQ(report.calls()[0].code, 100);
  EXPECT_EQ(report.calls()[0].text,
            "Attempt to read a fixed width int greater than 16 long\n"
            "                   Readfixedint called with intlen parameter 17");
  // Nothing was read.
  EXPECT_EQ(in.rest(), "12345678901234567890");
  eof = false;
  EXPECT_EQ(Readfixedint(in.get(), 16, &eof), 0);
  EXPECT_EQ(report.calls().size(), 1u);
}

TEST(Readfixedintex, SignedAndLeftAlignedFields) {
  MemoryStream in("  -1212   1a345|");
  int v = 0;
  bool eof = false, eol = false;
  EXPECT_EQ(Readfixedintex(in.get(), 5, &v, &eof, &eol), 5);
  EXPECT_EQ(v, -12);
  EXPECT_EQ(Readfixedintex(in.get(), 5, &v, &eof, &eol), 2);
  EXPECT_EQ(v, 12000);
  // The "a" ends the number; the rest of the field is consumed unread.
  EXPECT_EQ(Readfixedintex(in.get(), 5, &v, &eof, &eol), 1);
  EXPECT_EQ(v, 10000);
  EXPECT_EQ(in.rest(), "|");
  EXPECT_FALSE(eof);
  EXPECT_FALSE(eol);
}

TEST(Readfixedintex, StopsAtLineEndConsumingCrLf) {
  for (const char* content : {"  12\r\nnext", "  12\nnext"}) {
    MemoryStream in(content);
    int v = 0;
    bool eof = false, eol = false;
    EXPECT_EQ(Readfixedintex(in.get(), 7, &v, &eof, &eol), 4);
    EXPECT_TRUE(eol);
    EXPECT_FALSE(eof);
    // The digits keep the weights of a full field.
    EXPECT_EQ(v, 12000);
    EXPECT_EQ(in.rest(), "next");
  }
}

TEST(Readfixedintex, EndOfFileAndBlankFields) {
  MemoryStream in("     -");
  int v = 7;
  bool eof = false, eol = false;
  EXPECT_EQ(Readfixedintex(in.get(), 5, &v, &eof, &eol), 5);
  EXPECT_EQ(v, 0);
  EXPECT_FALSE(eof);
  EXPECT_EQ(Readfixedintex(in.get(), 5, &v, &eof, &eol), 1);
  EXPECT_EQ(v, 0);
  EXPECT_TRUE(eof);
}

TEST(Readfixedintex, WidthAbove16NamesTheRoutine) {
  sorvi_test::ReportCapture report;
  MemoryStream in("1");
  int v = 3;
  bool eof = false, eol = false;
  EXPECT_EQ(Readfixedintex(in.get(), 20, &v, &eof, &eol), 0);
  EXPECT_EQ(v, 0);
  EXPECT_TRUE(eof);
  ASSERT_EQ(report.calls().size(), 1u);
  EXPECT_EQ(report.calls()[0].channel, 'B');
  EXPECT_EQ(report.calls()[0].code, 100);
  EXPECT_EQ(report.calls()[0].text,
            "Attempt to read a fixed width int greater than 16 long\n"
            "                   Readfixedintex called with intlen parameter 20");
}

TEST(ScanField, DigitsAndBlanksOnly) {
  MemoryStream in("  42x 7");
  int out = -1;
  EXPECT_EQ(scan_field(in.get(), 5, "%d", &out), 4);
  EXPECT_EQ(out, 42);
  EXPECT_EQ(scan_field(in.get(), 5, "%d", &out), 0);
  EXPECT_EQ(read_text_char(in.get()), 'x');
  EXPECT_EQ(scan_field(in.get(), 12, "%d", &out), 0);
  EXPECT_EQ(scan_field(in.get(), 1, "%d", &out), 1);
  EXPECT_EQ(out, 42);  // a blank alone converts nothing
  EXPECT_EQ(scan_field(in.get(), 3, "%d", &out), 1);
  EXPECT_EQ(out, 7);
  EXPECT_EQ(scan_field(in.get(), 3, "%d", &out), -1);
}

// ---- bounded lines ---------------------------------------------------------

TEST(ReadLine, SizeTenTakesNineCharacters) {
  MemoryStream in("123456789\n1234567890\nnext\r\n");
  char buf[10];
  int overflow = -1;
  EXPECT_EQ(read_line(in.get(), buf, 10, false, false, true, &overflow), 9);
  EXPECT_STREQ(buf, "123456789");
  EXPECT_EQ(overflow, 0);
  EXPECT_EQ(read_line(in.get(), buf, 10, false, false, true, &overflow), 9);
  EXPECT_EQ(overflow, 10);
  EXPECT_STREQ(buf, "123456789");
  EXPECT_EQ(read_line(in.get(), buf, 10, false, false, true, &overflow), 4);
  EXPECT_STREQ(buf, "next");
  EXPECT_EQ(overflow, 0);
  EXPECT_EQ(read_line(in.get(), buf, 10, false, false, true, &overflow), -1);
  EXPECT_STREQ(buf, "");
}

TEST(ReadLine, OverflowWithoutOutWritesTheErrorBlock) {
  sorvi_test::ReportCapture report;
  MemoryStream in("1234567890\nnext\n");
  char buf[10];
  EXPECT_EQ(read_line(in.get(), buf, 10, false, false, false, nullptr), -1);
  ASSERT_EQ(report.calls().size(), 2u);
  EXPECT_EQ(report.calls()[0].channel, 'A');
  EXPECT_EQ(report.calls()[0].code, 101);
  EXPECT_EQ(report.calls()[1].channel, 'A');
  EXPECT_EQ(report.calls()[1].code, 2);
  EXPECT_EQ(report.lines(),
            "Buffer starts \"1234567890\"\n"
            "String overflow in read_line, more than 10 characters found\n");
}

TEST(ReadLine, OverflowReportShowsAtMostHundredCharacters) {
  sorvi_test::ReportCapture report;
  std::string longline(300, 'y');
  MemoryStream in(longline + "\n");
  char buf[200];
  EXPECT_EQ(read_line_from_file(in.get(), buf, 200, false), -1);
  EXPECT_EQ(report.lines(), "Buffer starts \"" + std::string(100, 'y') +
                                "\"\nString overflow in read_line, more than 200 characters found\n");
}

TEST(ReadLine, BlanksFormFeedsAndLineEnds) {
  MemoryStream in(" \t a\fb \r\n\f\n\nlast");
  char buf[32];
  EXPECT_EQ(read_line(in.get(), buf, 32, true, true, false, nullptr), 3);
  EXPECT_STREQ(buf, "ab ");
  EXPECT_EQ(read_line(in.get(), buf, 32, false, false, false, nullptr), 1);
  EXPECT_STREQ(buf, "\f");
  EXPECT_EQ(read_line(in.get(), buf, 32, false, false, false, nullptr), 0);
  EXPECT_FALSE(feof(in.get()));
  EXPECT_EQ(read_line(in.get(), buf, 32, false, false, false, nullptr), 4);
  EXPECT_STREQ(buf, "last");
  EXPECT_EQ(read_line_from_file(in.get(), buf, 32, false), 0);
  EXPECT_EQ(read_text_line(in.get(), buf, 32, false), -1);
}

TEST(ReadLine, TrailingCarriageReturnsAndLastLineWithoutLineEnd) {
  MemoryStream in("abc\r\r\n123456789");
  char buf[10];
  int overflow = -1;
  EXPECT_EQ(read_line(in.get(), buf, 10, false, false, true, &overflow), 3);
  EXPECT_STREQ(buf, "abc");
  EXPECT_EQ(read_line(in.get(), buf, 10, false, false, true, &overflow), 9);
  EXPECT_STREQ(buf, "123456789");
  EXPECT_EQ(overflow, 0);
  EXPECT_EQ(read_line(in.get(), buf, 10, false, false, true, &overflow), -1);
}

// ---- skipping ----------------------------------------------------------------

TEST(Skipping, LineEndsAndLineCounts) {
  MemoryStream in("abc\r\ndef\rghi\njkl");
  bool eof = false;
  EXPECT_TRUE(skip_to_line_end(in.get(), &eof));
  EXPECT_EQ(read_text_char(in.get()), 'd');
  skip_lines(in.get(), 2, &eof);
  EXPECT_FALSE(eof);
  EXPECT_EQ(read_text_char(in.get()), 'j');
  skip_lines(in.get(), 5, &eof);
  EXPECT_TRUE(eof);
}

TEST(Skipping, CommentLinesTakeTheNextLinesFirstCharacter) {
  MemoryStream in("# comment\n\n#x\r\n\r\nAbc\n#not skipped\n");
  skip_comment_lines(in.get());
  EXPECT_EQ(in.rest(), "bc\n#not skipped\n");
  MemoryStream only("#a\n#b");
  skip_comment_lines(only.get());
  EXPECT_EQ(only.rest(), "");
}

// ---- counted string ----------------------------------------------------------

TEST(CountedString, FixedWidthLengthThenBlanksThenText) {
  MemoryStream in(" 12 hello world!rest\n");
  char buf[64];
  bool eol = false, eof = false;
  EXPECT_EQ(read_counted_string(in.get(), buf, sizeof buf, 3, 1, &eol, &eof), 12);
  EXPECT_STREQ(buf, "hello world!");
  EXPECT_EQ(in.rest(), "rest\n");
  EXPECT_FALSE(eol);
  EXPECT_FALSE(eof);
}

TEST(CountedString, FreeIntegerLengthAndNoSeparator) {
  MemoryStream in("5 abcde    3xyz");
  char buf[64];
  bool eol = false, eof = false;
  EXPECT_EQ(read_counted_string(in.get(), buf, sizeof buf, 0, 1, &eol, &eof), 5);
  EXPECT_STREQ(buf, "abcde");
  EXPECT_EQ(read_counted_string(in.get(), buf, sizeof buf, 5, 0, &eol, &eof), 3);
  EXPECT_STREQ(buf, "xyz");
}

TEST(CountedString, LongTextIsCutToTheBufferButConsumed) {
  MemoryStream in("10 0123456789|");
  char buf[5];
  EXPECT_EQ(read_counted_string(in.get(), buf, sizeof buf, 0, 1, nullptr, nullptr), 4);
  EXPECT_STREQ(buf, "0123");
  EXPECT_EQ(in.rest(), "|");
}

TEST(CountedString, BadSeparatorsAndEarlyEnds) {
  char buf[16];
  {
    MemoryStream in("  3x abc");
    bool eol = false, eof = false;
    EXPECT_EQ(read_counted_string(in.get(), buf, sizeof buf, 3, 1, &eol, &eof), -1);
    EXPECT_FALSE(eol);
  }
  {
    MemoryStream in("  3\r\nabc");
    bool eol = false, eof = false;
    EXPECT_EQ(read_counted_string(in.get(), buf, sizeof buf, 3, 1, &eol, &eof), -1);
    EXPECT_TRUE(eol);
  }
  {
    MemoryStream in("  9 abc");
    bool eol = false, eof = false;
    EXPECT_EQ(read_counted_string(in.get(), buf, sizeof buf, 3, 1, &eol, &eof), -1);
    EXPECT_TRUE(eof);
    EXPECT_STREQ(buf, "abc");
  }
  {
    MemoryStream in(" -2 ab");
    EXPECT_EQ(read_counted_string(in.get(), buf, sizeof buf, 3, 1, nullptr, nullptr), -1);
  }
}

}  // namespace
}  // namespace sorvi
