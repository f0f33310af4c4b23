// The static HTML report: an index page with one row per module and, per
// module, its annotated text as the window shows it (the same line texts
// and colours), split into pages of a bounded number of lines so that the
// largest module still opens in a browser.
//
// Layout below the output folder:
//   index.html             the modules, with sortable columns
//   sorvi.css              the colours of the line styles
//   <stem>/page<N>.html    the pages of a module, N from 1
//   <standards page>       a copy of the suite's standards help page, which
//                          every violation line links to at its anchor
#pragma once

#include <string>
#include <vector>

#include "export/module_export.h"

namespace sorvi {
struct AnnotationContext;
}

namespace sorvi_export {

// Annotated lines per page.
constexpr size_t kHtmlLinesPerPage = 5000;

// Writes the pages of a module whose data is loaded into `root`/<stem>/ and
// sets `summary.page`. False with `error` set when a page cannot be written.
bool write_module_pages(sorvi::AnnotationContext& context, ModuleSummary& summary, const std::string& root,
                        std::string& error);

// Writes index.html, sorvi.css and the copy of the standards help page.
// `skipped` names the modules that could not be exported, with the reason.
bool write_html_index(const std::string& root, const std::vector<ModuleSummary>& modules,
                      const std::vector<std::string>& skipped, std::string& error);

}  // namespace sorvi_export
