// An INI reader and writer with the semantics the suite's profile relies on:
// section and key names match without regard to case, the first match wins,
// "key=value" splits at the first '=', blanks around key and value are
// trimmed, a value longer than two characters wrapped in double quotes loses
// them, and a write changes only the line it must, keeping the rest of the
// file (comments included) as it was.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sorvi {

struct IniEntry {
  std::string key;
  std::string value;
};

struct IniSection {
  std::string name;
  std::vector<IniEntry> entries;       // key=value lines, in file order
  std::vector<std::string> raw_lines;  // every non-blank, non-comment line
};

// A parsed INI text. Lines may end in LF or CR LF.
class IniDocument {
 public:
  static IniDocument parse(const std::string& text);

  // Section names in file order, each once (first spelling kept).
  std::vector<std::string> section_names() const;
  // The first section of that name, or null.
  const IniSection* find_section(const std::string& name) const;
  // The value of the key in the first section of that name.
  std::optional<std::string> value(const std::string& section, const std::string& key) const;

 private:
  std::vector<IniSection> sections_;
};

// Removes the quotes of a value longer than two characters that begins and
// ends with '"'.
std::string ini_unquote(const std::string& value);

// Case-insensitive comparison of ASCII names.
bool ini_names_equal(const std::string& a, const std::string& b);

// Reads and parses a file; an unreadable file reads as empty. The parse is
// cached while the file's size and modification time stay the same.
const IniDocument& ini_load(const std::string& path);

// Writes key=value into the section of the file: replaces the key's first
// line in the first section of that name, or adds it at the end of that
// section, or adds the section at the end of the file. Creates the file when
// missing. Returns false when the file cannot be written.
bool ini_write(const std::string& path, const std::string& section, const std::string& key,
               const std::string& value);

// Forgets cached parses (tests change files within one clock tick).
void ini_forget_cache();

}  // namespace sorvi
