// CSorviDocument: what every document of the program has: its kind, its
// title, the path it records (the annotated kinds record none), its view
// and child frame, and its part in the main frame's bars and menus.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <string>

#include "annotate/view_bars.h"
#include "app/document_kinds.h"

namespace sorvi {

class CChildFrame;
class CSorviEditView;
class CSorviFrame;

class CSorviDocument : public QObject {
  Q_OBJECT
 public:
  explicit CSorviDocument(DocKind kind, QObject* parent = nullptr);

  DocKind kind() const { return kind_; }
  // The menu the document brings (its template's resource number).
  virtual int menu_resource() const { return static_cast<int>(kind_); }

  const QString& title() const { return title_; }
  void set_title(const QString& title);
  // The path recorded as the document's path name ("" when none).
  const std::string& path_name() const { return path_name_; }
  void set_path_name(const std::string& path);

  // Opens the file; false leaves the document unopened.
  virtual bool open_document(const std::string& path) = 0;
  // Makes the view (once, before opening) and fills it after a successful
  // opening.
  virtual CSorviEditView* create_view() = 0;
  virtual void initial_update() = 0;

  CSorviEditView* view() const { return view_; }
  CChildFrame* frame() const;
  void set_frame(CChildFrame* frame);
  CSorviFrame* main_frame() const;
  // True while this document's frame is the active one.
  bool is_active() const;

  // The bars: their state at each refresh, what activation shows, and the
  // commands of their controls. The plain document hides them all.
  virtual BarState bar_state() { return BarState(); }
  virtual BarLayout activation_layout() const { return plain_view_bar_layout(); }
  virtual void on_bar_command(BarControl control, bool checked);
  // The view became active: bars, panes and the frame's font.
  virtual void on_activate();
  // Before the frame closes.
  virtual void on_close();
  // View > Refresh.
  virtual bool can_refresh() const { return false; }
  virtual void refresh() {}
  // File > Save As: the text shown, written where the user chooses. Save
  // asks for the name too: a document never writes over the file it shows.
  // A save that writes the whole text clears the modified flag.
  virtual void save_as();
  virtual void save() { save_as(); }

  // Whether the text has edits not yet saved.
  bool is_modified() const;
  // Before the document's edits could be lost (its frame closes, the
  // program ends, the text is made again): when it has unsaved edits, asks
  // "Save changes to %1?" with Yes, No and Cancel. Yes saves. True when the
  // caller may go on (saved, or the edits given up); false on Cancel or
  // when the save did not happen.
  bool save_modified();
  // Whether the question is asked at all: a procedure-code document, a
  // view of a few blocks, never asks.
  virtual bool asks_to_save() const;
  // The name the question gives: its path's file name, else its title.
  virtual QString save_question_name() const;

 signals:
  void title_changed();
  void path_name_changed();
  // The bars' state may have changed (after a command or a reload).
  void bars_changed();

 protected:
  // Writes the view's text to `path` and clears the modified flag; says
  // "Failed to save document" when it cannot.
  bool write_document(const QString& path);
  // The platform's save dialog proposing `proposal`; "" when cancelled.
  QString ask_save_name(const QString& caption, const QString& proposal);

  CSorviEditView* view_ = nullptr;

 private:
  DocKind kind_;
  QString title_;
  std::string path_name_;
  QPointer<CChildFrame> frame_;
};

}  // namespace sorvi
