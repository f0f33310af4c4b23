#include "app/list_sorting.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>

namespace sorvi {
namespace {

// Slots are small numbers given by the views; a larger one makes no slot.
constexpr int kMaxSortSlot = 1024;

int compare_ints(long long a, long long b) { return a < b ? -1 : (a > b ? 1 : 0); }

unsigned char lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c; }

int compare_no_case(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = lower(static_cast<unsigned char>(a[i]));
    const unsigned char y = lower(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return compare_ints(static_cast<long long>(a.size()), static_cast<long long>(b.size()));
}

int compare_case(const std::string& a, const std::string& b) {
  const int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// Reads an integer at `at` as "%d" does (blanks skipped first); false when
// there is none. The value is held within the int range.
bool read_int(const char* text, const char** end, int* value) {
  const char* p = text;
  while (std::isspace(static_cast<unsigned char>(*p))) ++p;
  const char* digits = p;
  if (*digits == '+' || *digits == '-') ++digits;
  if (!std::isdigit(static_cast<unsigned char>(*digits))) return false;
  char* stop = nullptr;
  const long long v = std::strtoll(p, &stop, 10);
  *value = v > INT_MAX ? INT_MAX : (v < INT_MIN ? INT_MIN : static_cast<int>(v));
  *end = stop;
  return true;
}

}  // namespace

bool is_text_sort_kind(int sort_kind) {
  return sort_kind == kSortTextNoCase || sort_kind == kSortTextCase || sort_kind == kSortTextNoCase2;
}

int share_of_width(double share, int client_width) {
  // The small addition keeps a quotient's rounding below a whole number
  // from losing a pixel.
  const double width = share * client_width + 1e-6;
  return width >= 1 && width < INT_MAX ? static_cast<int>(width) : 0;
}

int leading_integer(const std::string& text) {
  int value = 0;
  const char* end = nullptr;
  return read_int(text.c_str(), &end, &value) ? value : 0;
}

void read_integer_pair(const std::string& text, int* first, int* second) {
  *first = 0;
  *second = 0;
  const char* p = text.c_str();
  if (!read_int(p, &p, first)) return;
  while (std::isspace(static_cast<unsigned char>(*p))) ++p;
  if (*p != ':') return;
  read_int(p + 1, &p, second);
}

int compare_list_texts(int sort_kind, const std::string& a, const std::string& b) {
  switch (sort_kind) {
    case kSortTextNoCase:
    case kSortTextNoCase2:
      return compare_no_case(a, b);
    case kSortTextCase:
      return compare_case(a, b);
    case kSortPair: {
      int a1, a2, b1, b2;
      read_integer_pair(a, &a1, &a2);
      read_integer_pair(b, &b1, &b2);
      const int c = compare_ints(a1, b1);
      return c != 0 ? c : compare_ints(a2, b2);
    }
    default:
      return compare_ints(leading_integer(a), leading_integer(b));
  }
}

std::vector<size_t> list_sort_order(int sort_kind, bool flag, const std::vector<std::string>& texts) {
  std::vector<size_t> order(texts.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  // Texts run A to Z with the flag set; numbers largest first.
  const bool ascending = is_text_sort_kind(sort_kind) ? flag : !flag;
  std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) {
    const int c = compare_list_texts(sort_kind, texts[x], texts[y]);
    return ascending ? c < 0 : c > 0;
  });
  return order;
}

std::vector<ListColumn> ListSortTable::set_up(const ListColumnDescriptor* descriptors, int count, int client_width) {
  std::vector<ListColumn> columns;
  for (int i = 0; descriptors && i < count; ++i) {
    const ListColumnDescriptor& d = descriptors[i];
    if (d.sort_slot == -1) continue;
    ListColumn column;
    // A descriptor's position is never beyond the columns made before it,
    // so each column goes after the last.
    column.position = static_cast<int>(columns.size());
    column.title = d.title ? d.title : "";
    column.share = static_cast<double>(d.width_factor);
    column.width = share_of_width(column.share, client_width);
    if (d.sort_slot >= 0 && d.sort_slot <= kMaxSortSlot) {
      column.sort_slot = d.sort_slot;
      if (static_cast<size_t>(d.sort_slot) >= slots_.size()) slots_.resize(static_cast<size_t>(d.sort_slot) + 1);
      Slot& slot = slots_[static_cast<size_t>(d.sort_slot)];
      slot.made = true;
      slot.kind = d.sort_kind;
      slot.flag = true;
    }
    columns.push_back(column);
  }
  return columns;
}

bool ListSortTable::has_slot(int position) const {
  return position >= 0 && static_cast<size_t>(position) < slots_.size() && slots_[static_cast<size_t>(position)].made;
}

int ListSortTable::sort_kind(int position) const {
  return has_slot(position) ? slots_[static_cast<size_t>(position)].kind : kSortNumber;
}

bool ListSortTable::direction(int position) const {
  return has_slot(position) && slots_[static_cast<size_t>(position)].flag;
}

std::vector<size_t> ListSortTable::click(int position, const std::vector<std::string>& texts) {
  if (!has_slot(position)) return {};
  Slot& slot = slots_[static_cast<size_t>(position)];
  std::vector<size_t> order = list_sort_order(slot.kind, slot.flag, texts);
  slot.flag = !slot.flag;
  return order;
}

}  // namespace sorvi
