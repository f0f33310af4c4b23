#include "app/view_positioning.h"

#include <algorithm>
#include <cstdio>

#include "config/startup_options.h"

namespace sorvi {

const char kSearchNotFound[] = "Search String not found!";

int& remembered_line() {
  static int line = 0;
  return line;
}

void reset_remembered_line() { remembered_line() = 0; }

ViewPositioning plan_view_positioning(int line_count, bool use_remembered) {
  ViewPositioning p;
  StartupOptions& o = startup_options();
  const int last = std::max(line_count - 1, 0);
  // A start line of 0 stands for the first line; it gives way to EndOfFile,
  // which asks for the last one. Only a positive start line keeps the
  // remembered line from moving the caret.
  const bool start_used = o.Start >= 1;
  if (o.Start >= 1 || (o.Start == 0 && !o.EndOfFile)) {
    p.activate = true;
    const int first = std::max(std::min(o.Start - 1, last), 0);
    if (o.End < 1) {
      p.caret = true;
      p.caret_line = first;
    } else {
      p.select = true;
      p.first_line = first;
      p.end_line = std::max(first, std::min(o.End, std::max(line_count, 0)));
      o.End = 0;
    }
    p.scroll_line = first;
    o.Start = 0;
  } else if (o.EndOfFile) {
    p.activate = true;
    if (line_count > 1) {
      p.caret = true;
      p.caret_line = last;
      p.scroll_line = last;
    }
    o.EndOfFile = false;
  }
  int& remembered = remembered_line();
  if (!start_used && use_remembered && remembered > 0) {
    p.scroll_line = remembered > line_count ? std::max(line_count - 10, 0) : remembered - 1;
    p.caret = true;
    p.select = false;
    p.caret_line = std::min(remembered - 1, last);
    remembered = 0;
  }
  return p;
}

std::string caret_status_text(int line, long column_in_line) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "Ln %d, Col %u", line, static_cast<unsigned>(std::max(column_in_line + 1, 0L)));
  return buf;
}

long find_from_selection(bool forward, long selection_start, long text_length, const TextFinder& find) {
  if (forward) {
    const long from = selection_start + 1;
    if (from > text_length) return -1;
    return find(from, text_length);
  }
  if (selection_start <= 0) return -1;
  const long end = selection_start - 1;
  const long first = find(0, end);
  if (first < 0) return -1;
  long low = first, high = end, found = first;
  for (;;) {
    const long middle = (low + high) / 2;
    if (middle == low) break;
    const long hit = find(middle, high);
    if (hit >= 0) {
      low = middle;
      found = hit;
    } else {
      high = middle;
    }
  }
  return found;
}

}  // namespace sorvi
