// CListChildFrame: the frame of a result list. Its area is split in two
// rows: the document's text view on top (90 % of the height) and the list
// pane below (10 %), neither lower than 50 pixels. The frame's commands
// (find, copy, font, ...) reach the text view through the document, also
// while the list pane has the focus.
// CListSplitter: the splitter of a text above a list, here and in the
// frame of a source with its violations.
#pragma once

#include <QSplitter>
#include <string>

#include "gui/app/child_frames.h"

namespace sorvi {

class CSorviListView;
class CSorviRListDoc;

// Keeps the list's share of the height (a tenth at first) as the frame
// changes size; the user's move of the handle gives the share, which is
// stored under the settings section for the frames of the kind opened
// later.
class CListSplitter : public QSplitter {
  Q_OBJECT
 public:
  CListSplitter(const std::string& section, QWidget* parent);
  double list_share() const { return share_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void apply_share();
  void handle_moved();

  std::string section_;
  double share_ = 0.1;
};

class CListChildFrame : public CChildFrame {
  Q_OBJECT
 public:
  explicit CListChildFrame(CSorviRListDoc* document, QWidget* parent = nullptr);

  void set_view(CSorviEditView* view) override;
  QSplitter* splitter() const { return splitter_; }
  CSorviListView* list_view() const { return list_; }

 private:
  CListSplitter* splitter_ = nullptr;
  CSorviListView* list_ = nullptr;
};

}  // namespace sorvi
