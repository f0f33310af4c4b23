#include "gui/annotate/sorvi_ref_view.h"

#include "annotate/annotation_context.h"
#include "annotate/document_reports.h"
#include "app/view_positioning.h"
#include "gui/annotate/sorvi_ref_doc.h"

namespace sorvi {

CSorviRefView::CSorviRefView(CSorviRefDoc* document, QWidget* parent)
    : CAnnotatedView(document, parent), ref_document_(document) {}

void CSorviRefView::update_view() {
  AnnotationContext* context = ref_document_->context();
  if (!context) return;
  annotated_ = context->annotated;
  placed_ = false;
  // The caret's line as it was, mapped past the lines of kinds just switched on.
  const int caret = filled_ ? caret_line() : 0;
  filled_ = true;
  generate(context, caret);
}

void CSorviRefView::lines_grew(bool complete) {
  if (placed_) return;
  if (user_has_moved()) {
    // The user took over while the lines came in.
    placed_ = true;
    return;
  }
  const int caret = mapped_caret();
  if (caret < 0 || !placement_ready(annotated_ ? caret : 0, complete)) return;
  placed_ = true;
  // A plain text starts at its top; an annotated one goes back to its line.
  remembered_line() = annotated_ ? caret : 0;
  position(true);
}

void CSorviRefView::apply_read_only_rule() {
  const AnnotationContext* context = ref_document_->context();
  setReadOnly(!context || annotated_view_read_only(*context));
}

}  // namespace sorvi
