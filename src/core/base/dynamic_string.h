// Dynamic strings: a slot that holds either no string (null) or a text of
// exactly its own length. The readers keep names and texts of records in
// such slots and tell "no text" apart from "empty text".
#pragma once

#include <optional>
#include <string>

namespace sorvi {

using DynamicString = std::optional<std::string>;

// The slot's text, or nullptr for an empty slot.
const char* dynamic_string_text(const DynamicString& slot);

// A null text empties the slot. Otherwise the slot takes a copy of the text.
// On allocation failure the slot is left as it was and the result is false;
// with `report` set, the error block
//   "Unable to allocate memory for dynamic string.\n"
//   "String being allocated is \"%s\", length %d\n"
// is written on channel A of the fatal report (opened with 101, closed with 2).
bool set_dynamic_string(DynamicString& slot, const char* text, bool report);

// Appends at most `max` characters of the text (a negative max: all of it);
// an empty slot starts as an empty text. A null text changes nothing and
// succeeds. False only on allocation failure (no message).
bool append_dynamic_string(DynamicString& slot, const char* text, int max);

// Replaces the first occurrence of `search` (every occurrence with `all`),
// compared with or without regard to case. An empty slot or an empty search
// text has no occurrence; a null replacement counts as empty. The slot takes
// the new text only when it was built. Returns success; with `report_change`
// set, success and at least one replacement. No message.
bool replace_in_dynamic_string(DynamicString& slot, const char* search, const char* replacement, bool all,
                               bool case_sensitive, bool report_change);

// Empties the slot.
void free_dynamic_string(DynamicString& slot);

}  // namespace sorvi
