// CSorviEditView: the read-only text view of a plain source document, in
// the plain source view's fixed-pitch font and colour. It places the caret
// from the start-up options, searches (the requested text on opening, and
// the modeless search dialog), shows the caret's line and column in the
// main frame's status bar, and jumps from a violation line to its
// standard's help page. The annotated views derive from it.
#pragma once

#include <QPlainTextEdit>
#include <QPointer>
#include <cstdint>
#include <string>
#include <vector>

#include "config/display_settings.h"
#include "gui/views/find_dialog.h"

namespace sorvi {

class CSorviDocument;

class CSorviEditView : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit CSorviEditView(CSorviDocument* document, QWidget* parent = nullptr);
  ~CSorviEditView() override;

  CSorviDocument* sorvi_document() const { return document_; }

  // The text as bytes; shown as UTF-8 when valid, else as Latin-1.
  void set_text_bytes(const std::string& bytes);
  std::string text_bytes() const;
  bool text_is_utf8() const { return utf8_; }
  // Writes the text as bytes to a file; false when it cannot be written.
  bool write_text(const std::string& path) const;

  // The plain source view's font and colour from the settings ("Font").
  void apply_initial_font();
  // Makes the font and colour the view's default format; false (and the
  // view unchanged) when the font cannot be made.
  bool apply_font(const FontRecord& font, PackedColour colour);
  const FontRecord& font_record() const { return font_record_; }
  PackedColour text_colour() const { return colour_; }
  // The Configure > Font command: a fixed-pitch font dialog; the choice is
  // stored in the settings section "Font".
  void choose_font();
  // Takes the font chosen in the dialog: applies it and stores it with the
  // colour, or says "The requested font was not set".
  bool take_chosen_font(const QFont& chosen);

  // Places caret and selection from Start=, End=, EndOfFile and, when
  // `use_remembered`, the remembered line.
  void position(bool use_remembered);
  // Searches for the FindText= option (case-sensitive, whole words) from
  // the start and shows it; true when found.
  bool find_requested_text();
  // Searches from the selection (forward, or backward for the last match
  // before it); selects the match or says "Search String not found!".
  bool find_text(const QString& text, bool forward, bool match_case);
  void open_find_dialog();
  CSorviFindDialog* find_dialog() const { return find_dialog_; }

  // The caret's line, from 1.
  int caret_line() const;
  QString line_text(int line) const;  // line from 0
  // The status pane text of the caret, shown while the view is active.
  void show_caret_status();

  // Violation Help: enabled on a violation line; opens its standard's page.
  bool violation_help_enabled() const;
  void violation_help();
  // The path Violation Help opens for the caret's line ("" when none).
  std::string violation_help_path() const;

  // A text of styled lines: each line is drawn in its style's colour from
  // the status colour table (code lines in the view's text colour). The
  // lines are coloured as they come into view, so a long text is shown at
  // once. Painting is held while the text is replaced.
  void set_styled_text(const std::string& bytes, std::vector<uint8_t> styles);
  int line_style(int line) const;
  // Colours every line (before printing).
  void colour_all_lines();

  // The colour line `line` (from 0) is drawn in.
  QColor line_colour(int line);

 signals:
  // Asks the program to open a file as a document.
  void open_document_requested(const std::string& path);
  void caret_moved();

 protected:
  // The default format changed (the font command).
  virtual void font_changed() {}
  void select_range(int from, int to);
  void paintEvent(QPaintEvent* event) override;

 private:
  void on_cursor_moved();
  // Gives the lines of the blocks their colours; the range's layout is
  // redone once.
  void colour_blocks(const QTextBlock& first, const QTextBlock& last);

  CSorviDocument* document_;
  bool utf8_ = true;
  FontRecord font_record_;
  PackedColour colour_ = 0;
  QPointer<CSorviFindDialog> find_dialog_;
  std::vector<uint8_t> styles_;
  std::vector<uint8_t> coloured_;
  QColor style_colours_[9];
};

// The QFont of a stored font record.
QFont font_of(const FontRecord& font);
QColor qcolor_of(PackedColour colour);

}  // namespace sorvi
