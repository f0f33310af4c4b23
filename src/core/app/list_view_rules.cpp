#include "app/list_view_rules.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "config/startup_options.h"

namespace sorvi {
namespace {

bool& edit_warning_given() {
  static bool given = false;
  return given;
}

constexpr float kSixth = 1.0f / 6.0f;

}  // namespace

const ListColumnDescriptor kViolationListColumns[kViolationListColumnCount] = {
    {"Code", kSixth / 2, 0, kSortTextNoCase},
    {"VEXA Identifier", kSixth, 1, kSortNumber},
    {"Analysis", kSixth, 2, kSortTextNoCase},
    {"Standards Violation", 3 * kSixth, 3, kSortTextNoCase},
    {"Source Line", kSixth, 4, kSortNumber},
    {"External Code(s)", kSixth, 5, kSortNumber},
};

int violation_row_source_line(const std::string& source_line_cell) { return leading_integer(source_line_cell); }

const char kViolationsMayNotMatch[] = "Violations may no longer match\nup to appropriate source line after editing.";

bool take_violation_edit_warning() {
  if (edit_warning_given()) return false;
  edit_warning_given() = true;
  return true;
}

void reset_violation_edit_warning() { edit_warning_given() = false; }

std::vector<ListColumn> result_list_columns(const std::vector<std::string>& titles, int client_width) {
  std::vector<ListColumn> columns;
  if (titles.empty()) return columns;
  const int width = client_width > 0 ? client_width / static_cast<int>(titles.size()) : 0;
  for (size_t i = 0; i < titles.size(); ++i) {
    ListColumn c;
    c.position = static_cast<int>(i);
    c.title = titles[i];
    c.width = width;
    c.share = 1.0 / static_cast<double>(titles.size());
    columns.push_back(c);
  }
  return columns;
}

const char kResultListViewName[] = "Result List";

std::string layout_text(int whole, const std::vector<int>& parts) {
  std::string text = std::to_string(whole);
  for (int part : parts) text += " " + std::to_string(part);
  return text;
}

std::vector<double> layout_shares(const std::string& text, size_t count) {
  std::istringstream in(text);
  long long whole = 0;
  if (!(in >> whole) || whole <= 0 || whole > INT_MAX) return {};
  std::vector<double> shares;
  long long part = 0;
  while (in >> part) {
    if (part < 0 || part > whole) return {};
    shares.push_back(static_cast<double>(part) / static_cast<double>(whole));
  }
  if (!in.eof() || shares.size() != count) return {};
  return shares;
}

std::string list_layout_section(const std::string& view_name) { return view_name + " View Layout"; }

int take_hilight_row(const std::vector<std::vector<std::string>>& cells) {
  StartupOptions& o = startup_options();
  if (o.Hilight <= 0) return -1;
  for (size_t r = 0; r < cells.size() && r <= static_cast<size_t>(INT_MAX); ++r) {
    if (!cells[r].empty() && atoi_like(cells[r][0]) == o.Hilight) {
      o.Hilight = 0;
      return static_cast<int>(r);
    }
  }
  return -1;
}

int hilight_scroll_row(int row, int row_count) {
  if (row < 12 || row >= row_count) return -1;
  return row + 1 < row_count ? row + 1 : row;
}

int third_visible_line_top(int line) { return line > 2 ? line - 2 : 0; }

int logical_font_height(double points, int dpi) {
  if (!(points > 0) || dpi <= 0) return 0;
  const double pixels = std::floor(points * dpi / 72.0 + 0.5);
  return pixels < INT_MAX ? -static_cast<int>(pixels) : INT_MIN + 1;
}

double logical_font_points(int height, int dpi) {
  if (height == 0 || dpi <= 0) return 0;
  const double pixels = std::fabs(static_cast<double>(height));
  return pixels * 72.0 / dpi;
}

}  // namespace sorvi
