// CSorviXtxView: the view of a procedure-code document, filled line by
// line with the generated lines in their styles' colours.
#pragma once

#include "gui/views/sorvi_edit_view.h"

namespace sorvi {

class CSorviXtxDoc;

class CSorviXtxView : public CSorviEditView {
  Q_OBJECT
 public:
  explicit CSorviXtxView(CSorviXtxDoc* document, QWidget* parent = nullptr);

  // Generates the procedure's lines; without a procedure record the view
  // stays as it was.
  void update_view();
  void apply_read_only_rule();
  bool filling() const { return filling_; }

 protected:
  void font_changed() override;

 private:
  CSorviXtxDoc* xtx_document_;
  bool filled_ = false;
  bool filling_ = false;
};

}  // namespace sorvi
