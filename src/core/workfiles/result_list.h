// Result list files (".tci", ".thi"): a small list file that names a text
// document (typically a test report), the date that document had when the
// list was made, and a table of test cases, one item per line.
//
//   line 1        path of the text document (may be empty)
//   line 2        its recorded modification date (-10 accepts any date)
//   line 3        row count R
//   line 4        column count C
//   next C lines  column titles
//   next R x C    cell texts, row by row
#pragma once

#include <string>
#include <vector>

namespace sorvi {

struct ResultList {
  std::string text_path;
  long long recorded_date = -1;
  int rows = 0;
  int columns = 0;
  std::vector<std::string> titles;
  std::vector<std::vector<std::string>> cells;
  bool valid = false;
};

// The date that accepts any text document.
constexpr long long kAnyDocumentDate = -10;
// Tables larger than this are refused as damaged rather than read.
constexpr long long kMaxResultListCells = 1 << 22;

// Reads a result list. `valid` tells whether the list may be shown: rows and
// columns above 0, every line present, and, for a named text document, its
// date taken and equal to the recorded one (any date for -10). A list
// without a text document is never shown, but its table is still read.
ResultList read_result_list(const std::string& path);

// The message shown when a result list cannot be opened.
std::string result_list_refusal(const std::string& list_path);

// The text that finds a test case in its report: "*  Test Case %s :".
std::string test_case_search_text(const std::string& first_cell);

// The document's title: the text path after its last '\' (or '/'), or empty
// when there is no text path.
std::string result_list_title(const ResultList& list);

}  // namespace sorvi
