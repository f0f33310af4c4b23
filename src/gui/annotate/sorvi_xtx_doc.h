// CSorviXtxDoc: the annotated code of one procedure, from a block on. It
// owns the procedure's annotation context; the annotation bar changes what
// is shown and the navigation bar widens the range of blocks.
#pragma once

#include <QPointer>
#include <memory>

#include "annotate/ref_document.h"
#include "annotate/ref_toggles.h"
#include "gui/app/document.h"

namespace sorvi {

class CSorviXtxView;

class CSorviXtxDoc : public CSorviDocument {
  Q_OBJECT
 public:
  explicit CSorviXtxDoc(QObject* parent = nullptr);
  ~CSorviXtxDoc() override;

  bool open_document(const std::string& path) override;
  CSorviEditView* create_view() override;
  void initial_update() override;

  AnnotationContext* context() const { return doc_ ? doc_->context : nullptr; }
  const XtxDocument* xtx_document() const { return doc_.get(); }
  CSorviXtxView* xtx_view() const;

  void update_all_views();
  QString status_text() const;

  BarState bar_state() override;
  BarLayout activation_layout() const override;
  void on_bar_command(BarControl control, bool checked) override;
  void on_activate() override;

 private:
  void update_panes();

  QPointer<CSorviXtxView> shown_;
  std::unique_ptr<XtxDocument> doc_;
  BarState shown_state_;
};

}  // namespace sorvi
