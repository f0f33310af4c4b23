// What the program's list views decide without a window: the violation
// list's columns, the result list's columns, the row that Hilight= selects
// and how the lists and texts scroll to it, the warning given once when
// violations are followed in an edited text, and the stored font height of
// a list view.
#pragma once

#include <string>
#include <vector>

#include "app/list_sorting.h"

namespace sorvi {

// The violation list's six columns: "Code" (w/2, text), "VEXA Identifier"
// (w, number), "Analysis" (w, text), "Standards Violation" (3w, text),
// "Source Line" (w, number), "External Code(s)" (w, number), w being a
// sixth of the view's width. Their sort slots are their positions.
constexpr int kViolationListColumnCount = 6;
extern const ListColumnDescriptor kViolationListColumns[kViolationListColumnCount];
// The column shown right-aligned, and the column holding the source line.
constexpr int kViolationIdentifierColumn = 1;
constexpr int kViolationSourceLineColumn = 4;

// The source line a violation row leads to (its "Source Line" cell).
int violation_row_source_line(const std::string& source_line_cell);

// The message shown the first time in the process that a violation is
// followed after the text was edited, and whether it is due now (true
// once; reset_violation_edit_warning starts again).
extern const char kViolationsMayNotMatch[];
bool take_violation_edit_warning();
void reset_violation_edit_warning();

// The result list's columns: one per title, each 1/C of the client width.
// Its layout is kept under the view name "Result List".
extern const char kResultListViewName[];
std::vector<ListColumn> result_list_columns(const std::vector<std::string>& titles, int client_width);

// The layout the user gives a list by dragging a column edge or the
// splitter above it, kept with the view's settings as one text: the width
// the widths belong to, then the widths ("1200 100 200 ..."). Shares of
// that width make the layout of any later width.
constexpr char kColumnLayoutEntry[] = "Columns";
constexpr char kSplitterLayoutEntry[] = "Splitter";
std::string layout_text(int whole, const std::vector<int>& parts);
// The parts of a stored layout as shares of its whole; empty when the text
// does not hold a positive whole and exactly `count` parts between 0 and it.
std::vector<double> layout_shares(const std::string& text, size_t count);
// The settings section of a list's layout: "<name> View Layout".
std::string list_layout_section(const std::string& view_name);

// The row Hilight= selects: the first whose first cell, read as an
// integer, equals the option when it is above 0; -1 when none. A found
// row resets the option to 0, so it selects only once.
int take_hilight_row(const std::vector<std::vector<std::string>>& cells);

// The row to scroll into view after selecting `row` (from 0) among
// `row_count`: the row after it when it is beyond the twelfth, else -1
// (no scrolling). The last row itself when there is none after it.
int hilight_scroll_row(int row, int row_count);

// The first visible line that shows `line` (from 0) as the third visible
// line of a text.
int third_visible_line_top(int line);

// A list view's font height as stored (the platform's logical height: the
// negative character height in pixels at `dpi`), from a point size, and
// back (0 when the stored height says nothing).
int logical_font_height(double points, int dpi);
double logical_font_points(int height, int dpi);

}  // namespace sorvi
