#include "config/languages.h"

namespace sorvi {
namespace {

struct Language {
  const char* name;
  const char* short_name;
};

const Language kLanguages[kLanguageCount] = {
    {"", ""},          {"Fortran", "for"}, {"C", "c"},          {"Pascal", "pas"}, {"Coral 66", "c66"},
    {"Ada", "ada"},    {"C++", "cpp"},     {"Cobol", "cob"},    {"PLM", "plm"},    {"Assembler", "asm"},
    {"Graphics", ""},  {"PL1", "pli"},     {"Algol", "alg"},    {"Java", "java"},  {"Basic", "bas"},
    {"Ada95", "ada"},  {"C#", "cs"},
};

}  // namespace

const char* language_name(int code) { return code >= 0 && code < kLanguageCount ? kLanguages[code].name : ""; }

const char* language_short_name(int code) {
  return code >= 0 && code < kLanguageCount ? kLanguages[code].short_name : "";
}

std::string ascii_upper(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string language_key_name(int code, const std::string& base, bool upper_case, bool prefix) {
  if (code < 0 || code > kLanguageCount) return base;
  std::string key = base;
  if (code < kLanguageCount) {
    std::string short_name = language_short_name(code);
    key = prefix ? short_name + base : base + short_name;
  }
  return upper_case ? ascii_upper(key) : key;
}

}  // namespace sorvi
