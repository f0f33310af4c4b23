// Stream routines for the suite's fixed-column text work files.
//
// Work files were written for a system whose text streams turn CR LF into
// LF. Here every routine reads through read_text_char, which does the same:
// a CR directly followed by LF is read as that single LF, so files with LF
// and with CR LF line ends read alike. A CR not followed by LF is an
// ordinary character unless a routine says otherwise. "A line end" below is
// such a LF (or CR LF).
//
// Flag outputs (end of file, end of line) are optional pointers; a routine
// only ever sets them to true, never back to false, so a caller can read
// several fields and test once. Callers start them false.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

namespace sorvi {

// The widest field the fixed-width readers accept.
constexpr int kMaxFixedIntWidth = 16;

// Sends, with code 100 on channel B, the message of a fixed-width read
// asked for more than 16 characters: "Attempt to read a fixed width int
// greater than 16 long\n                   <routine> called with intlen
// parameter <width>". Readers of in-memory record lines use it too.
void report_fixed_width_too_large(const char* routine, int width);

// The next character as a text stream would give it (CR LF -> LF), or EOF.
int read_text_char(FILE* stream);

// ---- the stream's buffer ------------------------------------------------------

// The characters the stream holds read ahead, from its read position on:
// refills an empty buffer first; false at the end of the file (or on a read
// error, which the stream records). Reading through this view and through
// getc gives the same characters in the same order.
bool buffered_chars(FILE* stream, const char** data, size_t* size);
// Consumes `count` characters of the view buffered_chars gave last (at most
// its size).
void consume_buffered(FILE* stream, size_t count);

// Reads one line as read_text_char would, up to and including its LF (a CR
// right before the LF belongs to the line end), handing the line's
// characters to `take(const char* run, size_t length)` in runs, without
// going through them one by one. Returns 0 at the end of the file with
// nothing read, 1 when a line end was read, 2 when the file ended after
// characters.
template <typename Take>
int scan_text_line(FILE* stream, Take&& take) {
  bool any = false;
  bool held_cr = false;  // a CR at the end of a buffer: its partner decides
  const char* data = nullptr;
  size_t size = 0;
  while (buffered_chars(stream, &data, &size)) {
    any = true;
    if (held_cr) {
      held_cr = false;
      if (data[0] == '\n') {
        consume_buffered(stream, 1);
        return 1;
      }
      take("\r", 1);
    }
    const char* lf = static_cast<const char*>(std::memchr(data, '\n', size));
    if (lf) {
      const size_t n = static_cast<size_t>(lf - data);
      take(data, n > 0 && data[n - 1] == '\r' ? n - 1 : n);
      consume_buffered(stream, n + 1);
      return 1;
    }
    if (data[size - 1] == '\r') {
      held_cr = true;
      take(data, size - 1);
    } else {
      take(data, size);
    }
    consume_buffered(stream, size);
  }
  if (held_cr) take("\r", 1);
  return any ? 2 : 0;
}

// ---- lines of any length ---------------------------------------------------

// Reads one line of any length. The line ends at LF (a CR right after it is
// consumed too) or at CR (a LF right after it is consumed too); the
// terminator is not returned. NUL bytes are dropped. False at end of file
// when no character was read.
bool read_any_line(FILE* stream, std::string& line);
// The same, then removes leading and/or trailing spaces.
bool read_any_line_trimmed(FILE* stream, std::string& line, bool trim_leading, bool trim_trailing);

// ---- integers ----------------------------------------------------------------

// Skips characters up to the first digit, then takes characters up to a
// space, a line end or the end of file; the terminator is consumed. The text
// taken must be a decimal (or 0x hexadecimal) integer within the int range.
// A line end before any digit consumes it and fails. `end_of_line` is set
// when the read consumed a line end, `end_of_file` when it met the end of
// the file. Returns success; `value` is set only on success.
bool read_int_from_stream(FILE* stream, int& value, bool* end_of_line = nullptr, bool* end_of_file = nullptr);

// Reads exactly `width` characters (fewer at end of file, which sets the
// flag). A blank counts as 0, any other character adds (its code - '0')
// times its weight 10^(width-1-i), i counting from 0; line ends are
// ordinary characters here. Returns the value, clamped to the int range.
// A width above 16 reads nothing, sends "Attempt to read a fixed width int
// greater than 16 long\n                   Readfixedint called with intlen
// parameter <width>" with code 100 on channel B, sets the flag and
// returns 0. A width below 1 reads nothing and returns 0.
int Readfixedint(FILE* stream, int width, bool* end_of_file);

// Consumes `width` characters unless a line end (consumed; sets
// `end_of_line`) or the end of file (sets `end_of_file`) comes first.
// Leading blanks and one "-" before the first digit belong to the number
// (the minus makes it negative); each digit weighs 10^(width-1-k), k being
// the number of characters of the number before it, so the field is
// right-aligned. A blank after the digits or any other character ends the
// number; that character and the rest of the field are consumed unread.
// `value` gets the number (clamped to the int range; 0 without digits).
// Returns the number of characters that formed the number. Widths above 16
// send the message of Readfixedint naming Readfixedintex, set `end_of_file`
// and return 0 with value 0.
int Readfixedintex(FILE* stream, int width, int* value, bool* end_of_file, bool* end_of_line);

// For a width of 1..11: takes at most `width` characters that are digits or
// blanks (the first other character is left in the stream) and converts them
// with `format`, which must convert one int (such as "%d"), into `out`
// (left alone when nothing converts). Returns the number of characters
// taken, -1 at end of file, 0 when the next character is neither (or the
// width is out of range).
int scan_field(FILE* stream, int width, const char* format, int* out);

// ---- bounded lines ---------------------------------------------------------

// Reads one line into `buffer`, which holds `size` bytes: at most size - 1
// characters and a NUL. The line end is consumed and not stored; trailing
// CR characters are removed. With `skip_leading_blanks` spaces and tabs at
// the start are skipped; with `drop_form_feeds` form feeds (code 12) are
// dropped. Returns the number of characters stored.
// A line of more than size - 1 characters overflows; its whole line is
// consumed. With `overflow`, the line's full length goes there (else 0),
// the buffer keeps the first size - 1 characters and the result is size - 1.
// Without it, the error block "Buffer starts \"%s\"\n" (at most the first
// 100 characters, and no more than `size`) and "String overflow in
// read_line, more than %d characters found\n" (size) is written on channel
// A (opened with 101, closed with 2) and the result is -1.
// At end of file (no character read) the buffer is empty and the result is
// -1 when `eof_is_error`, else 0.
int read_line(FILE* stream, char* buffer, int size, bool skip_leading_blanks, bool drop_form_feeds,
              bool eof_is_error, int* overflow);
// read_line keeping form feeds, with end of file giving 0 and the overflow report.
int read_line_from_file(FILE* stream, char* buffer, int size, bool skip_leading_blanks);
// read_line keeping form feeds, with end of file giving -1 and the overflow report.
int read_text_line(FILE* stream, char* buffer, int size, bool skip_leading_blanks);

// ---- skipping ----------------------------------------------------------------

// Reads up to and including the next LF, CR LF or lone CR. False, with the
// flag set, when the end of file came first.
bool skip_to_line_end(FILE* stream, bool* end_of_file);
// skip_to_line_end n times, stopping at the end of file.
void skip_lines(FILE* stream, int n, bool* end_of_file);
// Skips empty lines and lines starting with "#". The first character of the
// line after them is consumed as well and is lost to the caller.
void skip_comment_lines(FILE* stream);

// ---- counted string ----------------------------------------------------------

// Reads a length N (Readfixedintex of `width` characters, or, when width
// <= 0, read_int_from_stream, whose ending blank then counts as the first
// separator), then `blanks` separating characters, which must be spaces,
// then N characters of any kind (line ends included). The buffer of `buffer_size` bytes keeps the first
// buffer_size - 1 of them and a NUL; the rest are consumed. Returns the
// number of characters stored, or -1 when the length is missing or
// negative, a separator is a line end (sets `end_of_line`) or another
// non-blank, or the end of file comes first (sets `end_of_file`).
int read_counted_string(FILE* stream, char* buffer, int buffer_size, int width, int blanks, bool* end_of_line,
                        bool* end_of_file);

}  // namespace sorvi
