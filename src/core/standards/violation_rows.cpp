#include "standards/violation_rows.h"

#include <algorithm>
#include <memory>
#include <unordered_map>

#include "standards/penalty_catalogue.h"
#include "standards/report_config.h"

namespace sorvi {

const char* const kViolationColumnTitles[6] = {"Code",        "VEXA Identifier",   "Analysis", "Standards Violation",
                                               "Source Line", "External Code(s)"};

namespace {

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

const char* const kKindTexts[8] = {
    "Procedure Violation",          "Mandatory Procedure Violation", "Optional Procedure Violation",
    "Checking Procedure Violation", "Line Violation",                "Mandatory Line Violation",
    "Optional Line Violation",      "Checking Line Violation",
};

int category_offset(char category_letter) {
  switch (category_letter) {
    case 'M':
      return 1;
    case 'O':
      return 2;
    case 'C':
      return 3;
    default:
      return 0;
  }
}

}  // namespace

const char* violation_analysis_name(char letter) {
  switch (upper(letter)) {
    case 'C':
      return "Complexity";
    case 'D':
      return "Dataflow";
    case 'H':
      return "User Defined Naming";
    case 'I':
      return "Infoflow";
    case 'S':
      return "Static";
    case 'X':
      return "Cross Reference";
    case 'Z':
      return "User Defined";
    default:
      return "Violation";
  }
}

bool make_violation_row(const Violation& v, bool procedure_violation, int language, ViolationRow* row) {
  if (v.has_follow_up) return false;
  *row = ViolationRow();
  row->violation = &v;
  if (v.excluded_mark == -1) {
    row->icon = 0;
    row->cells[3] = "Violations excluded for this file";
    return true;
  }
  const int index = find_penalty_entry(v.letter, v.standard_number, language);
  const PenaltyEntry* entry = index >= 0 ? penalty_entry(language, index) : nullptr;
  const ReportEntry* report = index >= 0 ? report_entry(language, index) : nullptr;
  const int kind = (procedure_violation ? 0 : 4) + category_offset(report ? report->category_letter : ' ');
  row->icon = kind;
  row->cells[0] = kKindTexts[kind];
  // "%d %c": a violation without a letter ends after the blank.
  row->cells[1] = std::to_string(v.standard_number) + " ";
  if (v.letter) row->cells[1] += v.letter;
  row->cells[2] = violation_analysis_name(v.letter);
  if (!entry || entry->text.empty()) {
    row->cells[3] = "Unknown Penalty";
  } else {
    row->cells[3] = entry->text;
    if (v.main_text && !v.main_text->empty()) row->cells[3] += ": " + *v.main_text;
  }
  row->cells[4] = std::to_string(v.source_line);
  if (entry) row->cells[5] = entry->standards_text;
  return true;
}

std::vector<ViolationRow> build_violation_rows(const violation_list& line_violations,
                                               const violation_list& procedure_violations, int source_lines,
                                               const std::vector<ProcedureBlocks>* procedures, int language) {
  std::vector<ViolationRow> rows;
  // The line violations are in source-line order, so one cursor serves.
  size_t next_line = 0;
  size_t procedure_rows_left = procedure_violations.size();
  // The first procedure (in table order) ending in the source file at each line.
  std::unordered_map<int, const ProcedureBlocks*> ending_at;
  if (procedures) {
    for (const ProcedureBlocks& p : *procedures) {
      if (p.endsInSourceFile) ending_at.emplace(p.lastSourceLine, &p);
    }
  }
  for (int n = 0; n <= source_lines; ++n) {
    if (next_line >= line_violations.size() && procedure_rows_left == 0) break;
    while (next_line < line_violations.size() && line_violations[next_line].source_line < n) ++next_line;
    for (; next_line < line_violations.size() && line_violations[next_line].source_line == n; ++next_line) {
      ViolationRow row;
      if (make_violation_row(line_violations[next_line], false, language, &row)) rows.push_back(std::move(row));
    }
    auto found = ending_at.find(n + 1);
    if (found == ending_at.end()) continue;
    const ProcedureBlocks* ending = found->second;
    // The procedure violations are in procedure-number order.
    auto first = std::lower_bound(procedure_violations.begin(), procedure_violations.end(), ending->number,
                                  [](const Violation& v, int number) { return v.procedure_number < number; });
    for (auto it = first; it != procedure_violations.end() && it->procedure_number == ending->number; ++it) {
      --procedure_rows_left;
      ViolationRow row;
      if (make_violation_row(*it, true, language, &row)) rows.push_back(std::move(row));
    }
  }
  return rows;
}

std::string violation_row_line(int row_number, const ViolationRow& row) {
  std::string line = std::to_string(row_number) + " | " + std::to_string(row.icon);
  for (const std::string& cell : row.cells) line += " | " + cell;
  return line + "\n";
}

std::string violation_rows_path(const std::string& source_path) {
  size_t slash = source_path.find_last_of("/\\");
  size_t dot = source_path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return source_path + ".vsrc.rtf";
  return source_path.substr(0, dot) + ".vsrc.rtf";
}

int count_source_lines(const std::string& path) {
  std::unique_ptr<FILE, int (*)(FILE*)> in(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!in) return 0;
  int lines = 0;
  int c, last = '\n';
  while ((c = std::fgetc(in.get())) != EOF) {
    if (c == '\n') ++lines;
    last = c;
  }
  if (last != '\n') ++lines;
  return lines;
}

}  // namespace sorvi
