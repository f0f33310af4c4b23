// The program's open documents as the document kinds see them: each
// registered template with its documents' path names and its running
// number for default titles, and the plan for opening a file by name
// (activate a document already open, create one of the best kind, or
// fail). The windows keep the documents; this keeps what the choice needs.
#pragma once

#include <string>
#include <vector>

#include "app/document_kinds.h"

namespace sorvi {

// The window classes a kind is shown with.
enum class DocumentClass { Edit, Ref, Xtx, Html, ResultList };
DocumentClass document_class_of(DocKind kind);

struct OpenPlan {
  enum Action { Fail, Activate, Create };
  Action action = Fail;
  int template_index = -1;
  DocKind kind = DocKind::PlainSource;
  int document_id = -1;  // Activate: the open document
  std::string path;      // Create: the path to open (an HTML anchor cut off)
};

class DocumentRegistry {
 public:
  // The templates in registration order ("REF_DOCS" decides the reformatted kind).
  explicit DocumentRegistry(bool ref_docs);

  const std::vector<DocTemplateInfo>& templates() const { return templates_; }

  // Rates the name (made absolute first) against every template and its
  // open documents. An empty name fails.
  OpenPlan plan_open(const std::string& name, int language) const;

  // Records a new document of a template and gives its id (ids are never
  // reused). `path_name` is the path it records ("" for the annotated kinds,
  // which do not record theirs).
  int add(int template_index, const std::string& path_name);
  void set_path_name(int id, const std::string& path_name);
  void remove(int id);
  size_t document_count() const;

  // The default title of a template's next document: its document name
  // and the running number; `take_running_number` counts one up.
  std::string default_title(int template_index) const;
  void take_running_number(int template_index);

 private:
  struct Entry {
    int id;
    int template_index;
    std::string path_name;
  };
  std::vector<DocTemplateInfo> templates_;
  std::vector<int> running_numbers_;
  std::vector<Entry> documents_;
  int next_id_ = 1;
};

}  // namespace sorvi
