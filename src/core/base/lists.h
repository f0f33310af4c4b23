// The list types the work-file readers keep their records in, and their
// operations.
//
// The lists are standard containers; each operation keeps the order its
// callers rely on: front insertion puts the new element first, tail append
// puts it last, a sorted int list stays ascending without duplicates. Texts
// are always owned copies (a null text is stored as an empty one, and the
// searches treat the two alike). A list is freed by clearing or destroying
// it.
//
// Allocation failure: the plain operations return false (or null); the
// reporting variants set the exit status 14 and send their message with
// code 100 on the fatal report, which ends the program. Report hooks may
// return (tests make them), so the reporting variants then also return
// their failure result.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "base/dynamic_string.h"

namespace sorvi {

// ---- charlist ------------------------------------------------------------

using charlist = std::vector<std::string>;

// Inserts a copy of the text before the first element (at_front) or after
// the last. False on allocation failure.
bool add_to_charlist(charlist& list, const char* text, bool at_front);
// The same; on allocation failure "Error in adding new charlist element -
// memory overflow" ends the program (exit status 14, channel A, code 100).
bool add_to_charlist_reporting(charlist& list, const char* text, bool at_front);
// Shorthand: the reporting variant appending at the tail.
bool append_to_charlist(charlist& list, const char* text);

// The first element equal to the text; null and empty texts are equal to
// each other, other texts compare without regard to case unless
// `case_sensitive`. Null when none.
const std::string* find_in_charlist(const char* text, const charlist& list, bool case_sensitive);
// The element whose character data is `text` itself (pointer identity).
const std::string* find_in_charlist_by_pointer(const char* text, const charlist& list);
// The first element whose first n characters equal those of the text
// (strncmp rules: a shorter text must match up to its end).
const std::string* find_in_charlist_prefix(const char* text, size_t n, const charlist& list, bool case_sensitive);
// find_in_charlist over `first`, then over `second`.
const std::string* find_in_charlists(const char* text, const charlist& first, const charlist& second,
                                     bool case_sensitive);

void reverse_charlist(charlist& list);

// ---- string-int list -----------------------------------------------------

struct StringIntEntry {
  int value = 0;
  std::string text;
};
using string_int_list = std::vector<StringIntEntry>;

bool add_to_string_int_list(string_int_list& list, int value, const char* text, bool at_front);
// On allocation failure "Error in adding new string int list element -
// memory overflow" ends the program (exit status 14, channel A, code 100).
bool add_to_string_int_list_reporting(string_int_list& list, int value, const char* text, bool at_front);

void reverse_string_int_list(string_int_list& list);

// ---- int list ------------------------------------------------------------

using int_list = std::vector<int>;

// With `sorted`: a value already present changes nothing; otherwise it is
// inserted before the first element greater than it, so a list built only
// this way stays ascending and free of duplicates. Without: inserted at the
// front, duplicates allowed. On allocation failure "Error in adding new int
// list element - memory overflow" ends the program (exit status 14,
// channel A, code 100) and the result is false.
bool add_to_int_list(int_list& list, int value, bool sorted);
bool int_list_contains(const int_list& list, int value);

// ---- named_int_list ------------------------------------------------------

struct NamedIntEntry {
  std::string name;
  int_list values;
};
// A deque: adding at either end never moves existing entries, so the
// pointers handed out stay valid until the list is cleared.
using named_int_list = std::deque<NamedIntEntry>;

// Adds an entry with a copy of the name and an empty int list: at the tail
// when `append` is set and the list is not empty, else at the front.
// Returns the new entry. On allocation failure the program ends (exit status
// 14, channel A, code 100) with "Can't create new named_int_list element in
// add_to_named_int_list " for the entry or "Error in adding new named list
// entry name - memory overflow" for its name; the result is then null.
NamedIntEntry* add_to_named_int_list(named_int_list& list, const char* name, bool append);

// ---- int-pair list -------------------------------------------------------

struct IntPair {
  int first = 0;
  int second = 0;
};
using int_pair_list = std::vector<IntPair>;

// 1 on success, 0 on allocation failure (no message).
int add_to_int_pair_list(int_pair_list& list, int first, int second, bool at_front);

// ---- procedure list ------------------------------------------------------

struct ProcedureRecord {
  int is_y_kind = 0;  // 1 when the record's kind letter is "Y"
  int is_p_kind = 0;  // 1 when the kind letter is "P"
  int first_line = 0;
  int last_line = 0;
  int procedure_number = 0;
  int spare = 0;  // set by the caller (0 from the index reader)
  DynamicString name;
};
// A deque for the same reason as named_int_list.
using procedure_list = std::deque<ProcedureRecord>;

// Adds a record (name copied; a null name leaves the slot empty) at the
// front or the tail and returns it. On allocation failure returns null;
// with `report` set, "Error in adding new procedure - memory overflow" ends
// the program first (exit status 14, channel B, code 100).
ProcedureRecord* add_procedure(procedure_list& list, const char* name, int is_y_kind, int first_line,
                               int last_line, int procedure_number, int spare, bool at_front, bool report,
                               int is_p_kind);

// The first record with a non-empty name equal to `name` (case-sensitive)
// and, when `match_number` is set, with `is_y_kind` equal to `number`.
const ProcedureRecord* find_procedure(const procedure_list& list, const char* name, int number,
                                      bool match_number);
ProcedureRecord* find_procedure(procedure_list& list, const char* name, int number, bool match_number);

// ---- reporting ------------------------------------------------------------

enum class ReportChannel { A, B };

// The memory-overflow report of the lists: exit status 14, then the message
// as a one-shot report with code 100 on the given channel. Returns when the
// report hook returns.
void report_list_memory_overflow(ReportChannel channel, const char* message);

}  // namespace sorvi
