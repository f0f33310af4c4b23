#include "base/dynamic_string.h"

#include <cstring>
#include <new>

#include "base/allocation_faults.h"
#include "base/fatal_report.h"
#include "base/string_routines.h"

namespace sorvi {

const char* dynamic_string_text(const DynamicString& slot) { return slot ? slot->c_str() : nullptr; }

bool set_dynamic_string(DynamicString& slot, const char* text, bool report) {
  if (!text) {
    slot.reset();
    return true;
  }
  try {
    if (allocation_fails()) throw std::bad_alloc();
    std::string copy(text);
    slot = std::move(copy);
    return true;
  } catch (const std::bad_alloc&) {
    if (report) {
      channel_a(kReportOpenProblem);
      report_printf("Unable to allocate memory for dynamic string.\n");
      report_printf("String being allocated is \"%s\", length %d\n", text, static_cast<int>(std::strlen(text)));
      channel_a(kReportClose);
    }
    return false;
  }
}

bool append_dynamic_string(DynamicString& slot, const char* text, int max) {
  if (!text) return true;
  size_t n = std::strlen(text);
  if (max >= 0 && static_cast<size_t>(max) < n) n = static_cast<size_t>(max);
  try {
    if (allocation_fails()) throw std::bad_alloc();
    if (!slot) {
      slot = std::string(text, n);
    } else {
      slot->append(text, n);
    }
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool replace_in_dynamic_string(DynamicString& slot, const char* search, const char* replacement, bool all,
                               bool case_sensitive, bool report_change) {
  if (!slot || !search || !*search) return !report_change;
  const char* with = replacement ? replacement : "";
  const size_t search_len = std::strlen(search);
  int replaced = 0;
  try {
    if (allocation_fails()) throw std::bad_alloc();
    std::string built;
    const char* at = slot->c_str();
    while (*at) {
      const char* hit = case_sensitive ? std::strstr(at, search) : find_case_insensitive(at, search);
      if (!hit) break;
      built.append(at, static_cast<size_t>(hit - at));
      built.append(with);
      at = hit + search_len;
      ++replaced;
      if (!all) break;
    }
    built.append(at);
    slot = std::move(built);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return report_change ? replaced > 0 : true;
}

void free_dynamic_string(DynamicString& slot) { slot.reset(); }

}  // namespace sorvi
