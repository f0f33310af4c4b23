// StartupOptions: the program-wide record of option settings, written by the
// option parser and read (and partly reset) by the documents and views.
#pragma once

#include <string>

namespace sorvi {

struct StartupOptions {
  int Procnum = -1;
  int Block = -1;
  int Start = 0;
  int End = 0;
  bool EndOfFile = false;
  int Hilight = 0;
  int IncludeLines[2] = {0, 0};
  std::string XrefSet;  // empty: none
  int Language = 0;
  bool VMODE = false;
  std::string FindText;
  std::string Sfrfile;
  std::string GlhFile;
  std::string SourceModule;
  int TC = -1;
  std::string Seq;
  std::string Seqwrk;
  bool CoverageMode = false;
  bool ViolationMode = false;
  bool NDXIncludes = false;
  int Modnum = -1;
  int Flags = 0;
  bool CoveragePassFail = false;
  std::string StandardsModel;
  std::string ExternalStandard;
};

// The one record of the process, and its reset (tests start clean with it).
StartupOptions& startup_options();
void reset_startup_options();

// The HTML anchor text kept beside the options (empty when not in use).
std::string& html_anchor();

// Matches one option word (switch character removed) against the option
// table and stores its value. Returns true when the word was recognised.
bool ParseOptionWord(const std::string& word);

// True when ParseOptionWord would recognise the word; stores nothing.
bool IsOptionWord(const std::string& word);

// The help text "-Help" writes to standard output.
const char* help_text();

// True when Start is at least 1 and equals the line.
bool is_start_line(int line);
// Sets Start to the line and moves End with it.
void move_start_line(int line);

// The C library's atoi: leading blanks, a sign, digits; junk ends it.
int atoi_like(const std::string& text);

}  // namespace sorvi
