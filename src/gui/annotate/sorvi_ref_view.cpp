#include "gui/annotate/sorvi_ref_view.h"

#include "annotate/annotation_generator.h"
#include "annotate/document_reports.h"
#include "app/view_positioning.h"
#include "gui/annotate/sorvi_ref_doc.h"
#include "gui/annotate/styled_lines.h"

namespace sorvi {

CSorviRefView::CSorviRefView(CSorviRefDoc* document, QWidget* parent)
    : CSorviEditView(document, parent), ref_document_(document) {}

void CSorviRefView::update_view() {
  AnnotationContext* context = ref_document_->context();
  if (!context) return;
  filling_ = true;
  // The caret's line as it was, mapped past the lines of kinds just switched on.
  CaretMapper mapper(just_switched_on(), filled_ ? caret_line() : 0);
  StyledLineCollector lines(&mapper);
  AnnotatedLineList list(&lines);
  if (GenerateAnnotatedLines(context, list)) list.close();
  clear_just_switched_on();
  const int caret = mapper.finish();
  set_styled_text(lines.text, std::move(lines.styles));
  filled_ = true;
  filling_ = false;
  select_range(0, 0);
  // A plain text starts at its top; an annotated one goes back to its line.
  remembered_line() = context->annotated ? caret : 0;
  position(true);
  document()->setModified(false);
}

void CSorviRefView::apply_read_only_rule() {
  const AnnotationContext* context = ref_document_->context();
  const bool read_only = !context || annotated_view_read_only(*context);
  setReadOnly(read_only);
  setTextInteractionFlags(read_only ? Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard
                                    : Qt::TextEditorInteraction);
}

void CSorviRefView::font_changed() {
  // The text is rewritten in the new font.
  if (filled_ && !filling_ && ref_document_->context() && ref_document_->context()->annotated) {
    ref_document_->update_all_views();
  }
}

}  // namespace sorvi
