#include "workfiles/result_list.h"

#include <cstdio>
#include <memory>

#include "base/file_utils.h"
#include "base/text_reader.h"

namespace sorvi {
namespace {

struct FileCloser {
  void operator()(FILE* f) const {
    if (f) std::fclose(f);
  }
};

long long to_number(const std::string& text) {
  long long v = 0;
  if (std::sscanf(text.c_str(), "%lld", &v) != 1) return 0;
  return v;
}

}  // namespace

ResultList read_result_list(const std::string& path) {
  ResultList list;
  std::unique_ptr<FILE, FileCloser> in(std::fopen(path.c_str(), "rb"));
  if (!in) return list;
  std::string line[4];
  for (std::string& l : line) {
    if (!read_any_line(in.get(), l)) return list;
  }
  list.text_path = line[0];
  list.recorded_date = to_number(line[1]);
  const long long rows = to_number(line[2]);
  const long long columns = to_number(line[3]);
  list.rows = rows > 0 && rows <= kMaxResultListCells ? static_cast<int>(rows) : 0;
  list.columns = columns > 0 && columns <= kMaxResultListCells ? static_cast<int>(columns) : 0;
  bool valid = list.rows > 0 && list.columns > 0 &&
               static_cast<long long>(list.rows) * list.columns <= kMaxResultListCells;
  if (valid && !list.text_path.empty()) {
    const long long date = file_date(list.text_path, false);
    valid = list.recorded_date == kAnyDocumentDate ? date != -1 : (date != -1 && date == list.recorded_date);
  }
  if (valid) {
    std::string text;
    for (int c = 0; c < list.columns && valid; ++c) {
      valid = read_any_line(in.get(), text);
      if (valid) list.titles.push_back(text);
    }
    for (int r = 0; r < list.rows && valid; ++r) {
      std::vector<std::string> row;
      for (int c = 0; c < list.columns && valid; ++c) {
        valid = read_any_line(in.get(), text);
        if (valid) row.push_back(text);
      }
      if (valid) list.cells.push_back(std::move(row));
    }
  }
  list.valid = valid && !list.text_path.empty();
  return list;
}

std::string result_list_refusal(const std::string& list_path) { return "Unable to open document\n" + list_path; }

std::string test_case_search_text(const std::string& first_cell) { return "*  Test Case " + first_cell + " :"; }

std::string result_list_title(const ResultList& list) {
  size_t slash = list.text_path.find_last_of("\\/");
  return slash == std::string::npos ? list.text_path : list.text_path.substr(slash + 1);
}

}  // namespace sorvi
