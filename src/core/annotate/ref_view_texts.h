// Texts the whole-file document shows beside its view or proposes to the
// user: the two status panes and the name a source listing is saved under.
#pragma once

#include <string>

#include "annotate/ref_document.h"

namespace sorvi {

// The model pane: the file shown (the listed file in a listing, else the
// work file), "  Standards Model: " and the model's name; empty without a
// context.
std::string ref_model_pane_text(const RefDocument& doc);

// The file pane: with an annotated context showing the Ref column and a
// loaded index, the caret line's first 40 characters read as a reformatted
// line number give the file that line comes from, "<main file>" for the
// module's own source. Empty otherwise.
std::string ref_file_pane_text(const AnnotationContext& context, const std::string& caret_line_text);

// The name proposed when a source listing is saved: the listed file (the
// module's source without one) for a listing of violations, else the
// document path; saving under a new name without any name yet proposes the
// title cut before the first of " #%;/\", with ".c" for the module's own
// source file and ".h" for an included one.
std::string listing_save_name(const RefDocument& doc, const std::string& title, bool new_name);

}  // namespace sorvi
