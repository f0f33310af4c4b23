#include "app/batch.h"

#include <cstdio>

#include "annotate/document_reports.h"
#include "annotate/ref_document.h"
#include "app/document_kinds.h"
#include "base/large_array.h"
#include "config/profile.h"
#include "config/startup_options.h"

namespace sorvi {

namespace {

// A report that could not be written is said on standard error and ends
// the run with status 2, so that a script never takes a missing or partial
// report for a result.
int report_status(const ReportResult& result) {
  if (result.error.empty()) return 0;
  std::fprintf(stderr, "sorvi: %s\n", result.error.c_str());
  return 2;
}

}  // namespace

int run_batch(const CSorviCommandLineInfo& info) {
  // Without a document there is nothing to write and nothing to wait for.
  if (info.shell_command != ShellCommand::FileOpen || info.file_name.empty()) return 0;
  keep_freed_memory();
  const std::string path = normalise_document_path(info.file_name);
  const std::vector<DocTemplateInfo> templates = document_templates(get_profile_bool("REF_DOCS", true, false));
  const TemplateChoice choice = choose_template(templates, path, startup_options().Language, {});
  if (choice.template_index < 0) return 0;
  switch (templates[static_cast<size_t>(choice.template_index)].kind) {
    case DocKind::Reformatted:
    case DocKind::AnnotatedSource:
    case DocKind::Violations: {
      const DocKind kind = templates[static_cast<size_t>(choice.template_index)].kind;
      std::unique_ptr<RefDocument> doc = build_ref_document(path, kind != DocKind::Reformatted, kind == DocKind::Violations);
      // A document that cannot be opened ends the program quietly.
      return doc ? report_status(write_ref_document_report(*doc)) : 0;
    }
    case DocKind::ProcedureCode: {
      std::unique_ptr<XtxDocument> doc = build_xtx_document(path);
      return doc ? report_status(write_xtx_document_report(*doc)) : 0;
    }
    default:
      // Plain text, HTML pages and result lists have no batch report.
      return 0;
  }
}

}  // namespace sorvi
