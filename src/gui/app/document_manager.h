// The program's documents: opening a file by name through the document
// kinds (activating one already open, or creating the document of the best
// kind with its child frame), the active document and its bars, menus and
// caption, closing (a document with unsaved edits asks first, and so does
// the end of the program), and the File, Edit, View and Configure commands.
#pragma once

#include <QObject>
#include <QPointer>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "annotate/view_bars.h"
#include "app/document_registry.h"
#include "gui/app/main_frame.h"

class QMdiSubWindow;
class QPrinter;

namespace sorvi {

class CChildFrame;
class CSorviDocument;

class CDocumentManager : public QObject {
  Q_OBJECT
 public:
  // Registers the document kinds ("REF_DOCS" decides the reformatted one).
  explicit CDocumentManager(CSorviFrame* frame);
  ~CDocumentManager() override;

  // Opens a file by name; the document, or none (a message says why,
  // except in batch mode).
  CSorviDocument* open_document(const std::string& name);
  // The open documents, in opening order.
  std::vector<CSorviDocument*> documents() const;
  CSorviDocument* active_document() const { return frame_->active_document(); }
  void close_document(CSorviDocument* document);
  // Sets the bars from the active document's state.
  void refresh_bars();
  // File > Open: asks for a file and opens it.
  void open_with_dialog();
  // Each document with unsaved edits asks to save them; false when one
  // was cancelled (the program then goes on).
  bool save_all_modified();
  // The printer of Print and Print Setup, made on first use.
  QPrinter* printer();
  // File > New: an untitled, empty document of the first kind (plain
  // text); none when it cannot be made.
  CSorviDocument* new_document();

  const DocumentRegistry& registry() const { return registry_; }

 protected:
  // Closing a child frame or the main frame asks first.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  CSorviDocument* create_document(const OpenPlan& plan);
  // Records an opened document of a kind and shows it in its frame.
  void adopt(int template_index, CSorviDocument* document, CChildFrame* child);
  void activate(CSorviDocument* document);
  void on_command(FrameCommand command);
  void on_bar_command(BarControl control, bool checked);
  void on_subwindow_activated(QMdiSubWindow* window);
  void on_frame_closing(CChildFrame* frame);
  void print();
  void failed(const char* message) const;

  CSorviFrame* frame_;
  DocumentRegistry registry_;
  std::map<int, QPointer<CSorviDocument>> documents_;  // by registry id
  bool opening_ = false;
  std::unique_ptr<QPrinter> printer_;
};

}  // namespace sorvi
