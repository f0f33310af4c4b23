// CSorviEditView: the text view of a plain source document, in the plain
// source view's fixed-pitch font and colour, read-only unless the profile
// makes it writable. It places the caret from the start-up options,
// searches (the requested text on opening, and the modeless search
// dialog), replaces in a writable text (the replace dialog), shows the caret's line and column in the main frame's status
// bar, and jumps from a violation line to its standard's help page. The
// annotated views derive from it.
#pragma once

#include <QPointer>
#include <cstdint>
#include <string>

#include "config/display_settings.h"
#include "gui/views/find_dialog.h"
#include "gui/views/large_text_view.h"

namespace sorvi {

class CSorviDocument;

class CSorviEditView : public CLargeTextView {
  Q_OBJECT
 public:
  explicit CSorviEditView(CSorviDocument* document, QWidget* parent = nullptr);
  ~CSorviEditView() override;

  CSorviDocument* sorvi_document() const { return document_; }

  // Writes the whole text as bytes to a file; false when it cannot be
  // written.
  bool write_text(const std::string& path);
  // Brings in every line of a text still arriving (before printing or
  // saving it).
  virtual void complete_text() {}

  // The plain source view's font and colour from the settings ("Font").
  void apply_initial_font();
  // Makes the font and colour the view's own; false (and the view
  // unchanged) when the font cannot be made.
  bool apply_font(const FontRecord& font, PackedColour colour);
  const FontRecord& font_record() const { return font_record_; }
  PackedColour text_colour() const { return colour_; }
  // The Configure > Font command: a fixed-pitch font dialog with the text
  // colour; the choice is stored in the settings section "Font".
  void choose_font();
  // Takes the font and colour chosen in the dialog: applies them and stores
  // them, or says "The requested font was not set".
  bool take_chosen_font(const QFont& chosen, const QColor& colour);

  // Places caret and selection from Start=, End=, EndOfFile and, when
  // `use_remembered`, the remembered line.
  void position(bool use_remembered);
  // Searches for the FindText= option (case-sensitive, whole words) from
  // the start and shows it; true when found.
  bool find_requested_text();
  // Searches from the selection (forward, or backward for the last match
  // before it); selects the match or says "Search String not found!".
  bool find_text(const QString& text, bool forward, bool match_case, bool whole_words = false);
  void open_find_dialog();
  CSorviFindDialog* find_dialog() const { return find_dialog_; }

  // Edit > Replace of a writable text: the replace dialog, whose steps
  // come here. Find Next searches on from the selection's end; Replace
  // first replaces the selection when it is a match; Replace All replaces
  // every match as one edit and says "Search String not found!" when there
  // is none. Each returns whether it found (or replaced) a match.
  void open_replace_dialog();
  CSorviFindDialog* replace_dialog() const { return replace_dialog_; }
  bool replace_step(const QString& text, const QString& with, bool match_case, bool whole_words,
                    CSorviFindDialog::ReplaceStep step);

  // The caret's line, from 1, and its bytes.
  int caret_line() const { return caret_line_index() + 1; }
  std::string caret_line_bytes() const;
  // The status pane text of the caret, shown while the view is active.
  void show_caret_status();

  // Violation Help: enabled on a violation line; opens its standard's page.
  bool violation_help_enabled() const;
  void violation_help();
  // The path Violation Help opens for the caret's line ("" when none).
  std::string violation_help_path() const;

  // Takes the colours of the line styles from the status colour table,
  // entry 5 following the view's text colour.
  void take_status_colours();

 signals:
  // Asks the program to open a file as a document.
  void open_document_requested(const std::string& path);

 protected:
  // The font changed (the font command).
  virtual void font_changed() {}
  // Selects from `from` to `to` (offsets in the text) and shows the caret.
  void select_range(uint64_t from, uint64_t to);

 private:
  void on_cursor_moved();

  CSorviDocument* document_;
  FontRecord font_record_;
  PackedColour colour_ = 0;
  QPointer<CSorviFindDialog> find_dialog_;
  QPointer<CSorviFindDialog> replace_dialog_;
};

// The QFont of a stored font record.
QFont font_of(const FontRecord& font);
QColor qcolor_of(PackedColour colour);

}  // namespace sorvi
