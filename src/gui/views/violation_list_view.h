// CViolationListView: the violations of the listed source file as a table
// below the text of a violations document, one row per violation in
// source-line order (the rows batch mode writes to ".vsrc.rtf"). A double
// click shows the row's source line in the text; a right click offers
// "&Violation Help", which opens the help page of the row's standard.
#pragma once

#include <functional>
#include <string>

#include "gui/views/vexa_list_view.h"

class QMenu;

namespace sorvi {

class CSorviRefDoc;

class CViolationListView : public CVexaListView {
  Q_OBJECT
 public:
  // The settings names are "Violation View Font" and "Violation View Text
  // Colour"; the eight images are the row kinds.
  explicit CViolationListView(CSorviRefDoc* document, QWidget* parent = nullptr);

  // The first display: images, font and colour, the columns and the rows
  // of the document's violations.
  void initial_update() override;

  // Shows the source line of a row in the document's text. When the text
  // has edits the document asks to save them first; a cancel leaves the
  // text as it is. Once they are saved, the first time in the program, the
  // violations may no longer match, which is said.
  void go_to_row(int row);
  // The help page of a row's standard ("" when its identifier cell is not
  // a number and a letter), and opening it.
  std::string violation_help_path(int row) const;
  void violation_help(int row);
  // The right-click menu of a row, with its single entry "&Violation Help".
  QMenu* create_context_menu(int row);

  // Saves the text's edits before a jump; false to stay. The default is
  // the document's question (tests may put their own).
  void set_save_handler(std::function<bool()> handler) { save_edits_ = std::move(handler); }

 signals:
  void open_document_requested(const std::string& path);

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  // Enter jumps to the current row's source line, as a double click does.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool save_edits();
  void draw_images();

  CSorviRefDoc* document_;
  std::function<bool()> save_edits_;
};

}  // namespace sorvi
