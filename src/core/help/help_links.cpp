#include "help/help_links.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "config/profile.h"

namespace sorvi {
namespace {

std::string& page() {
  static std::string p;
  return p;
}

std::vector<std::string> words_of(const std::string& line) {
  std::vector<std::string> words;
  size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    size_t end = at;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
    if (end > at) words.push_back(line.substr(at, end - at));
    at = end;
  }
  return words;
}

bool is_decimal(const std::string& w) {
  if (w.empty()) return false;
  for (char c : w) {
    if (c < '0' || c > '9') return false;
  }
  return w.size() <= 9;
}

bool starts_with(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

const std::string& standards_help_page() {
  if (page().empty()) {
    page() = get_profile_bool("UPDATED_HTML_STANDARD_LINKS", true, false)
                 ? "standards_info/html/standards.htm"
                 : "Standards_and_MISRA_info/Standard/standard.html";
  }
  return page();
}

std::string standards_help_link(char letter, int number) {
  const char lower = (letter >= 'A' && letter <= 'Z') ? static_cast<char>(letter - 'A' + 'a') : letter;
  return standards_help_page() + "#standard_" + lower + std::to_string(number);
}

bool parse_violation_line(const std::string& line, bool alternative_format, char* letter, int* number) {
  const std::vector<std::string> w = words_of(line);
  const size_t s = !line.empty() && line[0] == '/' ? 1 : 0;
  const size_t head = s + 1, violation = s + (alternative_format ? 2 : 3), num = s + (alternative_format ? 4 : 5),
               let = s + (alternative_format ? 5 : 6);
  // Words are counted from 1.
  if (w.size() < let) return false;
  if (w[head - 1].empty() || w[head - 1][0] != '(') return false;
  if (w[violation - 1] != "VIOLATION") return false;
  if (!is_decimal(w[num - 1]) || w[let - 1].size() != 1) return false;
  *number = std::atoi(w[num - 1].c_str());
  *letter = w[let - 1][0];
  return true;
}

bool parse_violation_identifier(const std::string& text, char* letter, int* number) {
  int n = 0;
  char c = 0;
  if (std::sscanf(text.c_str(), "%d %c", &n, &c) != 2) return false;
  *number = n;
  *letter = c;
  return true;
}

std::string html_document_url(const std::string& path) {
  std::string url = path;
  if (!url.empty() && !starts_with(url, "file:") && !starts_with(url, "http:") && !starts_with(url, "https:")) {
    // An absolute Linux path brings its own leading slash.
    url = (url[0] == '/' ? "file://" : "file:///") + url;
  }
  for (char& c : url) {
    if (c == '\\') c = '/';
  }
  return url;
}

int html_text_size() {
  const int size = get_profile_int("SORVI_HTML_FONT_SIZE", 0, false, nullptr);
  return size >= 0 && size <= 4 ? size : 0;
}

void reset_help_links() { page().clear(); }

}  // namespace sorvi
