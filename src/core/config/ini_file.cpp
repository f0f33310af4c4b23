#include "config/ini_file.h"

#include <fstream>
#include <map>
#include <sstream>
#include <sys/stat.h>

namespace sorvi {
namespace {

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return std::string();
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Splits a text into lines, dropping LF or CR LF ends. A last line without
// an end is kept.
std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t nl = text.find('\n', at);
    size_t end = nl == std::string::npos ? text.size() : nl;
    size_t stop = end;
    if (stop > at && text[stop - 1] == '\r') --stop;
    lines.push_back(text.substr(at, stop - at));
    if (nl == std::string::npos) break;
    at = nl + 1;
  }
  return lines;
}

// A section header line "[name]" (blanks around allowed); returns the name.
bool header_name(const std::string& line, std::string* name) {
  std::string t = trim(line);
  if (t.empty() || t[0] != '[') return false;
  size_t close = t.find(']');
  *name = trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
  return true;
}

bool is_comment(const std::string& trimmed) { return trimmed.empty() || trimmed[0] == ';'; }

struct CacheEntry {
  time_t mtime_sec = 0;
  long mtime_nsec = 0;
  off_t size = -1;
  IniDocument doc;
};

std::map<std::string, CacheEntry>& cache() {
  static std::map<std::string, CacheEntry> c;
  return c;
}

}  // namespace

bool ini_names_equal(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string ini_unquote(const std::string& value) {
  if (value.size() > 2 && value.front() == '"' && value.back() == '"') {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

IniDocument IniDocument::parse(const std::string& text) {
  IniDocument doc;
  IniSection* current = nullptr;
  for (const std::string& line : split_lines(text)) {
    std::string name;
    if (header_name(line, &name)) {
      doc.sections_.push_back(IniSection{name, {}, {}});
      current = &doc.sections_.back();
      continue;
    }
    std::string t = trim(line);
    if (!current || is_comment(t)) continue;
    current->raw_lines.push_back(t);
    size_t eq = t.find('=');
    if (eq == std::string::npos) continue;
    std::string key = trim(t.substr(0, eq));
    if (key.empty()) continue;
    current->entries.push_back(IniEntry{key, ini_unquote(trim(t.substr(eq + 1)))});
  }
  return doc;
}

std::vector<std::string> IniDocument::section_names() const {
  std::vector<std::string> names;
  for (const IniSection& s : sections_) {
    bool seen = false;
    for (const std::string& n : names) seen = seen || ini_names_equal(n, s.name);
    if (!seen) names.push_back(s.name);
  }
  return names;
}

const IniSection* IniDocument::find_section(const std::string& name) const {
  for (const IniSection& s : sections_) {
    if (ini_names_equal(s.name, name)) return &s;
  }
  return nullptr;
}

std::optional<std::string> IniDocument::value(const std::string& section, const std::string& key) const {
  const IniSection* s = find_section(section);
  if (!s) return std::nullopt;
  for (const IniEntry& e : s->entries) {
    if (ini_names_equal(e.key, key)) return e.value;
  }
  return std::nullopt;
}

const IniDocument& ini_load(const std::string& path) {
  static const IniDocument empty;
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    cache().erase(path);
    return empty;
  }
  CacheEntry& entry = cache()[path];
  if (entry.size == st.st_size && entry.mtime_sec == st.st_mtim.tv_sec &&
      entry.mtime_nsec == st.st_mtim.tv_nsec) {
    return entry.doc;
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  entry.doc = IniDocument::parse(text.str());
  entry.size = st.st_size;
  entry.mtime_sec = st.st_mtim.tv_sec;
  entry.mtime_nsec = st.st_mtim.tv_nsec;
  return entry.doc;
}

void ini_forget_cache() { cache().clear(); }

bool ini_write(const std::string& path, const std::string& section, const std::string& key,
               const std::string& value) {
  if (path.empty() || key.empty()) return false;
  std::string text;
  {
    std::ifstream in(path, std::ios::binary);
    if (in) {
      std::ostringstream all;
      all << in.rdbuf();
      text = all.str();
    }
  }
  const std::string eol = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
  std::vector<std::string> lines = split_lines(text);
  const std::string new_line = key + "=" + value;

  // Find the first section of that name and, in it, the key's first line.
  long section_at = -1, key_at = -1, last_entry = -1;
  bool in_target = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string name;
    if (header_name(lines[i], &name)) {
      if (in_target) break;
      if (section_at < 0 && ini_names_equal(name, section)) {
        section_at = static_cast<long>(i);
        last_entry = static_cast<long>(i);
        in_target = true;
      }
      continue;
    }
    if (!in_target) continue;
    std::string t = trim(lines[i]);
    if (t.empty()) continue;
    last_entry = static_cast<long>(i);
    if (is_comment(t)) continue;
    size_t eq = t.find('=');
    if (eq != std::string::npos && ini_names_equal(trim(t.substr(0, eq)), key)) {
      key_at = static_cast<long>(i);
      break;
    }
  }
  if (key_at >= 0) {
    lines[static_cast<size_t>(key_at)] = new_line;
  } else if (section_at >= 0) {
    lines.insert(lines.begin() + last_entry + 1, new_line);
  } else {
    lines.push_back("[" + section + "]");
    lines.push_back(new_line);
  }

  std::string out;
  for (const std::string& l : lines) out += l + eol;
  {
    std::ofstream o(path, std::ios::binary | std::ios::trunc);
    if (!o) return false;
    o << out;
    if (!o.flush()) return false;
  }
  cache().erase(path);
  return true;
}

}  // namespace sorvi
