#include "app/document_registry.h"

#include <algorithm>

#include "config/startup_options.h"

namespace sorvi {

DocumentClass document_class_of(DocKind kind) {
  switch (kind) {
    case DocKind::Reformatted:
    case DocKind::AnnotatedSource:
    case DocKind::Violations:
      return DocumentClass::Ref;
    case DocKind::ProcedureCode:
      return DocumentClass::Xtx;
    case DocKind::Html:
      return DocumentClass::Html;
    case DocKind::TestCaseIndex:
    case DocKind::HarnessIndex:
      return DocumentClass::ResultList;
    default:
      return DocumentClass::Edit;
  }
}

DocumentRegistry::DocumentRegistry(bool ref_docs)
    : templates_(document_templates(ref_docs)), running_numbers_(templates_.size(), 1) {}

OpenPlan DocumentRegistry::plan_open(const std::string& name, int language) const {
  OpenPlan plan;
  const std::string path = normalise_document_path(name);
  if (path.empty()) return plan;
  std::vector<std::vector<std::string>> open_paths(templates_.size());
  std::vector<std::vector<int>> open_ids(templates_.size());
  for (const Entry& e : documents_) {
    open_paths[static_cast<size_t>(e.template_index)].push_back(e.path_name);
    open_ids[static_cast<size_t>(e.template_index)].push_back(e.id);
  }
  html_anchor().clear();
  const TemplateChoice choice = choose_template(templates_, path, language, open_paths);
  if (choice.template_index < 0) return plan;
  const size_t t = static_cast<size_t>(choice.template_index);
  plan.template_index = choice.template_index;
  plan.kind = templates_[t].kind;
  if (choice.rating == kRateOpen && choice.open_index >= 0 &&
      choice.open_index < static_cast<int>(open_ids[t].size())) {
    plan.action = OpenPlan::Activate;
    plan.document_id = open_ids[t][static_cast<size_t>(choice.open_index)];
    return plan;
  }
  plan.action = OpenPlan::Create;
  plan.path = path;
  // An HTML document opens the page; its anchor waits in the anchor buffer.
  if (templates_[t].html && !html_anchor().empty() && html_anchor().size() <= path.size()) {
    plan.path.resize(path.size() - html_anchor().size());
  }
  return plan;
}

int DocumentRegistry::add(int template_index, const std::string& path_name) {
  const int id = next_id_++;
  documents_.push_back(Entry{id, template_index, path_name});
  return id;
}

void DocumentRegistry::set_path_name(int id, const std::string& path_name) {
  for (Entry& e : documents_) {
    if (e.id == id) e.path_name = path_name;
  }
}

void DocumentRegistry::remove(int id) {
  documents_.erase(std::remove_if(documents_.begin(), documents_.end(), [id](const Entry& e) { return e.id == id; }),
                   documents_.end());
}

size_t DocumentRegistry::document_count() const { return documents_.size(); }

std::string DocumentRegistry::default_title(int template_index) const {
  if (template_index < 0 || template_index >= static_cast<int>(templates_.size())) return std::string();
  const size_t t = static_cast<size_t>(template_index);
  return doc_string_field(templates_[t].doc_string, 1) + std::to_string(running_numbers_[t]);
}

void DocumentRegistry::take_running_number(int template_index) {
  if (template_index >= 0 && template_index < static_cast<int>(running_numbers_.size())) {
    ++running_numbers_[static_cast<size_t>(template_index)];
  }
}

}  // namespace sorvi
