// The document kinds a file can open as, and how each rates a file: by its
// extension, by whether it is open already, and, for the annotated-source
// and violations kinds, by whether a language was given.
#pragma once

#include <string>
#include <vector>

namespace sorvi {

// Each kind is named by its template's resource number.
enum class DocKind {
  PlainSource = 129,
  Reformatted = 132,
  ProcedureCode = 131,
  Html = 130,
  TestCaseIndex = 134,
  HarnessIndex = 133,
  AnnotatedSource = 135,
  Violations = 136,
};

struct DocTemplateInfo {
  DocKind kind;
  // The seven newline-separated fields: window title, document name, new
  // file name, filter name, filter extensions, file-type id and name.
  const char* doc_string;
  bool html;  // rated by the HTML rules (anchors after '#')
  bool xtx;   // rated by the annotated-document rules
};

// The templates in registration order; the reformatted-source kind only
// when `ref_docs` ("REF_DOCS") is true.
std::vector<DocTemplateInfo> document_templates(bool ref_docs);

// One field (0..6) of a document-type string.
std::string doc_string_field(const char* doc_string, int field);

// Ratings: 0 no attempt, 3 foreign file, 4 native file, 5 already open.
constexpr int kRateNo = 0;
constexpr int kRateForeign = 3;
constexpr int kRateNative = 4;
constexpr int kRateOpen = 5;

// Rates a full path for one template. `open_paths` are the path names of the
// template's open documents; `open_index` receives the matching one for a
// rating of 5. An HTML rating of 4 or 5 gives its anchor ("#..."), if any.
int rate_document(const DocTemplateInfo& t, const std::string& path, const std::vector<std::string>& open_paths,
                  int language, int* open_index, std::string* anchor);

// The name as the opening uses it: one leading double quote removed, cut at
// the last double quote, made absolute.
std::string normalise_document_path(const std::string& name);

struct TemplateChoice {
  int template_index = -1;  // into document_templates(); -1: none rated above 0
  int rating = kRateNo;
  int open_index = -1;      // the open document when rating is 5
};

// Asks every template in order; keeps the first with the highest rating and
// stops at the first "already open". `open_paths[i]` lists template i's
// open documents. An HTML anchor found on the way is stored in html_anchor().
TemplateChoice choose_template(const std::vector<DocTemplateInfo>& templates, const std::string& path, int language,
                               const std::vector<std::vector<std::string>>& open_paths);

}  // namespace sorvi
