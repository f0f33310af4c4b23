// The suite's language codes: 0 (none) to 16, with names and short names.
// The short name forms per-language profile keys and data-file names.
#pragma once

#include <string>

namespace sorvi {

constexpr int kLanguageCount = 17;

// The name of a language ("C", "C++", ...); empty outside 0..16.
const char* language_name(int code);
// The short name ("c", "cpp", ...); empty outside 0..16.
const char* language_short_name(int code);

// A per-language profile key: the short name before (prefix) or after the
// base name, optionally upper-cased. A code outside 0..16 adds nothing (the
// base, upper-cased if asked); a code below 0 or above 17 leaves the base as
// it is.
std::string language_key_name(int code, const std::string& base, bool upper_case, bool prefix);

// Upper-cases ASCII letters only, as the C library does in the "C" locale.
std::string ascii_upper(const std::string& text);

}  // namespace sorvi
