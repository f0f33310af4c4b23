// The fields of one line of the suite's record work files (".sf1", ".sif",
// ".pf1" ..., ".sf3").
//
// Every record line starts with three 4-character fields (module number,
// procedure number, record type) followed by fields of its type. The
// readers take one line at a time (bounded, LF and CR LF alike) and walk it
// with a RecordLine, so a short or damaged line can never run a field into
// the next line: the end of the line ends every field.
//
// Field rules, as the stream routines of base/text_reader.h have them:
//   fixed        - Readfixedint: `width` characters, a blank counts as 0,
//                  any other character adds (its code - '0') times its
//                  positional weight; the end of the line ends the field
//                  with the weights of the characters read;
//   fixed_signed - Readfixedintex: leading blanks and one "-" belong to the
//                  number, digits weigh by their place in the number, a
//                  blank after the digits or another character ends it; the
//                  end of the line ends the field and is reported.
// A width above 16 reads nothing and sends the fixed-width report of the
// stream routines (code 100, channel B); the line is then marked failed.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace sorvi {

// A record line keeps at most this many characters; the rest of a longer
// line is read past.
constexpr int kRecordLineMax = 4095;

// The longest text read as "the rest of the line" of a record.
constexpr size_t kRecordTextMax = 520;

// Reads the next line of a record file into `line` (at most kRecordLineMax
// characters, line end removed). False at the end of the file.
bool read_record_line(FILE* stream, std::string& line);

// The number of lines from the stream's read position to its end (a last
// line without a line end counts), leaving the position where it was; 0
// when the stream cannot go back (then nothing is read). A reader uses it
// to make room for its records at once.
size_t lines_ahead(FILE* stream);

// The same, without copying the line when the stream holds all of it in
// its buffer: `data` and `size` then point into that buffer and stay valid
// until the stream is read again; otherwise `scratch` holds the line and
// they point into it.
bool read_record_line(FILE* stream, std::string& scratch, const char** data, size_t* size);

// The three fields every record line starts with.
struct RecordHead {
  int module_number = 0;
  int procedure_number = 0;
  int type = 0;
};

class RecordLine {
 public:
  explicit RecordLine(const std::string& text) : data_(text.data()), size_(text.size()) {}
  RecordLine(const char* data, size_t size) : data_(data), size_(size) {}

  // Reads the module, procedure and type fields.
  RecordHead head();

  int fixed(int width);
  // Returns the number of characters that formed the number; `value` gets
  // it (0 without digits); `line_ended` is set when the line ended inside
  // the field.
  int fixed_signed(int width, int* value, bool* line_ended);

  // Passes over `count` characters (fewer at the end of the line).
  void skip(int count);
  // Passes over spaces and tabs.
  void skip_blanks();
  // The next character, or -1 at the end of the line.
  int next_char();
  // Everything from here to the end of the line, at most `max` characters.
  std::string rest(size_t max = kRecordTextMax);

  // Free-form fields as scanf reads them: white space is skipped first.
  // "%d": an optional sign and digits (clamped to the int range).
  bool scan_int(int* value);
  // " %c": the next character that is not white space.
  bool scan_char(char* value);
  // "%s": the next run of characters that are not white space.
  bool scan_word(std::string* value);

  bool at_end() const { return pos_ >= size_; }
  bool failed() const { return failed_; }

 private:
  const char* data_;
  size_t size_;
  size_t pos_ = 0;
  bool failed_ = false;
};

// Removes trailing blanks (spaces only).
void trim_trailing_blanks(std::string& text);

}  // namespace sorvi
