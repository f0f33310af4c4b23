// Where a text view puts its caret and selection: the start-up options
// Start=, End= and EndOfFile, and the line remembered from the last caret
// shown in the status bar; the caret's status text; and the text search
// of the views (forward, or backward by halving the range).
#pragma once

#include <functional>
#include <string>

namespace sorvi {

// The caret line last shown in the status bar (1-based; 0 when none),
// kept for the process so a redisplayed view returns to it.
int& remembered_line();
void reset_remembered_line();

// What positioning asks of a view; lines are 0-based.
struct ViewPositioning {
  bool activate = false;  // make the view the active one
  bool select = false;    // select lines first_line .. end_line - 1
  int first_line = -1;
  int end_line = -1;      // may equal the line count: up to the end of the text
  bool caret = false;     // an empty selection at the start of caret_line
  int caret_line = -1;
  int scroll_line = -1;   // a line to scroll to (-1: none)
};

// Consumes Start=, End= and EndOfFile: a Start of 0 or more selects lines
// Start..End (or puts the caret at line Start when End is below 1; line 0
// is the first line); else, or when Start is 0, EndOfFile puts the caret at
// the start of the last line of a text of more than one line. Then, unless
// Start was positive, a positive remembered line (when `use_remembered`) is
// scrolled to and gets the caret, and is forgotten.
ViewPositioning plan_view_positioning(int line_count, bool use_remembered);

// "Ln %d, Col %u": the 1-based line and the column (the caret's offset in
// its line plus 1, never below 0).
std::string caret_status_text(int line, long column_in_line);

// `find(from, to)` gives the start of the first match lying wholly in
// [from, to), or -1.
using TextFinder = std::function<long(long from, long to)>;

// A search from the selection: forward from one character after the
// selection start to the end; backward in the range before the selection
// start (up to one character before it), taking the last match by
// halving. The start of the match, or -1 when there is none.
long find_from_selection(bool forward, long selection_start, long text_length, const TextFinder& find);

// The message of a search that found nothing.
extern const char kSearchNotFound[];

}  // namespace sorvi
