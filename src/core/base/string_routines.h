// The small text routines every reader shares. All of them take a null
// pointer as an empty text. "Blank" means a space or a tab where a routine
// says so; "space" means the space character only.
#pragma once

#include <string>
#include <vector>

#include "base/lists.h"

namespace sorvi {

// ---- splitting -----------------------------------------------------------

// Splits the line at every `separator` into copies of the pieces, in text
// order or, with `reversed`, last piece first. A separator at the very end
// gives a final empty piece; an empty line gives one empty piece. Any
// previous contents of `out` are replaced. On allocation failure the error
// block "Error in analysing supplied line - %s - memory overflow" is written
// on channel A with exit status 14, and the result is false.
bool split_line(const char* line, char separator, charlist& out, bool reversed);

// Splits the line at the earliest occurrence of any of the separator
// strings, again and again. Each piece's value is the index of the
// separator that ended it, -1 for the last piece; of separators found at
// the same place the lowest index wins. Empty separators never match.
// Failure reporting as split_line.
bool split_line_at_strings(const char* line, const std::vector<std::string>& separators, string_int_list& out);

// The memory-overflow report of the splitters (exit status 14, an error
// block on channel A). Returns when the report hook returns.
void report_split_memory_overflow(const char* line);

// ---- numbers ---------------------------------------------------------------

// Parses a right-aligned fixed-width integer field from the start of
// `text`, at most `width` characters. Position i (from 0) weighs
// 10^(width-1-i). Blanks (spaces) before the first digit and one "-"
// (making the value negative) each take a position; the field ends at a
// blank after the digits, at any other character or at the end of the
// text. Returns the number of characters taken; the value goes to `value`
// (0 when no digit was taken). A width outside 1..16 takes nothing. Values
// beyond the int range are clamped to it.
int parse_fixed_width_int(const char* text, int width, int& value);

// Number check modes.
enum NumberCheckMode {
  kNumberCInteger = 0,     // decimal digits, or 0x/0X and hex digits, then any of the suffix letters L U l u
  kNumberSigned = 1,       // optional + or -, then decimal digits, or 0x/0X and hex digits
  kNumberFloating = 2,     // optional sign, digits with at most one ".", optional e/E exponent with optional sign
  kNumberExpression = 3,   // only digits, "(", ")", "+", "-", "*" and blanks
  kNumberDigitsOnly = 4,   // only decimal digits
};
// True when the whole (non-empty) text is a number of the given mode.
// Unknown modes give false.
bool is_number(const char* text, int mode);

// ---- words (blank = space or tab) -------------------------------------------

int count_words(const char* text);
// The n-th word (from 1) inside the text, or null when there is none.
const char* nth_word(const char* text, int n);
// A copy of the n-th word; empty when there is none.
std::string copy_nth_word(const char* text, int n);

// ---- characters --------------------------------------------------------------

// Upper-cases ASCII letters; returns how many letters changed.
int upper_case(char* text);
int upper_case(std::string& text);
// Writes the upper-cased text into `out`; returns how many letters changed.
int upper_case_copy(const char* text, std::string& out);

// True when every byte is below 128.
bool is_all_ascii(const char* text);
int count_char(const char* text, char c);
// Removes every occurrence of c; returns how many were removed.
int remove_char(char* text, char c);
int remove_char(std::string& text, char c);
// Replaces `from` by `to`, the first occurrence only or all of them; with
// `outside_quotes`, occurrences between double quotes are left alone.
// Returns how many were replaced.
int replace_char(char* text, char from, char to, bool all, bool outside_quotes);

// Removes trailing characters that belong to `set` (null: a single space),
// at most `max` of them when max >= 0. Returns how many were removed.
int trim_trailing(char* text, const char* set = nullptr, int max = -1);
int trim_trailing(std::string& text, const char* set = nullptr, int max = -1);

// The number of blanks (spaces and tabs) at the start.
int count_leading_blanks(const char* text);

// ---- quoting ---------------------------------------------------------------

// Removes leading blanks, trailing spaces, then one double quote at the
// start and one at the end. Returns how many quotes were removed (0 to 2).
int strip_quotes(char* text);
int strip_quotes(std::string& text);
// The text wrapped in double quotes ("\"%s\"") when it holds no double
// quote, else the text unchanged.
std::string quote_text(const char* text);

// ---- searching and comparing -----------------------------------------------

// Where `search` first occurs in `text`, ignoring ASCII case; null when it
// does not (or when `text` is null). An empty search matches at the start.
const char* find_case_insensitive(const char* text, const char* search);
// The earliest occurrence of any of the search texts; of those found at the
// same place the lowest index wins. `which` (optional) receives its index,
// or -1. Empty search texts are ignored. Null when none occurs.
const char* find_earliest(const char* text, const std::vector<std::string>& searches, bool case_sensitive,
                          int* which);
// Ordering of two texts, with or without regard to case. A null or empty
// left side sorts after a non-empty right side (and a non-empty left side
// before an empty right side); two empty sides are equal.
int compare_text(const char* left, const char* right, bool case_sensitive);

}  // namespace sorvi
