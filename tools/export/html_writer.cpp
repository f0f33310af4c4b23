#include "export/html_writer.h"

#include <cctype>
#include <cstdio>
#include <memory>

#include "annotate/annotation_context.h"
#include "annotate/annotation_generator.h"
#include "annotate/line_texts.h"
#include "annotate/rtf_writer.h"
#include "base/file_utils.h"
#include "config/display_settings.h"
#include "config/profile.h"
#include "export/export_text.h"
#include "help/help_links.h"

namespace sorvi_export {

namespace {

// What each line style shows, for the legend (styles 1 to 3 are rules in
// the text colour).
const char* const kStyleMeaning[] = {
    "Code",
    "Procedure rule",
    "Block rule",
    "Note rule",
    "Coverage note: executed",
    "Coverage note: not executed",
    "Violation, cross-reference, possible UR anomaly",
    "Procedure violation",
    "Not executed and not instrumented",
    "Data flow",
    "Partly covered block end",
};
constexpr int kStyleCount = 11;

std::string colour_css(int style) {
  sorvi::set_default_status_colours(0, 0, 0);
  const sorvi::PackedColour c = sorvi::status_colour(sorvi::rtf_colour_entry(style));
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", sorvi::colour_red(c), sorvi::colour_green(c),
                sorvi::colour_blue(c));
  return buf;
}

bool help_page_present() {
  return sorvi::is_regular_file(sorvi::suite_file_path(sorvi::standards_help_page().c_str()));
}

// The standards help page as a module page links to it: the copy in the
// output folder, or the suite's page itself when the suite has none.
std::string help_page_href() {
  if (help_page_present()) return "../" + sorvi::standards_help_page();
  return file_uri(sorvi::suite_file_path(sorvi::standards_help_page().c_str()));
}

std::string legend_html() {
  std::string h = "<div class=\"legend\"><b>Legend:</b>";
  for (int s : {0, 4, 5, 6, 7, 8, 9}) {
    h += " <span class=\"key s" + std::to_string(s) + "\">&#9632; " + kStyleMeaning[s] + "</span>";
  }
  return h + "</div>\n";
}

// The reformatted line of a code line whose text starts with the Ref
// column ("%6d"), 0 for any other line.
int code_line_number(const std::string& text) {
  if (text.size() < 6) return 0;
  int n = 0;
  bool digits = false;
  for (size_t i = 0; i < 6; ++i) {
    const char ch = text[i];
    if (ch == ' ' && !digits) continue;
    if (ch < '0' || ch > '9') return 0;
    digits = true;
    n = n * 10 + (ch - '0');
  }
  return digits ? n : 0;
}

class HtmlPages : public sorvi::AnnotatedLineSink {
 public:
  HtmlPages(const std::string& dir, const std::string& title)
      : dir_(dir), title_(title), help_(xml_text(help_page_href())) {}
  ~HtmlPages() override {
    if (out_) std::fclose(out_);
  }

  void take(sorvi::AnnotatedChunk&& chunk) override {
    for (const sorvi::AnnotatedLine& line : chunk) add(line);
  }

  // Ends the last page; false when a page could not be written.
  bool finish() {
    if (!out_ && !failed_) open_page();
    close_page(false);
    return !failed_;
  }
  const std::string& error() const { return error_; }

 private:
  std::string page_name(int n) const { return "page" + std::to_string(n) + ".html"; }

  void add(const sorvi::AnnotatedLine& line) {
    if (failed_) return;
    if (out_ && lines_ >= kHtmlLinesPerPage) close_page(true);
    if (!out_) open_page();
    if (!out_) return;
    std::string& h = buffer_;
    h += "<span class=\"s";
    h += std::to_string(line.style < 0 || line.style >= kStyleCount ? 0 : line.style);
    h += '"';
    const int number = line.style == 0 ? code_line_number(line.text) : 0;
    if (number > 0) {
      h += " id=\"L";
      h += std::to_string(number);
      h += '"';
    }
    h += '>';
    char letter = 0;
    int standard = 0;
    if ((line.style == 6 || line.style == 7) &&
        sorvi::parse_violation_line(line.text, sorvi::alternative_violation_format(), &letter, &standard)) {
      h += "<a href=\"" + help_ + "#standard_" + static_cast<char>(std::tolower(static_cast<unsigned char>(letter))) +
           std::to_string(standard) + "\">";
      append_xml_text(h, line.text);
      h += "</a>";
    } else {
      append_xml_text(h, line.text);
    }
    h += "</span>\n";
    if (buffer_.size() > (1 << 16)) flush();
    ++lines_;
  }

  void flush() {
    if (out_ && !buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), out_) != buffer_.size()) {
      fail("cannot write " + dir_ + page_name(page_));
    }
    buffer_.clear();
  }

  void fail(const std::string& why) {
    if (!failed_) error_ = why;
    failed_ = true;
  }

  void open_page() {
    ++page_;
    lines_ = 0;
    const std::string path = dir_ + page_name(page_);
    out_ = std::fopen(path.c_str(), "wb");
    if (!out_) {
      fail("cannot write " + path);
      return;
    }
    buffer_ = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + xml_text(title_) +
              " - page " + std::to_string(page_) +
              "</title>\n<link rel=\"stylesheet\" href=\"../sorvi.css\">\n</head>\n<body>\n<nav><a href=\"../index.html\">All modules</a>";
    if (page_ > 1) buffer_ += " | <a href=\"" + page_name(page_ - 1) + "\">Previous page</a>";
    buffer_ += " | Page " + std::to_string(page_) + "</nav>\n<h1>" + xml_text(title_) + "</h1>\n" + legend_html() + "<pre>\n";
  }

  void close_page(bool more) {
    if (!out_) return;
    buffer_ += "</pre>\n<nav><a href=\"../index.html\">All modules</a>";
    if (page_ > 1) buffer_ += " | <a href=\"" + page_name(page_ - 1) + "\">Previous page</a>";
    if (more) buffer_ += " | <a href=\"" + page_name(page_ + 1) + "\">Next page</a>";
    buffer_ += "</nav>\n</body>\n</html>\n";
    flush();
    if (std::fclose(out_) != 0) fail("cannot write " + dir_ + page_name(page_));
    out_ = nullptr;
  }

  std::string dir_;
  std::string title_;
  std::string help_;  // the help page's address, escaped
  std::FILE* out_ = nullptr;
  std::string buffer_;
  int page_ = 0;
  size_t lines_ = 0;
  bool failed_ = false;
  std::string error_;
};

}  // namespace

bool write_module_pages(sorvi::AnnotationContext& context, ModuleSummary& summary, const std::string& root,
                        std::string& error) {
  const std::string dir = sorvi::with_trailing_separator(root) + summary.stem + "/";
  if (!sorvi::make_directories(dir)) {
    error = "cannot create " + dir;
    return false;
  }
  HtmlPages pages(dir, summary.source + " (" + summary.stem + ")");
  sorvi::AnnotatedLineList lines(&pages);
  if (!sorvi::GenerateAnnotatedLines(&context, lines)) {
    error = "cannot read " + context.workFile;
    return false;
  }
  lines.close();
  if (!pages.finish()) {
    error = pages.error();
    return false;
  }
  summary.page = summary.stem + "/page1.html";
  return true;
}

namespace {

const char kSortScript[] =
    "<script>\n"
    "// Sorts the table by the clicked column; a second click reverses.\n"
    "document.querySelectorAll('th').forEach(function (th, col) {\n"
    "  th.addEventListener('click', function () {\n"
    "    var body = th.closest('table').tBodies[0];\n"
    "    var rows = Array.prototype.slice.call(body.rows);\n"
    "    var down = th.getAttribute('data-dir') !== 'down';\n"
    "    th.setAttribute('data-dir', down ? 'down' : 'up');\n"
    "    rows.sort(function (a, b) {\n"
    "      var x = a.cells[col].getAttribute('data-key'), y = b.cells[col].getAttribute('data-key');\n"
    "      var nx = parseFloat(x), ny = parseFloat(y);\n"
    "      var r = (!isNaN(nx) && !isNaN(ny)) ? nx - ny : x.localeCompare(y);\n"
    "      return down ? -r : r;\n"
    "    });\n"
    "    rows.forEach(function (r) { body.appendChild(r); });\n"
    "  });\n"
    "});\n"
    "</script>\n";

std::string cell(const std::string& key, const std::string& html) {
  return "<td data-key=\"" + xml_text(key) + "\">" + html + "</td>";
}

std::string ratio_cell(long long part, long long whole) {
  char pct[32];
  std::snprintf(pct, sizeof pct, "%.1f", whole > 0 ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0);
  return cell(whole > 0 ? pct : "-1",
              std::to_string(part) + " / " + std::to_string(whole) + (whole > 0 ? " (" + std::string(pct) + " %)" : ""));
}

bool write_text(const std::string& path, const std::string& text);

bool copy_file(const std::string& from, const std::string& to) {
  std::FILE* in = std::fopen(from.c_str(), "rb");
  if (!in) return false;
  std::string text;
  char buf[1 << 14];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) text.append(buf, n);
  std::fclose(in);
  return write_text(to, text);
}

bool write_text(const std::string& path, const std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

bool write_html_index(const std::string& root, const std::vector<ModuleSummary>& modules,
                      const std::vector<std::string>& skipped, std::string& error) {
  const std::string dir = sorvi::with_trailing_separator(root);
  std::string css =
      "body { font-family: sans-serif; margin: 1em; }\n"
      "pre { font-family: monospace; line-height: 1.2; }\n"
      "table { border-collapse: collapse; }\n"
      "th, td { border: 1px solid #bbbbbb; padding: 2px 6px; text-align: right; }\n"
      "th { cursor: pointer; background: #eeeeee; }\n"
      "td:first-child, td:nth-child(2) { text-align: left; }\n"
      ".legend { margin: 0.5em 0; }\n"
      ".key { margin-right: 1em; }\n"
      "pre a { color: inherit; }\n";
  for (int s = 0; s < kStyleCount; ++s) css += ".s" + std::to_string(s) + " { color: " + colour_css(s) + "; }\n";
  if (!write_text(dir + "sorvi.css", css)) {
    error = "cannot write " + dir + "sorvi.css";
    return false;
  }
  if (help_page_present()) {
    const std::string copy = dir + sorvi::standards_help_page();
    if (!sorvi::make_directories(sorvi::directory_part(copy)) ||
        !copy_file(sorvi::suite_file_path(sorvi::standards_help_page().c_str()), copy)) {
      error = "cannot write " + copy;
      return false;
    }
  }

  std::string h =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Sorvi report</title>\n"
      "<link rel=\"stylesheet\" href=\"sorvi.css\">\n</head>\n<body>\n<h1>Sorvi report</h1>\n"
      "<p>Click a column heading to sort by it.</p>\n<table>\n<thead><tr><th>Module</th><th>Source file</th>"
      "<th>Lines</th><th>Executable lines run</th><th>Branches taken</th><th>Mandatory</th><th>Optional</th>"
      "<th>Informational</th><th>Checking</th></tr></thead>\n<tbody>\n";
  for (const ModuleSummary& m : modules) {
    h += "<tr>" + cell(m.stem, "<a href=\"" + xml_text(m.page) + "\">" + xml_text(m.stem) + "</a>") +
         cell(m.source, xml_text(m.source)) + cell(std::to_string(m.ref_lines), std::to_string(m.ref_lines)) +
         ratio_cell(m.executed_lines, m.executable_lines) + ratio_cell(m.branches_taken, m.branches);
    for (long long v : m.violations) h += cell(std::to_string(v), std::to_string(v));
    h += "</tr>\n";
  }
  h += "</tbody>\n</table>\n";
  if (!skipped.empty()) {
    h += "<h2>Modules not exported</h2>\n<ul>\n";
    for (const std::string& s : skipped) h += "<li>" + xml_text(s) + "</li>\n";
    h += "</ul>\n";
  }
  h += kSortScript;
  h += "</body>\n</html>\n";
  if (!write_text(dir + "index.html", h)) {
    error = "cannot write " + dir + "index.html";
    return false;
  }
  return true;
}

}  // namespace sorvi_export
