#include "base/lists.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <strings.h>

#include "base/allocation_faults.h"
#include "base/fatal_report.h"

namespace sorvi {
namespace {

const char kCharlistOverflow[] = "Error in adding new charlist element - memory overflow";
const char kStringIntOverflow[] = "Error in adding new string int list element - memory overflow";
const char kIntListOverflow[] = "Error in adding new int list element - memory overflow";
const char kNamedEntryOverflow[] = "Can't create new named_int_list element in add_to_named_int_list ";
const char kNamedNameOverflow[] = "Error in adding new named list entry name - memory overflow";
const char kProcedureOverflow[] = "Error in adding new procedure - memory overflow";

const char* or_empty(const char* text) { return text ? text : ""; }

bool texts_equal(const char* a, const char* b, bool case_sensitive) {
  a = or_empty(a);
  b = or_empty(b);
  return case_sensitive ? std::strcmp(a, b) == 0 : strcasecmp(a, b) == 0;
}

template <typename List, typename Element>
void insert_end(List& list, Element&& element, bool at_front) {
  if (at_front) {
    list.insert(list.begin(), std::forward<Element>(element));
  } else {
    list.push_back(std::forward<Element>(element));
  }
}

}  // namespace

void report_list_memory_overflow(ReportChannel channel, const char* message) {
  set_report_exit_status(14);
  if (channel == ReportChannel::A) {
    channel_a(kReportProblem, message);
  } else {
    channel_b(kReportProblem, message);
  }
}

// ---- charlist ------------------------------------------------------------

bool add_to_charlist(charlist& list, const char* text, bool at_front) {
  try {
    if (allocation_fails()) throw std::bad_alloc();
    insert_end(list, std::string(or_empty(text)), at_front);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool add_to_charlist_reporting(charlist& list, const char* text, bool at_front) {
  if (add_to_charlist(list, text, at_front)) return true;
  report_list_memory_overflow(ReportChannel::A, kCharlistOverflow);
  return false;
}

bool append_to_charlist(charlist& list, const char* text) { return add_to_charlist_reporting(list, text, false); }

const std::string* find_in_charlist(const char* text, const charlist& list, bool case_sensitive) {
  for (const std::string& s : list) {
    if (texts_equal(text, s.c_str(), case_sensitive)) return &s;
  }
  return nullptr;
}

const std::string* find_in_charlist_by_pointer(const char* text, const charlist& list) {
  if (!text) return nullptr;
  for (const std::string& s : list) {
    if (s.c_str() == text) return &s;
  }
  return nullptr;
}

const std::string* find_in_charlist_prefix(const char* text, size_t n, const charlist& list, bool case_sensitive) {
  const char* t = or_empty(text);
  for (const std::string& s : list) {
    int cmp = case_sensitive ? std::strncmp(t, s.c_str(), n) : strncasecmp(t, s.c_str(), n);
    if (cmp == 0) return &s;
  }
  return nullptr;
}

const std::string* find_in_charlists(const char* text, const charlist& first, const charlist& second,
                                     bool case_sensitive) {
  const std::string* found = find_in_charlist(text, first, case_sensitive);
  return found ? found : find_in_charlist(text, second, case_sensitive);
}

void reverse_charlist(charlist& list) { std::reverse(list.begin(), list.end()); }

// ---- string-int list -----------------------------------------------------

bool add_to_string_int_list(string_int_list& list, int value, const char* text, bool at_front) {
  try {
    if (allocation_fails()) throw std::bad_alloc();
    insert_end(list, StringIntEntry{value, std::string(or_empty(text))}, at_front);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool add_to_string_int_list_reporting(string_int_list& list, int value, const char* text, bool at_front) {
  if (add_to_string_int_list(list, value, text, at_front)) return true;
  report_list_memory_overflow(ReportChannel::A, kStringIntOverflow);
  return false;
}

void reverse_string_int_list(string_int_list& list) { std::reverse(list.begin(), list.end()); }

// ---- int list ------------------------------------------------------------

bool add_to_int_list(int_list& list, int value, bool sorted) {
  try {
    if (sorted) {
      auto at = std::lower_bound(list.begin(), list.end(), value);
      if (at != list.end() && *at == value) return true;
      if (allocation_fails()) throw std::bad_alloc();
      list.insert(at, value);
    } else {
      if (allocation_fails()) throw std::bad_alloc();
      list.insert(list.begin(), value);
    }
    return true;
  } catch (const std::bad_alloc&) {
    report_list_memory_overflow(ReportChannel::A, kIntListOverflow);
    return false;
  }
}

bool int_list_contains(const int_list& list, int value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

// ---- named_int_list ------------------------------------------------------

NamedIntEntry* add_to_named_int_list(named_int_list& list, const char* name, bool append) {
  const bool at_front = !(append && !list.empty());
  NamedIntEntry* entry = nullptr;
  try {
    if (allocation_fails()) throw std::bad_alloc();
    if (at_front) {
      list.emplace_front();
      entry = &list.front();
    } else {
      list.emplace_back();
      entry = &list.back();
    }
  } catch (const std::bad_alloc&) {
    report_list_memory_overflow(ReportChannel::A, kNamedEntryOverflow);
    return nullptr;
  }
  try {
    if (allocation_fails()) throw std::bad_alloc();
    entry->name = or_empty(name);
    return entry;
  } catch (const std::bad_alloc&) {
    // Take the half-made entry out again so the list holds only whole ones.
    if (at_front) {
      list.pop_front();
    } else {
      list.pop_back();
    }
    report_list_memory_overflow(ReportChannel::A, kNamedNameOverflow);
    return nullptr;
  }
}

// ---- int-pair list -------------------------------------------------------

int add_to_int_pair_list(int_pair_list& list, int first, int second, bool at_front) {
  try {
    if (allocation_fails()) throw std::bad_alloc();
    insert_end(list, IntPair{first, second}, at_front);
    return 1;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

// ---- procedure list ------------------------------------------------------

ProcedureRecord* add_procedure(procedure_list& list, const char* name, int is_y_kind, int first_line,
                               int last_line, int procedure_number, int spare, bool at_front, bool report,
                               int is_p_kind) {
  try {
    if (allocation_fails()) throw std::bad_alloc();
    ProcedureRecord record;
    record.is_y_kind = is_y_kind;
    record.is_p_kind = is_p_kind;
    record.first_line = first_line;
    record.last_line = last_line;
    record.procedure_number = procedure_number;
    record.spare = spare;
    if (name) record.name = std::string(name);
    if (at_front) {
      list.push_front(std::move(record));
      return &list.front();
    }
    list.push_back(std::move(record));
    return &list.back();
  } catch (const std::bad_alloc&) {
    if (report) report_list_memory_overflow(ReportChannel::B, kProcedureOverflow);
    return nullptr;
  }
}

const ProcedureRecord* find_procedure(const procedure_list& list, const char* name, int number,
                                      bool match_number) {
  const char* wanted = or_empty(name);
  for (const ProcedureRecord& p : list) {
    if (!p.name || p.name->empty()) continue;
    if (*p.name != wanted) continue;
    if (match_number && p.is_y_kind != number) continue;
    return &p;
  }
  return nullptr;
}

ProcedureRecord* find_procedure(procedure_list& list, const char* name, int number, bool match_number) {
  const procedure_list& view = list;
  return const_cast<ProcedureRecord*>(find_procedure(view, name, number, match_number));
}

}  // namespace sorvi
