#include "gui/annotate/sorvi_xtx_view.h"

#include "annotate/annotation_context.h"
#include "annotate/annotation_generator.h"
#include "config/profile.h"
#include "gui/annotate/sorvi_xtx_doc.h"

namespace sorvi {

CSorviXtxView::CSorviXtxView(CSorviXtxDoc* document, QWidget* parent)
    : CAnnotatedView(document, parent), xtx_document_(document) {}

void CSorviXtxView::update_view() {
  AnnotationContext* context = xtx_document_->context();
  if (!context) return;
  LoadAnnotationData(context);
  if (context->procedures.empty()) return;
  placed_ = false;
  generate(context, 0);
}

void CSorviXtxView::lines_grew(bool complete) {
  if (placed_) return;
  if (user_has_moved() || placement_ready(0, complete)) {
    placed_ = true;
    if (!user_has_moved()) position(false);
  }
}

void CSorviXtxView::apply_read_only_rule() { setReadOnly(!get_profile_bool("WRITE_SORVI", false, false)); }

}  // namespace sorvi
