// The report-style list views' columns and sorting: a view describes its
// columns with descriptors (title, width factor, sort slot, sort kind); the
// columns it gets, their widths, and the order a click on a column heading
// puts the rows in. Each slot remembers its direction, which a click turns
// round for the next one.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace sorvi {

// Sort kinds: 3 and 6 compare text ignoring case, 4 text case-sensitively,
// 5 two integers written "%d : %d"; any other the integer at the start of
// the text.
constexpr int kSortTextNoCase = 3;
constexpr int kSortTextCase = 4;
constexpr int kSortPair = 5;
constexpr int kSortTextNoCase2 = 6;
constexpr int kSortNumber = 0;

struct ListColumnDescriptor {
  const char* title;
  float width_factor;  // of the view's client width
  int sort_slot;       // -1: no column
  int sort_kind;
};

// A column the view inserts.
struct ListColumn {
  int position = 0;
  std::string title;
  int width = 0;
  double share = 0;  // of the view's client width
  int sort_slot = -1;
};

// A column's width from its share of a client width, cut to an integer (0
// when it does not fit one). A share taken from a width as a quotient of two
// integers gives that width back whole.
int share_of_width(double share, int client_width);

// True for the kinds that compare texts (3, 4, 6).
bool is_text_sort_kind(int sort_kind);

// The integer at the start of a text: leading blanks, an optional sign,
// digits; 0 when there are none; held within the int range.
int leading_integer(const std::string& text);

// The two integers of "%d : %d" (0 for each one not read).
void read_integer_pair(const std::string& text, int* first, int* second);

// Compares two cell texts by a sort kind: negative, 0 or positive as `a`
// comes before, with or after `b` in ascending order (A to Z, smallest
// first).
int compare_list_texts(int sort_kind, const std::string& a, const std::string& b);

// The order of rows sorted by one column: indexes into `texts`. With the
// direction flag set, numbers (and pairs) come largest first and texts
// A to Z; with it clear, the reverse. Rows that compare equal keep their
// order.
std::vector<size_t> list_sort_order(int sort_kind, bool flag, const std::vector<std::string>& texts);

// The sort slots of one view.
class ListSortTable {
 public:
  // The columns of a descriptor array: one for each descriptor whose slot
  // is not -1, at the descriptor's position (or after the last column when
  // there are fewer), `width_factor` x `client_width` wide. Each column's
  // slot gets its sort kind and a set direction flag; slots in between
  // that no descriptor names stay empty.
  std::vector<ListColumn> set_up(const ListColumnDescriptor* descriptors, int count, int client_width);

  // Whether a click on the column at `position` sorts.
  bool has_slot(int position) const;
  int sort_kind(int position) const;
  bool direction(int position) const;

  // A click on the column at `position` whose cells are `texts`: the new
  // order of the rows (empty when the column has no slot), and the slot's
  // direction turned round for the next click.
  std::vector<size_t> click(int position, const std::vector<std::string>& texts);

 private:
  struct Slot {
    bool made = false;
    int kind = kSortNumber;
    bool flag = true;
  };
  std::vector<Slot> slots_;
};

}  // namespace sorvi
