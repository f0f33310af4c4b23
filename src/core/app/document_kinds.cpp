#include "app/document_kinds.h"

#include "app/command_line.h"
#include "base/file_utils.h"
#include "config/startup_options.h"

namespace sorvi {
namespace {

bool equal_nocase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// The extension from the last '.' of the file part ("" when none).
std::string extension_of(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
  return path.substr(dot);
}

bool matches_filter(const std::string& ext, const std::string& filter) {
  if (ext.empty()) return false;
  size_t at = 0;
  while (at <= filter.size()) {
    size_t semi = filter.find(';', at);
    if (semi == std::string::npos) semi = filter.size();
    if (equal_nocase(filter.substr(at, semi - at), ext)) return true;
    at = semi + 1;
  }
  return false;
}

}  // namespace

std::vector<DocTemplateInfo> document_templates(bool ref_docs) {
  std::vector<DocTemplateInfo> t;
  t.push_back({DocKind::PlainSource, "\nSorvir\nSorvb\n\n\nSorvi.Document\nSorvb Document", false, false});
  if (ref_docs) {
    t.push_back({DocKind::Reformatted,
                 "\nRef Browser\nRefBrow\nReformatted Source Code(*.ref)\n.ref\nRefBrowse.Document\nRefBrow Document",
                 false, true});
  }
  t.push_back({DocKind::ProcedureCode,
               "\nXtx Browser\nXtxBrow\nXtx Files (*.xtx)\n.xtx\nXtxBrowse.Document\nXtxBrow Document", false, true});
  t.push_back({DocKind::Html,
               "\nHSorvb\nHSorvb\nInternet Documents (*.htm;*.html;*.mht)\n.htm;.html;.mht\nHSorvi.Document\nHSorvb "
               "Document",
               true, false});
  t.push_back({DocKind::TestCaseIndex,
               "\nTci Browser\nTciBrow\nTest Case Indexes(*.tci)\n.tci\nTciBrowse.Document\nTciBrow Document", false,
               false});
  t.push_back({DocKind::HarnessIndex,
               "\nThi Browser\nThiBrow\nTest Case Harness Indexes(*.thi)\n.thi\nThiBrowse.Document\nThiBrow Document",
               false, false});
  t.push_back({DocKind::AnnotatedSource,
               "\nSrc Browser\nSrcBrow\nAnnotated Source Code(*.sif)\n.sif\nSrcBrowse.Document\nSrcBrow Document", false,
               true});
  t.push_back({DocKind::Violations,
               "\nViolations Browser\nViolBrow\nSource Code & Violations(*.sf1)\n.sf1\nViolBrowse.Document\nViolBrow "
               "Document",
               false, true});
  return t;
}

std::string doc_string_field(const char* doc_string, int field) {
  std::string s = doc_string ? doc_string : "";
  size_t at = 0;
  for (int i = 0; i < field; ++i) {
    size_t nl = s.find('\n', at);
    if (nl == std::string::npos) return std::string();
    at = nl + 1;
  }
  size_t end = s.find('\n', at);
  return s.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

int rate_document(const DocTemplateInfo& t, const std::string& path, const std::vector<std::string>& open_paths,
                  int language, int* open_index, std::string* anchor) {
  const std::string filter = doc_string_field(t.doc_string, 4);
  if (t.html) {
    const std::string converted = unescape_double_carets(path);
    std::string ext, found_anchor;
    size_t hash = converted.rfind('#');
    if (hash != std::string::npos) {
      found_anchor = converted.substr(hash);
      ext = extension_of(converted.substr(0, hash));
    }
    if (ext.empty()) ext = extension_of(converted);
    int rating = kRateForeign;
    for (size_t i = 0; i < open_paths.size(); ++i) {
      if (equal_nocase(open_paths[i], converted)) {
        rating = kRateOpen;
        if (open_index) *open_index = static_cast<int>(i);
      }
    }
    if (rating != kRateOpen && !filter.empty() && matches_filter(ext, filter)) rating = kRateNative;
    if (rating >= kRateNative && !found_anchor.empty() && anchor) *anchor = found_anchor;
    return rating;
  }
  int rating = kRateForeign;
  for (size_t i = 0; i < open_paths.size(); ++i) {
    if (equal_nocase(open_paths[i], path)) {
      if (open_index) *open_index = static_cast<int>(i);
      rating = kRateOpen;
      break;
    }
  }
  if (rating != kRateOpen && matches_filter(extension_of(path), filter)) rating = kRateNative;
  if (t.xtx && (t.kind == DocKind::AnnotatedSource || t.kind == DocKind::Violations) && language == 0) {
    rating = kRateNo;
  }
  return rating;
}

std::string normalise_document_path(const std::string& name) {
  std::string n = name;
  if (!n.empty() && n[0] == '"') n.erase(0, 1);
  size_t quote = n.rfind('"');
  if (quote != std::string::npos) n.resize(quote);
  if (n.empty()) return n;
  return full_path(n);
}

TemplateChoice choose_template(const std::vector<DocTemplateInfo>& templates, const std::string& path, int language,
                               const std::vector<std::vector<std::string>>& open_paths) {
  TemplateChoice best;
  for (size_t i = 0; i < templates.size(); ++i) {
    int open_index = -1;
    std::string anchor;
    static const std::vector<std::string> none;
    int rating = rate_document(templates[i], path, i < open_paths.size() ? open_paths[i] : none, language,
                               &open_index, &anchor);
    if (!anchor.empty()) html_anchor() = anchor;
    if (rating > best.rating) {
      best.template_index = static_cast<int>(i);
      best.rating = rating;
      best.open_index = open_index;
    }
    if (rating == kRateOpen) break;
  }
  return best;
}

}  // namespace sorvi
