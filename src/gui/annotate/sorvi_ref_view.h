// CSorviRefView: the view of a whole-file document, filled with the
// generated lines in their styles' colours. Each update regenerates the
// whole text and keeps the caret on its code line when an annotation kind
// was just switched on; the caret goes there as soon as that line is in.
#pragma once

#include "gui/annotate/annotated_view.h"

namespace sorvi {

class CSorviRefDoc;

class CSorviRefView : public CAnnotatedView {
  Q_OBJECT
 public:
  explicit CSorviRefView(CSorviRefDoc* document, QWidget* parent = nullptr);

  // Generates the document's lines into the view; places the caret.
  void update_view();
  // Makes the view read-only unless "WRITE_SORVI".
  void apply_read_only_rule();

 protected:
  void lines_grew(bool complete) override;

 private:
  CSorviRefDoc* ref_document_;
  bool filled_ = false;
  bool placed_ = true;
  bool annotated_ = false;
};

}  // namespace sorvi
