// CSorviRListDoc: a result list (".tci" test-case index, ".thi" harness
// index). The list file names a text document, usually a test report, and
// carries a table of test cases; the document shows the report as its text
// and hands the table to the list pane of its frame (CListChildFrame).
#pragma once

#include "gui/views/sorvi_edit_doc.h"
#include "workfiles/result_list.h"

namespace sorvi {

class CSorviRListDoc : public CSorviEditDoc {
  Q_OBJECT
 public:
  explicit CSorviRListDoc(DocKind kind, QObject* parent = nullptr);

  int menu_resource() const override { return static_cast<int>(kind()); }
  // Reads the list; a list that may not be shown (a changed report, a
  // missing line, no rows or columns, no report) is refused with "Unable to
  // open document\n<list file>". Otherwise the report opens as the text.
  bool open_document(const std::string& path) override;
  // The text view's font and placement, then the list pane.
  void initial_update() override;

  // The table read from the list file (its rows are released once the
  // list pane holds them).
  ResultList& list() { return list_; }
  const ResultList& list() const { return list_; }

 private:
  ResultList list_;
};

}  // namespace sorvi
