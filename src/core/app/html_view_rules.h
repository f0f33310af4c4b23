// What the HTML view decides without a window: the URL it goes to with the
// anchor that came with the file name, the late anchor after a page has
// loaded, its five text-size commands and how large each size is, and
// whether a chosen size is stored.
#pragma once

#include <string>

namespace sorvi {

// The URL of a document path (see html_document_url) with the waiting
// anchor appended; the anchor buffer is emptied once used.
std::string html_navigation_url(const std::string& document_path);

// After a page has loaded: when its location has no '#' and an anchor is
// waiting, the location with the anchor (the buffer emptied); otherwise
// empty (nothing to do).
std::string html_late_anchor_url(const std::string& location);

// The text-size commands in menu order ("Largest" ... "Smallest") and the
// size each sets: 4, 3, 2, 1, 0.
constexpr int kHtmlTextSizeCount = 5;
extern const char* const kHtmlTextSizeCommands[kHtmlTextSizeCount];
int html_text_size_of_command(int command_index);

// How large a text size (0 smallest .. 4 largest) shows the page's text,
// relative to the normal font; a size out of range is taken as 0.
double html_text_scale(int size);

// Whether choosing `chosen` while the view's setting is `current` writes
// "SORVI_HTML_FONT_SIZE" (only when they differ).
bool html_text_size_to_store(int current, int chosen);

}  // namespace sorvi
