// Links from a standards violation to the suite's help page of its
// standard, and the small text readings that find the standard of a line.
#pragma once

#include <string>

namespace sorvi {

// The standards page, relative to the suite directory, in the layout
// "UPDATED_HTML_STANDARD_LINKS" chooses (read once per process):
// "standards_info/html/standards.htm", or the older
// "Standards_and_MISRA_info/Standard/standard.html".
const std::string& standards_help_page();

// "<page>#standard_<letter in lower case><number>".
std::string standards_help_link(char letter, int number);

// The standard of a violation line as a view shows it: the words (blanks
// and tabs between) with s = 1 when the line starts with '/', else 0: word
// s+1 begins with '(', word s+3 is "VIOLATION", word s+5 the number and
// word s+6 the single letter; in the alternative format "VIOLATION" is word
// s+2, the number s+4 and the letter s+5. False when the line is not one.
bool parse_violation_line(const std::string& line, bool alternative_format, char* letter, int* number);

// The "%d %c" of a violation list's identifier column: false unless both
// a number and a letter are read.
bool parse_violation_identifier(const std::string& text, char* letter, int* number);

// The URL an HTML document's path becomes: "file:///" in front ("file://"
// before an absolute path, which has its own slash) unless it starts with
// "file:", "http:" or "https:", every backslash made a slash.
std::string html_document_url(const std::string& path);

// The HTML text size 0..4 from "SORVI_HTML_FONT_SIZE" (any other value: 0).
int html_text_size();

void reset_help_links();

}  // namespace sorvi
