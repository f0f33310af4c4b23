// CListChildFrame: the frame of a result list. Its area is split in two
// rows: the document's text view on top (90 % of the height) and the list
// pane below (10 %), neither lower than 50 pixels. The frame's commands
// (find, copy, font, ...) reach the text view through the document, also
// while the list pane has the focus.
#pragma once

#include "gui/app/child_frames.h"

class QSplitter;

namespace sorvi {

class CSorviListView;
class CSorviRListDoc;

class CListChildFrame : public CChildFrame {
  Q_OBJECT
 public:
  explicit CListChildFrame(CSorviRListDoc* document, QWidget* parent = nullptr);

  void set_view(CSorviEditView* view) override;
  QSplitter* splitter() const { return splitter_; }
  CSorviListView* list_view() const { return list_; }

 private:
  QSplitter* splitter_ = nullptr;
  CSorviListView* list_ = nullptr;
};

}  // namespace sorvi
