// CSorviXtxView: the view of a procedure-code document, filled with the
// generated lines in their styles' colours.
#pragma once

#include "gui/annotate/annotated_view.h"

namespace sorvi {

class CSorviXtxDoc;

class CSorviXtxView : public CAnnotatedView {
  Q_OBJECT
 public:
  explicit CSorviXtxView(CSorviXtxDoc* document, QWidget* parent = nullptr);

  // Generates the procedure's lines; without a procedure record the view
  // stays as it was.
  void update_view();
  void apply_read_only_rule();

 protected:
  void lines_grew(bool complete) override;

 private:
  CSorviXtxDoc* xtx_document_;
  bool placed_ = true;
};

}  // namespace sorvi
