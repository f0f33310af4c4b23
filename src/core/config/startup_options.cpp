#include "config/startup_options.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "config/model_names.h"

namespace sorvi {
namespace {

enum class Kind { Int, Text, Flag, IncludeLines, Help };

struct OptionWord {
  const char* word;
  Kind kind;
  void (*store)(StartupOptions&, const std::string& value);
};

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool starts_with_nocase(const std::string& text, const char* word) {
  size_t i = 0;
  for (; word[i]; ++i) {
    if (i >= text.size() || lower(text[i]) != lower(word[i])) return false;
  }
  return true;
}

// Scans a signed decimal number as "%d" does: leading white space, a sign,
// at least one digit. Advances the position.
bool scan_int(const std::string& text, size_t& at, int& out) {
  size_t i = at;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  if (i == digits) return false;
  out = atoi_like(text.substr(start, i - start));
  at = i;
  return true;
}

// Words in the order they are tried; the first letter selects candidates.
const OptionWord kOptions[] = {
    {"Block=", Kind::Int, [](StartupOptions& o, const std::string& v) { o.Block = atoi_like(v); }},
    {"CoverageMode", Kind::Flag,
     [](StartupOptions& o, const std::string&) {
       o.CoverageMode = true;
       o.Flags = 384;
     }},
    {"CoveragePassFail", Kind::Flag,
     [](StartupOptions& o, const std::string&) {
       o.CoveragePassFail = true;
       o.Flags = 384;
     }},
    {"End=", Kind::Int, [](StartupOptions& o, const std::string& v) { o.End = atoi_like(v); }},
    {"EndOfFile", Kind::Flag, [](StartupOptions& o, const std::string&) { o.EndOfFile = true; }},
    {"ExternalStandard=", Kind::Text, [](StartupOptions& o, const std::string& v) { o.ExternalStandard = v; }},
    {"FindText=", Kind::Text, [](StartupOptions& o, const std::string& v) { o.FindText = v; }},
    {"Flags=", Kind::Int, [](StartupOptions& o, const std::string& v) { o.Flags = atoi_like(v); }},
    {"GlhFile=", Kind::Text, [](StartupOptions& o, const std::string& v) { o.GlhFile = v; }},
    {"Hilight=", Kind::Int, [](StartupOptions& o, const std::string& v) { o.Hilight = atoi_like(v); }},
    {"help", Kind::Help, nullptr},
    {"IncludeLines=", Kind::IncludeLines, nullptr},
    {"Language=", Kind::Int, [](StartupOptions& o, const std::string& v) { o.Language = atoi_like(v); }},
    {"Modnum=", Kind::Int, [](StartupOptions& o, const std::string& v) { o.Modnum = atoi_like(v); }},
    {"NDXIncludes", Kind::Flag, [](StartupOptions& o, const std::string&) { o.NDXIncludes = true; }},
    {"Procnum=", Kind::Int, [](StartupOptions& o, const std::string& v) { o.Procnum = atoi_like(v); }},
    {"Start=", Kind::Int, [](StartupOptions& o, const std::string& v) { o.Start = atoi_like(v); }},
    {"Sfrfile=", Kind::Text, [](StartupOptions& o, const std::string& v) { o.Sfrfile = v; }},
    {"Seq=", Kind::Text, [](StartupOptions& o, const std::string& v) { o.Seq = v; }},
    {"Seqwrk=", Kind::Text, [](StartupOptions& o, const std::string& v) { o.Seqwrk = v; }},
    {"SourceModule=", Kind::Text, [](StartupOptions& o, const std::string& v) { o.SourceModule = v; }},
    {"StandardsModel=", Kind::Text,
     [](StartupOptions& o, const std::string& v) { o.StandardsModel = model_name_for_matching(v); }},
    {"TC=", Kind::Int, [](StartupOptions& o, const std::string& v) { o.TC = atoi_like(v); }},
    {"VMODE", Kind::Flag, [](StartupOptions& o, const std::string&) { o.VMODE = true; }},
    {"ViolationMode", Kind::Flag, [](StartupOptions& o, const std::string&) { o.ViolationMode = true; }},
    {"XrefSet=", Kind::Text, [](StartupOptions& o, const std::string& v) { o.XrefSet = v; }},
};

const char kHelpText[] =
    "Command line options are:\n"
    "  -Block=\n"
    "  -CoverageMode\n"
    "  -End=\n"
    "  -EndOfFile\n"
    "  -FindText=\n"
    "  -Hilight=\n"
    "  -Help\n"
    "  -IncludeLines=\n"
    "  -Procnum=\n"
    "  -Start=\n"
    "  -XrefSet=\n"
    "  -Language=\n"
    "  -VMODE\n"
    "  -NDXIncludes\n";

}  // namespace

StartupOptions& startup_options() {
  static StartupOptions options;
  return options;
}

void reset_startup_options() {
  startup_options() = StartupOptions();
  html_anchor().clear();
}

std::string& html_anchor() {
  static std::string anchor;
  return anchor;
}

const char* help_text() { return kHelpText; }

int atoi_like(const std::string& text) {
  errno = 0;
  long v = std::strtol(text.c_str(), nullptr, 10);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

namespace {

// Matches the word against the option table; with `act` the value is
// stored into `o` (and "help" prints), otherwise only recognition is told.
bool match_option(const std::string& word, StartupOptions& o, bool act) {
  if (word.empty()) return false;
  const char first = word[0];
  for (const OptionWord& option : kOptions) {
    const char option_first = option.word[0];
    if (option_first == 'V') {
      // Words beginning with 'V' are tried only for an upper-case 'V'.
      if (first != 'V') continue;
    } else if (lower(first) != lower(option_first)) {
      continue;
    }
    if (!starts_with_nocase(word, option.word)) continue;
    const std::string value = word.substr(std::char_traits<char>::length(option.word));
    switch (option.kind) {
      case Kind::Help:
        if (act) {
          std::fputs(kHelpText, stdout);
          std::fflush(stdout);
        }
        return true;
      case Kind::IncludeLines: {
        // "%d,%d": the first field may be written even when the second fails.
        size_t at = 0;
        if (!scan_int(value, at, o.IncludeLines[0])) return false;
        if (at >= value.size() || value[at] != ',') return false;
        ++at;
        return scan_int(value, at, o.IncludeLines[1]);
      }
      default:
        if (act) option.store(o, value);
        return true;
    }
  }
  return false;
}

}  // namespace

bool ParseOptionWord(const std::string& word) { return match_option(word, startup_options(), true); }

bool IsOptionWord(const std::string& word) {
  StartupOptions scratch;
  return match_option(word, scratch, false);
}

bool is_start_line(int line) {
  const StartupOptions& o = startup_options();
  return o.Start >= 1 && o.Start == line;
}

void move_start_line(int line) {
  StartupOptions& o = startup_options();
  const int old_start = o.Start;
  if (o.End == old_start) {
    o.End = line;
  } else if (o.End > 0) {
    o.End += line - old_start;
  }
  o.Start = line;
}

}  // namespace sorvi
