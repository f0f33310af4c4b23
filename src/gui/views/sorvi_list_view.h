// CSorviListView: the list pane of a result list, below its text. Its
// rows are the list file's table; Hilight= selects a test case when the
// list is first shown, and choosing a row finds its test case in the text
// ("*  Test Case <first cell> :") and shows it as the third visible line.
// Its columns share the width it really has; widths the user drags are kept
// as the result lists' layout.
#pragma once

#include <QTreeWidget>
#include <string>

namespace sorvi {

class CColumnLayout;
class CSorviRListDoc;

class CSorviListView : public QTreeWidget {
  Q_OBJECT
 public:
  explicit CSorviListView(CSorviRListDoc* document, QWidget* parent = nullptr);

  // The columns and rows of the document's table, the Hilight= row, and
  // the text made read-only unless "WRITE_SORVI".
  void initial_update();
  // Finds the row's test case in the document's text; false when it is
  // not there (the text is left at its top).
  bool choose_row(int row);
  std::string cell_text(int row, int column) const;
  CColumnLayout* column_layout() const { return layout_; }

 protected:
  // Until the user takes over, the row scrolled to stays in view while
  // the pane finds its size.
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  CSorviRListDoc* document_;
  CColumnLayout* layout_;
  int scroll_row_ = -1;
};

}  // namespace sorvi
