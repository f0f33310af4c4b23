#include "export/export_text.h"

#include <array>
#include <cstdio>

namespace sorvi_export {

namespace {

// The length of the valid UTF-8 sequence at `i`, 0 when there is none.
size_t utf8_length(const std::string& s, size_t i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  size_t n = 0;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
  }
  const unsigned char d = static_cast<unsigned char>(s[i + 1]);
  if ((c == 0xE0 && d < 0xA0) || (c == 0xED && d > 0x9F) || (c == 0xF0 && d < 0x90) || (c == 0xF4 && d > 0x8F))
    return 0;
  return n;
}

}  // namespace

std::string to_utf8(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    const size_t n = utf8_length(text, i);
    if (n > 0) {
      out.append(text, i, n);
      i += n;
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
      ++i;
    }
  }
  return out;
}

std::string json_string(const std::string& text) {
  const std::string s = to_utf8(text);
  std::string out = "\"";
  for (char ch : s) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

std::string xml_text(const std::string& text) {
  std::string out;
  append_xml_text(out, text);
  return out;
}

void append_xml_text(std::string& out, const std::string& text) {
  // Most texts are plain ASCII without markup characters.
  static const auto special = [] {
    std::array<bool, 256> t{};
    for (int c = 0; c < 256; ++c) t[c] = c >= 0x80 || c < 0x20 || c == '&' || c == '<' || c == '>' || c == '"' || c == '\'';
    return t;
  }();
  bool plain = true;
  for (char ch : text) {
    if (special[static_cast<unsigned char>(ch)]) {
      plain = false;
      break;
    }
  }
  if (plain) {
    out += text;
    return;
  }
  const std::string s = to_utf8(text);
  for (char ch : s) {
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default:
        if (static_cast<unsigned char>(ch) < 0x20 && ch != '\t' && ch != '\n' && ch != '\r') {
          out += '?';
        } else {
          out += ch;
        }
    }
  }
}

std::string file_uri(const std::string& absolute_path) {
  const std::string s = to_utf8(absolute_path);
  std::string out = "file://";
  if (s.empty() || s[0] != '/') out += '/';
  for (char ch : s) {
    const unsigned char c = static_cast<unsigned char>(ch);
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '/' || c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      out += ch;
    } else {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", c);
      out += buf;
    }
  }
  return out;
}

std::string rate_text(long long part, long long whole) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4f", whole > 0 ? static_cast<double>(part) / static_cast<double>(whole) : 1.0);
  return buf;
}

}  // namespace sorvi_export
