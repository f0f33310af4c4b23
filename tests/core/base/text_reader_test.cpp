// The stream routines, one table: a text, the calls made on one stream over
// it, and a dump of every call's result, what is left unread and anything
// the fatal report was told.
#include "base/text_reader.h"

#include <gtest/gtest.h>

#include <sstream>

#include "base_fixture.h"

namespace sorvi {
namespace {

std::string character(int c) { return c == EOF ? "EOF" : c == '\n' ? "LF" : std::string(1, static_cast<char>(c)); }

// One call "op a b c" on the stream: its result ("-" for none), then the flags it set.
std::string call(FILE* in, const std::string& request) {
  std::istringstream words(request);
  std::string op, line, r = "-";
  int a = 0, b = 0, c = 0, n = -2, v = -5, overflow = -1;
  words >> op >> a >> b >> c;
  bool eol = false, eof = false;
  char buf[512] = "?";
  if (op == "line") r = read_any_line(in, line) ? "[" + line + "]" : "none";
  if (op == "int") r = read_int_from_stream(in, v, &eol, &eof) ? std::to_string(v) : v == -5 ? "no" : "changed";
  if (op == "fixed") r = std::to_string(Readfixedint(in, a, &eof));
  if (op == "fixedex") n = Readfixedintex(in, a, &v, &eof, &eol);
  if (op == "char") r = character(read_text_char(in));
  if (op == "rl") n = read_line(in, buf, a, false, false, true, &overflow);  // end of file an error
  if (op == "rlbf") n = read_line(in, buf, a, true, true, false, nullptr);   // blanks and form feeds dropped
  if (op == "rlp") n = read_line(in, buf, a, false, false, false, nullptr);
  if (op == "rff") n = read_line_from_file(in, buf, a, false);
  if (op == "rtl") n = read_text_line(in, buf, a, false);
  if (op == "cs") n = read_counted_string(in, buf, c, a, b, &eol, &eof);
  if (op == "skip") r = skip_to_line_end(in, &eof) ? "ok" : "no";
  if (op == "skiplines") skip_lines(in, a, &eof);
  if (op == "comments") skip_comment_lines(in);
  if (op == "fixedex") r = std::to_string(n) + ":" + std::to_string(v);
  if (op != "fixedex" && n != -2) r = std::to_string(n) + "[" + buf + "]";
  if (overflow != -1) r += "/" + std::to_string(overflow);
  return r + (eol ? "+eol" : "") + (eof ? "+eof" : "");
}

const std::string kTooWide = "fixed width int greater than 16 long\n                   ";

TEST(TextReader, CallsOnOneStream) {
  const std::string x1000(1000, 'x');
  // text, calls separated by ';' -> dump
  const std::tuple<std::string, const char*, std::string> rows[] = {
      // Lines of any length: every line end, NUL bytes, CR then CR LF.
      {"abc\r\nabc\n\rabc\nabc\rabc", "line;line;line;line;line;line", "[abc] [abc] [abc] [abc] [abc] none |"},
      {std::string("a\0b\n\n", 5) + x1000 + "\r\r\nend", "line;line;line;line;line;line",
       "[ab] [] [" + x1000 + "] [] [end] none |"},
      // Free integers end at a blank or a line end; a line end before digits fails.
      {"  x12 34\r\n\n 0x1F 12a 99999999999 7", "int;int;int;int;int;int;int", "12 34+eol no+eol 31 no no 7+eof |"},
      // Fixed width: blanks are 0, every other character counts positionally.
      {"       12312 A", "fixed 5;fixed 5;fixed 3;fixed 1;fixed 2", "0 123 120 17 0+eof |"},
      {"12", "fixed 5", "12000+eof |"},
      {"  7\r\n  8\n  9", "fixed 3;char;fixed 3;char;fixed 3", "7 LF 8 LF 9 |"},
      {"12345678901234567890", "fixed 17;fixed 16",
       "0+eof 2147483647 |7890 B100 Attempt to read a " + kTooWide + "Readfixedint called with intlen parameter 17"},
      {"  -1212   1a345|", "fixedex 5;fixedex 5;fixedex 5", "5:-12 2:12000 1:10000 ||"},
      {"  12\r\n  12\nnext", "fixedex 7;fixedex 7", "4:12000+eol 4:12000+eol |next"},
      {"     -", "fixedex 5;fixedex 5", "5:0 1:0+eof |"},
      {"1", "fixedex 20",
       "0:0+eof |1 B100 Attempt to read a " + kTooWide + "Readfixedintex called with intlen parameter 20"},
      // Bounded lines: size 10 holds nine characters.
      {"123456789\n1234567890\nnext\r\n", "rl 10;rl 10;rl 10;rl 10",
       "9[123456789]/0 9[123456789]/10 4[next]/0 -1[]/0 |"},
      {"abc\r\r\n123456789", "rl 10;rl 10;rl 10", "3[abc]/0 9[123456789]/0 -1[]/0 |"},
      {"1234567890\nnext\n", "rlp 10",
       "-1[123456789] |next\n A101 A2 Buffer starts \"1234567890\"\n"
       "String overflow in read_line, more than 10 characters found\n"},
      {std::string(300, 'y') + "\n", "rff 200",
       "-1[" + std::string(199, 'y') + "] | A101 A2 Buffer starts \"" + std::string(100, 'y') +
           "\"\nString overflow in read_line, more than 200 characters found\n"},
      {" \t a\fb \r\n\f\n\nlast", "rlbf 32;rlp 32;rlp 32;rlp 32;rff 32;rtl 32", "3[ab ] 1[\f] 0[] 4[last] 0[] -1[] |"},
      // Skipping lines and comment lines (which takes the next line's first character).
      {"abc\r\ndef\rghi\njkl", "skip;char;skiplines 2;char;skiplines 5", "ok d - j -+eof |"},
      {"# comment\n\n#x\r\n\r\nAbc\n#not skipped\n", "comments", "- |bc\n#not skipped\n"},
      {"#a\n#b", "comments", "- |"},
      // Counted strings: a fixed or free length, separating blanks, the text.
      {" 12 hello world!rest\n", "cs 3 1 64", "12[hello world!] |rest\n"},
      {"5 abcde    3xyz", "cs 0 1 64;cs 5 0 64", "5[abcde] 3[xyz] |"},
      {"10 0123456789|", "cs 0 1 5", "4[0123] ||"},
      {"  3x abc", "cs 3 1 16", "-1[] | abc"},
      {"  3\r\nabc", "cs 3 1 16", "-1[]+eol |abc"},
      {"  9 abc", "cs 3 1 16", "-1[abc]+eof |"},
      {" -2 ab", "cs 3 1 16", "-1[] | ab"},
  };
  for (const auto& [content, calls_text, expected] : rows) {
    sorvi_test::ReportCapture report;
    sorvi_test::MemoryStream in(content);
    std::string dump, request;
    std::istringstream calls(calls_text);
    while (std::getline(calls, request, ';')) dump += call(in.get(), request) + " ";
    dump += "|" + in.rest();
    EXPECT_EQ(dump + sorvi_test::report_dump(report), expected) << calls_text;
  }
}

}  // namespace
}  // namespace sorvi
