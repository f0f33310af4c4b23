// Keeping the caret on the same code line when the user switches an
// annotation kind on: the lines of the new text are counted as new (of a
// kind just switched on) or old, and the caret line grows by the new lines
// above it. The rich-text writer and the windows that stream the lines both
// map the caret this way.
#pragma once

namespace sorvi {

// Which annotation kinds the user has just switched on; set by the
// reformatted-source document, cleared after every write.
struct SwitchedOn {
  bool blocks = false;
  bool coverage = false;
  bool violations = false;
  bool dataflow = false;
};
SwitchedOn& just_switched_on();
void clear_just_switched_on();

// Maps a 1-based caret line (0: none) through a text given line by line.
// A rule is judged by the line after it, so each line is classified when
// the next one arrives; finish() classifies the last one as followed by a
// code line.
class CaretMapper {
 public:
  CaretMapper(const SwitchedOn& switched, int caret_line);
  void line(int style);
  // Ends the text and gives the mapped caret line.
  int finish();
  int caret_line() const { return caret_; }
  // Whether the caret line is final (the old lines have reached it).
  bool mapped() const { return caret_done_; }

 private:
  void classify(int style, int next_style);

  SwitchedOn switched_;
  int caret_;
  bool caret_done_;
  long old_lines_ = 0;
  long new_lines_ = 0;
  bool after_new_dataflow_ = false;
  bool have_pending_ = false;
  int pending_style_ = 0;
};

}  // namespace sorvi
