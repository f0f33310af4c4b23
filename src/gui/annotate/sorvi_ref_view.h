// CSorviRefView: the view of a whole-file document, filled with the
// generated lines in their styles' colours. Each update regenerates the
// whole text and keeps the caret on its code line when an annotation kind
// was just switched on.
#pragma once

#include "gui/views/sorvi_edit_view.h"

namespace sorvi {

class CSorviRefDoc;

class CSorviRefView : public CSorviEditView {
  Q_OBJECT
 public:
  explicit CSorviRefView(CSorviRefDoc* document, QWidget* parent = nullptr);

  // Generates the document's lines and shows them; places the caret.
  void update_view();
  // Makes the view read-only unless "WRITE_SORVI".
  void apply_read_only_rule();
  bool filling() const { return filling_; }

 protected:
  void font_changed() override;

 private:
  CSorviRefDoc* ref_document_;
  bool filled_ = false;
  bool filling_ = false;
};

}  // namespace sorvi
