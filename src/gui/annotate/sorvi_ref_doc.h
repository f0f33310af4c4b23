// CSorviRefDoc: a whole analysed file: the reformatted source, annotated
// or not, or, for the annotated-source and violations kinds, the source
// listing with its violations. It owns the file's annotation context and
// turns the toggles of the annotation and layout bars into new switches
// and a regenerated view.
#pragma once

#include <QPointer>
#include <memory>

#include "annotate/ref_document.h"
#include "annotate/ref_toggles.h"
#include "gui/app/document.h"

namespace sorvi {

class CSorviRefView;

class CSorviRefDoc : public CSorviDocument {
  Q_OBJECT
 public:
  explicit CSorviRefDoc(DocKind kind, QObject* parent = nullptr);
  ~CSorviRefDoc() override;

  bool open_document(const std::string& path) override;
  CSorviEditView* create_view() override;
  void initial_update() override;

  AnnotationContext* context() const { return doc_ ? doc_->context : nullptr; }
  const RefDocument* ref_document() const { return doc_.get(); }
  CSorviRefView* ref_view() const;
  bool source_document() const { return kind() != DocKind::Reformatted; }
  bool enable_buttons() const { return enable_buttons_; }

  // Regenerates the view, its heading and the status texts.
  void update_all_views();

  BarState bar_state() override;
  BarLayout activation_layout() const override;
  void on_bar_command(BarControl control, bool checked) override;
  void on_activate() override;

  // Builds the document again, keeping the switches.
  bool can_refresh() const override { return true; }
  void refresh() override;
  bool reload();

  // A listing is saved as the text shown, under a name the user confirms.
  // The other texts are saved as any document is: Save writes to the name
  // the document has, and asks for one only when it has none; Save As asks
  // and the document takes the name.
  void save() override;
  void save_as() override;
  // The listing of a violations document is named by the module's source.
  QString save_question_name() const override;

  QString model_pane_text() const;
  QString file_pane_text() const;
  QString column_heading() const;

 private:
  bool build(const std::string& path);
  void update_panes();
  void save_listing(bool new_name);

  QPointer<CSorviRefView> shown_;
  std::string opened_path_;
  std::unique_ptr<RefDocument> doc_;
  bool enable_buttons_;
  RefWorkFiles files_;
  BarState shown_state_;
};

}  // namespace sorvi
