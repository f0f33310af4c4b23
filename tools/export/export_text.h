// Texts in the output formats: JSON strings, XML and HTML text, file URIs.
// The suite's texts are 8-bit; a byte sequence that is valid UTF-8 is kept,
// any other byte is taken as Latin-1, so every output is valid UTF-8.
#pragma once

#include <string>

namespace sorvi_export {

// The text as valid UTF-8 (invalid bytes read as Latin-1).
std::string to_utf8(const std::string& text);
// A JSON string literal, quotes included.
std::string json_string(const std::string& text);
// Text for XML or HTML content and attribute values; characters XML does
// not allow become "?".
std::string xml_text(const std::string& text);
// The same, appended to `out`.
void append_xml_text(std::string& out, const std::string& text);
// "file://" and the absolute path, percent-encoded where a URI needs it.
std::string file_uri(const std::string& absolute_path);
// A ratio as "0.8125" (4 decimals; 1 when the whole is 0).
std::string rate_text(long long part, long long whole);

}  // namespace sorvi_export
