#include "samplegen/sample_suite_writer.h"

#include <cstring>

#include "samplegen/sample_output_writer.h"

namespace sorvi_sample {
namespace {

using S = StandardScope;

// Explanations shown on the help pages, by standard (letter, number).
struct Explanation {
  char letter;
  int number;
  const char* text;
};

const Explanation kExplanations[] = {
    {'S', 9, "An assignment inside a condition is easily mistaken for a comparison. Assign first, then test."},
    {'S', 12, "Without braces a later edit can silently move statements out of the branch."},
    {'S', 30, "Increment and decrement operators mixed into larger expressions hide the order of side effects."},
    {'S', 48, "A switch statement should end with a default clause that handles unexpected values."},
    {'S', 50, "Shifting a signed value is implementation-defined for negative operands."},
    {'S', 56, "Floating-point values are rarely exactly equal; compare against a tolerance instead."},
    {'S', 59, "An if ... else if chain should end with an else clause."},
    {'S', 62, "A case that falls through into the next one is easily mistaken for a missing break."},
    {'S', 71, "The address of an automatic object must not outlive the object."},
    {'S', 78, "A macro parameter used without parentheses may bind differently from what the caller expects."},
    {'S', 79, "Macros that carry statements or trailing semicolons break when used in expressions."},
    {'S', 83, "A leading zero makes a literal octal, which is rarely what the writer meant."},
    {'S', 88, "This standard number is kept free."},
    {'S', 93, "A value is converted implicitly to a type that cannot represent it exactly."},
    {'S', 107, "Changing a parameter inside the procedure makes its original value unavailable."},
    {'S', 114, "Conditions should be Boolean expressions, not arithmetic or bitwise values."},
    {'S', 130, "Several statements on one line make single-stepping and coverage reports harder to read."},
    {'S', 201, "Numeric literals in expressions should be named constants."},
    {'S', 382, "The value returned by a function is ignored without a cast to void."},
    {'C', 1, "Long procedures are hard to review and to test completely."},
    {'C', 2, "Many independent paths make a procedure hard to test; split it."},
    {'C', 3, "Deeply nested loops multiply the work a procedure does and are hard to follow."},
    {'C', 4, "A procedure with a single exit point is easier to reason about."},
    {'D', 43, "A division whose divisor can be zero on some path."},
    {'D', 69, "A variable is read on a path where no value has been assigned to it (UR anomaly)."},
    {'D', 105, "A value is assigned and then overwritten or lost without being used (DU anomaly)."},
    {'H', 5, "A macro defined in a header is not used by the module that includes it."},
    {'H', 9, "A function declared in a header has no definition in the analysed modules."},
    {'I', 1, "The procedure changes a global variable; the change is part of its interface."},
    {'I', 2, "A parameter has no influence on what the procedure does."},
    {'X', 1, "The procedure is not called anywhere in the analysed code."},
    {'X', 27, "A global variable has no initial value in the module that defines it."},
    {'Z', 1, "Code that no path can reach."},
    {'Z', 2, "The procedure holds code that no path can reach."},
};

// The catalogue. Texts stay below 49 characters so that they fit before
// the standards column of either language.
// clang-format off
const std::vector<SampleStandard> kStandards = {
    // number letter flat cat par d scope c cpp text
    //   misra2004 rule cat misra1998 misra2012 cert cwe misra_cpp jsf_av hicpp
    {9, 'S', false, 'M', 0, 0, S::kLine, true, true, "Assignment operation in expression.",
     "13.1", 60, 'M', "35", "13.4", "EXP45-C", "481", "6-2-1", "160", nullptr},
    {12, 'S', false, 'M', 0, 0, S::kLine, true, true, "No brackets to then/else.",
     "14.9", 67, 'M', "59", "15.6", "EXP19-C", nullptr, "6-4-1", "59", "6.1"},
    {30, 'S', false, 'O', 0, 1, S::kLine, true, true, "Deprecated usage of ++ or -- operators found.",
     "12.13", 58, 'O', nullptr, "13.3", "EXP30-C", nullptr, "5-2-10", "204", nullptr},
    {48, 'S', false, 'M', 0, 0, S::kLine, true, true, "No default case in switch statement.",
     "15.3", 76, 'M', "62", "16.4", "MSC01-C", "478", "6-4-6", "194", "6.5"},
    {50, 'S', false, 'M', 0, 0, S::kLine, true, true, "Use of shift operator on signed type.",
     "12.7", 52, 'M', "37", "10.1", "INT13-C", nullptr, "5-0-21", "164", nullptr},
    {56, 'S', false, 'M', 0, 0, S::kLine, true, true, "Equality comparison of floating point.",
     "13.3", 62, 'M', "50", nullptr, "FLP02-C", "1077", "6-2-2", "202", "10.15"},
    {59, 'S', false, 'M', 0, 0, S::kLine, true, true, "Else alternative missing in if.",
     "14.10", 68, 'M', nullptr, "15.7", nullptr, nullptr, "6-4-2", "192", nullptr},
    {62, 'S', false, 'M', 0, 0, S::kLine, true, true, "Switch case not terminated with break.",
     "15.2", 75, 'M', nullptr, "16.3", "MSC17-C", "484", "6-4-5", "193", "6.4"},
    {71, 'S', false, 'M', 0, 0, S::kLine, true, true, "Pointer assignment to wider scope.",
     "17.6", 101, 'M', nullptr, "18.6", "DCL30-C", "562", "7-5-2", "173", nullptr},
    {78, 'S', true, 'M', 0, 0, S::kLine, true, true, "Macro parameter not in brackets.",
     "19.10", 118, 'M', "96", "20.7", "PRE01-C", nullptr, "16-0-6", "29", "16.2"},
    {79, 'S', true, 'O', 0, 0, S::kLine, true, true, "Macro contains unacceptable items.",
     "19.4", 112, 'M', "90", nullptr, "PRE11-C", nullptr, "16-2-2", "29", nullptr},
    {83, 'S', false, 'M', 0, 0, S::kLine, true, true, "Octal number found.",
     "7.1", 17, 'M', "19", "7.1", "DCL18-C", nullptr, "2-13-2", "149", "2.4"},
    {88, 'S', false, 'I', 0, 0, S::kLine, true, true, "Not Used.",
     nullptr, 0, 'M', nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    {93, 'S', false, 'M', 0, 0, S::kLine, true, true, "Value is not of appropriate type.",
     "10.1", 31, 'M', "43", "10.3", "FLP34-C", "681", "5-0-3", "180", "4.2"},
    {107, 'S', false, 'O', 0, 0, S::kLine, true, true, "Procedure parameter modified.",
     nullptr, 0, 'O', nullptr, "17.8", nullptr, nullptr, nullptr, nullptr, "7.4"},
    {114, 'S', false, 'M', 0, 0, S::kLine, true, true, "Expression is not Boolean.",
     "13.2", 61, 'O', "49", "14.4", "EXP20-C", nullptr, "5-0-13", nullptr, nullptr},
    {130, 'S', false, 'I', 0, 1, S::kLine, true, true, "More than one statement on a line.",
     nullptr, 0, 'O', nullptr, nullptr, nullptr, nullptr, nullptr, "42", "3.2"},
    {201, 'S', false, 'I', 0, 1, S::kLine, true, true, "Use of numeric literal in expression.",
     nullptr, 0, 'O', nullptr, nullptr, "DCL06-C", nullptr, nullptr, "151", "5.1"},
    {382, 'S', false, 'O', 0, 0, S::kLine, true, true, "(void) missing for discarded return value.",
     "16.10", 87, 'M', nullptr, "17.7", "EXP12-C", "252", "0-1-7", "115", "17.2"},
    {1, 'C', false, 'I', 50, 1, S::kProcedure, true, true, "Procedure exceeds *** reformatted lines.",
     nullptr, 0, 'O', nullptr, nullptr, nullptr, nullptr, nullptr, "1", nullptr},
    {2, 'C', false, 'I', 10, 1, S::kProcedure, true, true, "Cyclomatic complexity greater than ***.",
     nullptr, 0, 'O', nullptr, nullptr, nullptr, "1121", nullptr, "3", "8.3"},
    {3, 'C', false, 'O', 1, 1, S::kProcedure, true, true, "Loop nesting depth greater than ***.",
     nullptr, 0, 'O', nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    {4, 'C', false, 'M', 0, 0, S::kProcedure, true, true, "Procedure has more than one exit point.",
     "14.7", 69, 'M', "82", "15.5", nullptr, nullptr, "6-6-5", "113", "5.10"},
    {43, 'D', false, 'M', 0, 0, S::kLine, true, true, "Divisor may be zero.",
     nullptr, 0, 'M', nullptr, nullptr, "INT33-C", "369", nullptr, nullptr, nullptr},
    {69, 'D', false, 'M', 0, 0, S::kLine, true, true, "UR anomaly, variable used before assignment.",
     "9.1", 24, 'M', "30", "9.1", "EXP33-C", "457", "8-5-1", "142", "8.4"},
    {105, 'D', false, 'O', 0, 0, S::kLine, true, true, "DU anomaly, variable value is not used.",
     nullptr, 0, 'O', nullptr, "2.2", nullptr, "563", "0-1-6", nullptr, nullptr},
    {5, 'H', false, 'I', 0, 1, S::kLine, true, true, "Macro defined but not used.",
     nullptr, 0, 'O', nullptr, "2.5", nullptr, nullptr, "0-1-12", nullptr, nullptr},
    {9, 'H', false, 'O', 0, 0, S::kLine, true, true, "Function declared but not defined.",
     "8.8", 35, 'M', nullptr, "8.6", nullptr, nullptr, "3-2-4", nullptr, nullptr},
    {1, 'I', false, 'I', 0, 1, S::kProcedure, true, true, "Global variable modified in procedure.",
     nullptr, 0, 'O', nullptr, nullptr, "DCL19-C", nullptr, nullptr, "207", nullptr},
    {2, 'I', false, 'O', 0, 0, S::kProcedure, true, true, "Procedure parameter not used.",
     nullptr, 0, 'O', nullptr, "2.7", nullptr, "1172", "0-1-11", nullptr, nullptr},
    {1, 'X', false, 'O', 0, 0, S::kProcedure, true, true, "Procedure is not called in analysed code.",
     "14.1", 63, 'M', nullptr, "2.1", "MSC07-C", "561", "0-1-10", nullptr, nullptr},
    {27, 'X', false, 'M', 0, 0, S::kFile, true, true, "Global variable not initialised in module.",
     "9.1", 24, 'M', nullptr, nullptr, "DCL39-C", "456", nullptr, "142", nullptr},
    {1, 'Z', false, 'M', 0, 0, S::kLine, true, true, "Unreachable code found.",
     "14.1", 63, 'M', "52", "2.1", "MSC12-C", "561", "0-1-1", "186", "5.11"},
    {2, 'Z', false, 'O', 0, 1, S::kProcedure, true, true, "Procedure contains unreachable code.",
     nullptr, 0, 'O', nullptr, "2.1", nullptr, "561", "0-1-1", nullptr, nullptr},
};
// clang-format on

const char* explanation_of(const SampleStandard& s) {
  for (const Explanation& e : kExplanations) {
    if (e.letter == s.letter && e.number == s.number) return e.text;
  }
  return "";
}

std::string category_name(char letter) {
  switch (letter) {
    case 'M':
      return "Mandatory";
    case 'O':
      return "Optional";
    case 'I':
      return "Informational";
    case 'C':
      return "Checking";
    default:
      return "Mandatory";
  }
}

std::string letter_title(char letter) {
  switch (letter) {
    case 'C':
      return "C - Complexity metrics";
    case 'D':
      return "D - Data flow";
    case 'H':
      return "H - Headers and declarations";
    case 'I':
      return "I - Information flow";
    case 'S':
      return "S - Static coding rules";
    case 'X':
      return "X - Cross reference";
    case 'Z':
      return "Z - Reachability";
    default:
      return std::string(1, letter);
  }
}

bool in_language(const SampleStandard& s, int language) { return language == 6 ? s.for_cpp : s.for_c; }

std::string html_escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string anchor_of(const SampleStandard& s) { return format_text("standard_%c%d", lower(s.letter), s.number); }

// The standards of both languages once each, grouped by letter in the
// order the help pages show them.
std::vector<const SampleStandard*> help_page_order() {
  std::vector<const SampleStandard*> ordered;
  for (char letter : std::string("CDHISXZ")) {
    for (const SampleStandard& s : kStandards) {
      if (s.letter == letter) ordered.push_back(&s);
    }
  }
  return ordered;
}

std::string languages_of(const SampleStandard& s) {
  if (s.for_c && s.for_cpp) return "C, C++";
  return s.for_c ? "C" : "C++";
}

std::string join(const std::vector<std::string>& items, const char* separator) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) out += separator;
    out += items[i];
  }
  return out;
}

// The reference lines of a standard on the help pages, by model name.
std::vector<std::string> help_references(const SampleStandard& s) {
  std::vector<std::string> refs;
  if (s.misra2004) refs.push_back(format_text("MISRA-C:2004 rule %s", s.misra2004));
  if (s.misra1998) refs.push_back(format_text("MISRA-C:1998 rule %s", s.misra1998));
  if (s.misra2012) refs.push_back(format_text("MISRA-C:2012 rule %s", s.misra2012));
  if (s.misra_cpp) refs.push_back(format_text("MISRA-C++:2008 rule %s", s.misra_cpp));
  if (s.jsf_av) refs.push_back(format_text("JSF++ AV rule %s", s.jsf_av));
  if (s.hicpp) refs.push_back(format_text("HIC++ rule %s", s.hicpp));
  if (s.cert) refs.push_back(format_text("CERT %s", s.cert));
  if (s.cwe) refs.push_back(format_text("CWE-%s", s.cwe));
  return refs;
}

}  // namespace

const std::vector<SampleStandard>& sample_standards() { return kStandards; }

const SampleStandard* find_sample_standard(char letter, int number) {
  for (const SampleStandard& s : kStandards) {
    if (s.letter == letter && s.number == number) return &s;
  }
  return nullptr;
}

std::vector<const SampleStandard*> standards_of_language(int language) {
  std::vector<const SampleStandard*> list;
  for (const SampleStandard& s : kStandards) {
    if (in_language(s, language)) list.push_back(&s);
  }
  return list;
}

int standards_column(int language) { return language == 6 ? 50 : 64; }

std::string standard_text(const SampleStandard& s) {
  std::string text = s.text;
  size_t mark = text.find("***");
  if (mark != std::string::npos) text.replace(mark, 3, std::to_string(s.parameter));
  return text;
}

std::vector<std::string> standard_references(const SampleStandard& s, int language) {
  // In the order of the table of standards models, the order in which the
  // catalogue reader collects them.
  std::vector<std::string> refs;
  if (language == 6) {
    if (s.jsf_av) refs.push_back(std::string("AV ") + s.jsf_av);
    if (s.hicpp) refs.push_back(std::string("HIC++ ") + s.hicpp);
    if (s.misra_cpp) refs.push_back(std::string("MISRA-C++:2008 ") + s.misra_cpp);
  } else {
    if (s.misra1998) refs.push_back(std::string("MISRA/DERA ") + s.misra1998);
    if (s.misra2004) refs.push_back(std::string("MISRA-C2 ") + s.misra2004);
  }
  if (s.cert) refs.push_back(std::string("CERT ") + s.cert);
  if (s.cwe) refs.push_back(std::string("CWE ") + s.cwe);
  if (language != 6 && s.misra2012) refs.push_back(std::string("MISRA-C:2012 ") + s.misra2012);
  return refs;
}

bool write_penalty_file(const std::string& path, int language) {
  const std::vector<const SampleStandard*> list = standards_of_language(language);
  const int column = standards_column(language);
  TextOutput out(path);
  if (language == 6) {
    out.format("%5d\n", static_cast<int>(list.size()));
  } else {
    out.format("%5d STANDARDS TEXT MUST BE %d\n", static_cast<int>(list.size()), column);
  }
  int penalty_number = 0;
  for (const SampleStandard* s : list) {
    ++penalty_number;
    const int code_b = s->category == 'M' ? 1 : s->category == 'O' ? 2 : 3;
    const int code_c = s->letter == 'D' || s->letter == 'I' ? 1 : 0;
    const char letter = s->flattened ? 's' : s->letter;
    std::string text = s->text;
    const std::vector<std::string> refs = standard_references(*s, language);
    if (!refs.empty()) {
      text.resize(static_cast<size_t>(column), ' ');
      text += join(refs, "  ");
    }
    out.format("%5d%2d%1d%2d%5d%5d %c%s\n", penalty_number, code_b, code_c, s->code_d, s->parameter, s->number, letter,
               text.c_str());
  }
  return out.close();
}

std::vector<std::string> report_model_names(int language) {
  if (language == 6) return {"MISRA-C++:2008", "AV", "HIC++", "CERT", "CWE"};
  return {"MISRA-C:2004", "MISRA", "MISRA-C:2012", "CERT", "CWE"};
}

std::vector<std::string> report_model_descriptions(int language) {
  if (language == 6) {
    return {"MISRA-C++:2008:M:Required", "MISRA-C++:2008:O:Advisory", "MISRA-C++:2008:I:Document"};
  }
  return {"MISRA-C:2004:M:Required",  "MISRA-C:2004:O:Advisory", "MISRA-C:2004:I:Document", "MISRA-C:2004:C:Checking",
          "MISRA-C:2012:M:Mandatory", "MISRA-C:2012:C:Required", "MISRA-C:2012:O:Advisory"};
}

std::vector<std::string> report_annotations(const SampleStandard& s, int language) {
  std::vector<std::string> notes;
  if (language == 6) {
    if (s.misra_cpp) notes.push_back(format_text("MISRA-C++:2008:%c:%d", s.misra2004_category, s.misra2004_rule + 200));
    if (s.jsf_av) notes.push_back(format_text("AV:%s", s.jsf_av));
    if (s.hicpp) notes.push_back("HIC++");
  } else {
    if (s.misra2004) notes.push_back(format_text("MISRA-C:2004:%c:%d", s.misra2004_category, s.misra2004_rule));
    if (s.misra1998) notes.push_back(format_text("MISRA:%s", s.misra1998));
    if (s.misra2012)
      notes.push_back(
          format_text("MISRA-C:2012:%c:%d", s.misra2004_category == 'M' ? 'C' : 'O', s.misra2004_rule + 300));
  }
  if (s.cert) notes.push_back("CERT");
  if (s.cwe) notes.push_back("CWE");
  return notes;
}

bool write_report_file(const std::string& path, int language) {
  TextOutput out(path);
  out.format("# %s report configuration of the sample suite.\n", language == 6 ? "C++" : "C");
  out.line("# Every data line starts with one filler character.");
  out.line("#");
  out.line("# Section 1: standards models and their category titles.");
  const std::vector<std::string> names = report_model_names(language);
  const std::vector<std::string> descriptions = report_model_descriptions(language);
  for (const std::string& name : names) {
    out.format(" \"%s\"\n", name.c_str());
    for (const std::string& d : descriptions) {
      if (d.compare(0, name.size(), name) == 0 && d.size() > name.size() && d[name.size()] == ':') {
        out.format(" \"%s\"\n", d.c_str());
      }
    }
  }
  out.line("------");
  out.line("# Section 2: standard, letter, default category, model annotations.");
  for (const SampleStandard* s : standards_of_language(language)) {
    std::string text;
    for (const std::string& note : report_annotations(*s, language)) text += " \"" + note + "\"";
    if (s->letter == 'D' && s->number == 69) text += " \"PDTMCSFVA:       3      25\" Kelrun Requires dynamic data";
    if (s->letter == 'Z' && s->number == 1) text += " \"PDTMCSFVA:      12       4\"";
    out.format(" %4d %c %c%s\n", s->number, s->letter, s->category, text.c_str());
  }
  out.line(" 1001 3");
  out.line(" 1002 0.75");
  out.line(" 2000");
  out.line("# Section 3: files and directories left out of the report.");
  out.line(" \"/usr/include/\"");
  out.line(" \"/opt/vexa/include/\"");
  out.line("------");
  return out.close();
}

bool write_standards_pages(const std::string& suite_dir) {
  const std::vector<const SampleStandard*> ordered = help_page_order();

  // Current layout.
  TextOutput page(suite_dir + "standards_info/html/standards.htm");
  page.line("<!DOCTYPE html>");
  page.line("<html lang=\"en\">");
  page.line("<head>");
  page.line("<meta charset=\"utf-8\">");
  page.line("<title>Kelvar programming standards</title>");
  page.line("<style>");
  page.line("body { font-family: sans-serif; margin: 2em; max-width: 60em; }");
  page.line("h3 { margin-bottom: 0.2em; }");
  page.line(".category { color: #555555; }");
  page.line("</style>");
  page.line("</head>");
  page.line("<body>");
  page.line("<h1>Kelvar programming standards</h1>");
  page.line("<p>Each standard is named by a number and a letter, as violations show it (\"9 S\").");
  page.line("The letter says which analysis reports it.</p>");
  char current = '\0';
  for (const SampleStandard* s : ordered) {
    if (s->letter != current) {
      current = s->letter;
      page.format("<h2>%s</h2>\n", html_escape(letter_title(current)).c_str());
    }
    const std::string anchor = anchor_of(*s);
    page.format("<h3><a id=\"%s\" name=\"%s\"></a>%d %c: %s</h3>\n", anchor.c_str(), anchor.c_str(), s->number,
                s->letter, html_escape(standard_text(*s)).c_str());
    page.format("<p class=\"category\">Default category: %s. Languages: %s.</p>\n", category_name(s->category).c_str(),
                languages_of(*s).c_str());
    page.format("<p>%s</p>\n", html_escape(explanation_of(*s)).c_str());
    const std::vector<std::string> refs = help_references(*s);
    if (!refs.empty()) {
      page.line("<ul>");
      for (const std::string& r : refs) page.format("<li>%s</li>\n", html_escape(r).c_str());
      page.line("</ul>");
    }
  }
  page.line("</body>");
  page.line("</html>");
  bool ok = page.close();

  // Older layout: one table.
  TextOutput old(suite_dir + "Standards_and_MISRA_info/Standard/standard.html");
  old.line("<html>");
  old.line("<head><title>Kelvar Standards</title></head>");
  old.line("<body>");
  old.line("<h1>Kelvar Standards</h1>");
  old.line("<table border=\"1\" cellpadding=\"4\">");
  old.line("<tr><th>Standard</th><th>Description</th><th>Category</th><th>References</th></tr>");
  for (const SampleStandard* s : ordered) {
    const std::string anchor = anchor_of(*s);
    old.format("<tr><td><a name=\"%s\">%d %c</a></td><td>%s</td><td>%s</td><td>%s</td></tr>\n", anchor.c_str(),
               s->number, s->letter, html_escape(standard_text(*s)).c_str(), category_name(s->category).c_str(),
               html_escape(join(help_references(*s), "; ")).c_str());
  }
  old.line("</table>");
  old.line("</body>");
  old.line("</html>");
  return old.close() && ok;
}

std::vector<GlhRecordContent> glq_penalty_records(int language) {
  std::vector<GlhRecordContent> records;
  const std::vector<const SampleStandard*> list = standards_of_language(language);
  for (size_t i = 0; i < list.size(); ++i) {
    const SampleStandard& s = *list[i];
    const int entry = static_cast<int>(i);
    const int code_b = s.category == 'M' ? 1 : s.category == 'O' ? 2 : 3;
    const int code_c = s.letter == 'D' || s.letter == 'I' ? 1 : 0;
    const std::string text = standard_text(s);
    records.push_back(glq_penalty_record(entry, entry + 1, s.letter, s.code_d, s.number, s.parameter,
                                         std::strstr(s.text, "***") != nullptr, false, "", text));
    records.push_back(glq_references_record(entry, code_b, code_c, join(standard_references(s, language), ";")));
    const bool special = s.letter == 'Q' || (s.letter == 'S' && s.number == 23);
    int value_a = 0;
    int value_b = 0;
    if (s.letter == 'D' && s.number == 69) {
      value_a = 3;
      value_b = 25000000;
    } else if (s.letter == 'Z' && s.number == 1) {
      value_a = 12;
      value_b = 40000000;
    }
    const int category = s.category == 'M' ? 1 : s.category == 'O' ? 2 : s.category == 'I' ? 3 : 4;
    records.push_back(glq_report_entry_record(entry, 1, category, 0, s.category, special ? 1 : 0, value_a));
    records.push_back(glq_annotation_record(entry, value_b, join(report_annotations(s, language), ";")));
  }
  return records;
}

std::vector<GlhRecordContent> glq_description_records(int language) {
  std::vector<GlhRecordContent> records;
  for (const std::string& d : report_model_descriptions(language)) records.push_back(glq_model_description_record(d));
  return records;
}

std::string profile_text(const SampleProfile& p) {
  std::string text;
  text += "; Suite profile of a Kelvar sample analysis set, written by sorvi-samplegen.\n";
  text += "[C/C++ Vexa Kelvar]\n";
  text += "KELV=" + p.suite_dir + "\n";
  text += "WORKDIR=" + p.work_dir + "\n";
  text += "PERMDIR=" + p.perm_dir + "\n";
  text += "LOAD_INI_TO_MEMORY=T\n";
  text += "USE_DAEMON_LOCKING=FALSE\n";
  text += "STATICID_LOCK_WAIT_TIME=20\n";
  text += "UPDATED_HTML_STANDARD_LINKS=TRUE\n";
  text += "SORVI_AREF_ANNOTATED=TRUE\n";
  text += "SORVI_AREF_COVERAGE=TRUE\n";
  text += "SORVI_AREF_STANDARDS=TRUE\n";
  text += "SORVI_AREF_DATAFLOW=TRUE\n";
  text += "SORVI_TBLOCKS=TRUE\n";
  text += "SORVI_UR_ANOMS=TRUE\n";
  return text;
}

}  // namespace sorvi_sample
