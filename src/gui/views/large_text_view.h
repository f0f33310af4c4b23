// CLargeTextView: a text view for texts of millions of lines. It holds the
// text once (LineStore: the bytes, one offset per line, one style byte per
// line) and lays out and paints only the lines in sight, each in its
// style's colour. The vertical scroll bar counts lines. It has a caret and
// a selection moved by keyboard and mouse, Copy and Select All, a search
// over the bytes, printing, and, when not read-only, simple editing with
// an undo of its edits.
// Lines may be appended while it is shown: the scroll bars grow with them.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "gui/views/line_store.h"

class QPrinter;
class QTextLayout;

namespace sorvi {

class CLargeTextView : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit CLargeTextView(QWidget* parent = nullptr);

  // ---- the text ------------------------------------------------------------
  // Replaces the text by `bytes` (lines split at newlines, all of style 0).
  void set_text_bytes(const std::string& bytes);
  std::string text_bytes() const { return std::string(store_.bytes()); }
  // Shown as UTF-8 when valid, else as Latin-1.
  bool text_is_utf8() const { return store_.utf8(); }
  const LineStore& store() const { return store_; }
  int line_count() const { return static_cast<int>(store_.line_count()); }
  QString line_text(int line) const;  // line from 0
  int line_style(int line) const;
  // The colour line `line` (from 0) is drawn in.
  QColor line_colour(int line) const;
  // The colours of the styles: entry `i` of the status colour table draws
  // the styles that map to it; the text colour draws the others.
  void set_style_colours(const QColor (&colours)[9]);

  // Lines arriving while the view is shown: begin_lines() empties the text;
  // lines go into the store (possibly on a generating thread while this
  // one waits); lines_arrived() then grows the scroll bars and paints.
  void begin_lines();
  LineStore& line_store() { return store_; }
  void lines_arrived();

  // ---- caret and selection (offsets in the text's bytes) -----------------------
  uint64_t caret() const { return caret_; }
  uint64_t anchor() const { return anchor_; }
  uint64_t selection_start() const { return std::min(caret_, anchor_); }
  uint64_t selection_end() const { return std::max(caret_, anchor_); }
  bool has_selection() const { return caret_ != anchor_; }
  QString selected_text() const;
  // Selects from `anchor` to `caret` (clamped to the text).
  void set_selection(uint64_t anchor, uint64_t caret);
  uint64_t line_start(int line) const;
  // The caret's line from 0, and its column in characters from 0.
  int caret_line_index() const { return static_cast<int>(store_.line_of(caret_)); }
  int caret_column() const;
  void ensure_caret_visible();
  // The top line in sight; scrolling puts `line` there as far as it can.
  int first_visible_line() const;
  void scroll_to_line(int line);
  // Lines that fit in the window.
  int visible_line_count() const;

  // ---- commands --------------------------------------------------------------
  void copy();
  void selectAll();
  void cut();
  void paste();
  bool canPaste() const;
  bool isReadOnly() const { return read_only_; }
  void setReadOnly(bool read_only);
  bool is_modified() const { return modified_; }
  // Clearing the flag marks the text as saved: undoing back to it clears
  // the flag again.
  void set_modified(bool modified);
  // Undo takes back the last edit (a run of typing is one edit).
  bool can_undo() const { return !undo_.empty() && !read_only_ && !receiving_; }
  void undo();
  // Replaces the selection by `text` (editing; not while lines arrive).
  void insert_text(const QString& text);
  // Held while lines arrive: no editing then.
  void set_receiving(bool receiving) { receiving_ = receiving; }
  bool receiving() const { return receiving_; }

  // The first match of `needle` starting at or after `from` and ending by
  // `to` (byte offsets), or -1; `length` gets the match's length in bytes.
  int64_t find_bytes(const QString& needle, uint64_t from, uint64_t to, bool match_case, bool whole_words,
                     uint64_t* length) const;

  // Prints the lines, paged, in the view font and the lines' colours,
  // within page margins of half an inch. `on_page(page, pages)` is called
  // before each page (from 1) and ends the printing when it returns false.
  // False when the printing could not start.
  using PageProgress = std::function<bool(int page, int pages)>;
  bool print(QPrinter* printer, const PageProgress& on_page = PageProgress()) const;

  // The left edge of the text inside the viewport (before scrolling).
  int text_margin() const { return kMargin; }

 signals:
  void caret_moved();

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  // The user moved the caret or scrolled (a placement waiting for lines
  // should give way).
  virtual void user_moved() {}
  // Replaces the bytes [from, to) as an edit of the text (kept for undo);
  // nothing while read-only or while lines arrive.
  void replace_bytes(uint64_t from, uint64_t to, const std::string& bytes);

 private:
  static constexpr int kMargin = 4;

  QString decode(std::string_view bytes) const;
  QColor colour_of_style(int style) const;
  void update_metrics();
  void update_scroll_bars();
  // A line laid out for painting or hit testing.
  void lay_out(QTextLayout& layout, int line) const;
  uint64_t offset_at(const QPoint& viewport_point) const;
  int x_of(uint64_t offset) const;
  uint64_t offset_at_x(int line, int x) const;
  // Moving the caret by characters and words within the text.
  uint64_t next_char(uint64_t offset) const;
  uint64_t previous_char(uint64_t offset) const;
  uint64_t word_boundary(uint64_t offset, bool forward) const;
  void move_caret(uint64_t offset, bool keep_anchor);
  // Replaces the selection by `bytes`, kept for undo; `typing` joins the
  // edit to a run of typing just before it.
  void replace_selection(const std::string& bytes, bool typing = false);
  void insert(const QString& text, bool typing);
  void clear_undo();
  // The editing keys beyond the platform's standard ones.
  enum class EditKey { None, Undo, Cut, Copy, Paste };
  EditKey edit_key(const QKeyEvent* event) const;

  // An edit as undo restores it: the bytes at `at` that it replaced, the
  // length of what it put there, and the selection before it.
  struct Edit {
    uint64_t at;
    std::string removed;
    uint64_t inserted;
    uint64_t anchor;
    uint64_t caret;
  };

  LineStore store_;
  uint64_t caret_ = 0;
  uint64_t anchor_ = 0;
  int goal_x_ = -1;
  bool read_only_ = true;
  bool modified_ = false;
  bool receiving_ = false;
  bool has_focus_ = false;
  int line_height_ = 16;
  int char_width_ = 8;
  int ascent_ = 12;
  int widest_seen_ = 0;
  int shown_lines_ = 0;  // lines there were when lines last arrived
  QColor style_colours_[9];
  std::deque<Edit> undo_;
  size_t undo_bytes_ = 0;
  // The undo depth at which the text was last saved (none when unreachable).
  size_t saved_depth_ = 0;
  bool typing_ = false;  // the last edit was typing, open for more
};

}  // namespace sorvi
