#include "gui/annotate/sorvi_xtx_view.h"

#include "annotate/annotation_generator.h"
#include "config/profile.h"
#include "gui/annotate/sorvi_xtx_doc.h"
#include "gui/annotate/styled_lines.h"

namespace sorvi {

CSorviXtxView::CSorviXtxView(CSorviXtxDoc* document, QWidget* parent)
    : CSorviEditView(document, parent), xtx_document_(document) {}

void CSorviXtxView::update_view() {
  AnnotationContext* context = xtx_document_->context();
  if (!context) return;
  StyledLineCollector lines;
  AnnotatedLineList list(&lines);
  if (GenerateAnnotatedLines(context, list)) list.close();
  if (context->procedures.empty()) return;
  filling_ = true;
  set_styled_text(lines.text, std::move(lines.styles));
  filled_ = true;
  filling_ = false;
  select_range(0, 0);
  position(false);
  document()->setModified(false);
}

void CSorviXtxView::apply_read_only_rule() {
  const bool read_only = !get_profile_bool("WRITE_SORVI", false, false);
  setReadOnly(read_only);
  setTextInteractionFlags(read_only ? Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard
                                    : Qt::TextEditorInteraction);
}

void CSorviXtxView::font_changed() {
  if (filled_ && !filling_ && xtx_document_->context() && xtx_document_->context()->annotated) {
    xtx_document_->update_all_views();
  }
}

}  // namespace sorvi
