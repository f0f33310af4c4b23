#include "annotate/ref_view_texts.h"

#include <cstdio>

#include "workfiles/index_file.h"

namespace sorvi {

std::string ref_model_pane_text(const RefDocument& doc) {
  const AnnotationContext* c = doc.context;
  if (!c) return std::string();
  return (c->listing ? c->sourcePath : c->workFile) + "  Standards Model: " + c->modelName;
}

std::string ref_file_pane_text(const AnnotationContext& c, const std::string& caret_line_text) {
  if (!c.annotated || !c.showRefLines || !c.indexLoaded || !c.index) return std::string();
  const std::string head = caret_line_text.substr(0, 40);
  int line = 0;
  if (std::sscanf(head.c_str(), "%d", &line) != 1) return std::string();
  const IndexRecord& index = *c.index;
  const int flattened = flattened_line(index, line);
  if (flattened < 1) return std::string();
  const FileLimits* file = containing_file(index, flattened, occurrence_count(index, line, flattened));
  if (!file) return std::string();
  if (file == &index.file_limits.front()) return "<main file>";
  return file->file_name;
}

std::string listing_save_name(const RefDocument& doc, const std::string& title, bool new_name) {
  const AnnotationContext* c = doc.context;
  std::string name;
  if (c && c->listingStandards) {
    name = !doc.listed_file.empty() ? doc.listed_file : c->repositoryKey;
  } else {
    name = doc.path;
  }
  if (new_name && name.empty()) {
    name = title.substr(0, title.find_first_of(" #%;/\\"));
    name += doc.listed_file == doc.module_source ? ".c" : ".h";
  }
  return name;
}

}  // namespace sorvi
