#include "gui/views/large_text_view.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QTextLayout>
#include <QTimer>
#include <cctype>
#include <cmath>

#include "annotate/annotated_lines.h"
#include "annotate/rtf_writer.h"

namespace sorvi {
namespace {

bool continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// UTF-16 units of the UTF-8 sequence that starts with `lead`.
int units_of(unsigned char lead) { return lead >= 0xF0 ? 2 : 1; }

// The byte offset in a line of its character `chars` (UTF-16 units).
size_t byte_of_char(std::string_view line, int chars, bool utf8) {
  if (!utf8) return std::min(line.size(), static_cast<size_t>(std::max(chars, 0)));
  size_t i = 0;
  for (int n = 0; i < line.size() && n < chars;) {
    n += units_of(static_cast<unsigned char>(line[i]));
    ++i;
    while (i < line.size() && continuation(line[i])) ++i;
  }
  return i;
}

// The characters (UTF-16 units) before byte `offset` of a line.
int chars_before(std::string_view line, size_t offset, bool utf8) {
  offset = std::min(offset, line.size());
  if (!utf8) return static_cast<int>(offset);
  int n = 0;
  for (size_t i = 0; i < offset; ++i) {
    if (!continuation(line[i])) n += units_of(static_cast<unsigned char>(line[i]));
  }
  return n;
}

// Undo keeps at most this many edits and this many bytes of replaced text;
// the oldest go first.
constexpr size_t kUndoEdits = 1000;
constexpr size_t kUndoBytes = size_t{32} << 20;
constexpr size_t kNoDepth = static_cast<size_t>(-1);

bool word_char(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 0x80 || std::isalnum(u) || c == '_';
}

enum class Move { NextChar, PreviousChar, NextWord, PreviousWord, NextLine, PreviousLine, NextPage, PreviousPage,
                  LineStart, LineEnd, TextStart, TextEnd };

struct KeyMove {
  QKeySequence::StandardKey move;
  QKeySequence::StandardKey select;
  Move kind;
};

const KeyMove kKeyMoves[] = {
    {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, Move::NextChar},
    {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, Move::PreviousChar},
    {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord, Move::NextWord},
    {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord, Move::PreviousWord},
    {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, Move::NextLine},
    {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, Move::PreviousLine},
    {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, Move::NextPage},
    {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage, Move::PreviousPage},
    {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, Move::LineStart},
    {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, Move::LineEnd},
    {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, Move::TextStart},
    {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, Move::TextEnd},
};

// On screen, a colour that is the view's own text colour (the plain lines,
// and the status colours equal to it, as the rules' black) follows the
// desktop's text colour where it would not stand out from the background:
// black text on a dark desktop. The other status colours stay as stored.
QColor legible(const QColor& colour, const QPalette& view) {
  const QColor own = view.color(QPalette::Text);
  if (colour != own || std::abs(own.lightness() - view.color(QPalette::Base).lightness()) >= 80) return colour;
  return QGuiApplication::palette().color(QPalette::Text);
}

}  // namespace

CLargeTextView::CLargeTextView(QWidget* parent) : QAbstractScrollArea(parent) {
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setAutoFillBackground(false);
  verticalScrollBar()->setSingleStep(1);
  // Scrolling by wheel or scroll bar is the user's move too.
  connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this] { user_moved(); });
  for (QColor& c : style_colours_) c = palette().color(QPalette::Text);
  update_metrics();
  update_scroll_bars();
}

// ---- the text ----------------------------------------------------------------

QString CLargeTextView::decode(std::string_view bytes) const {
  const auto n = static_cast<qsizetype>(bytes.size());
  return store_.utf8() ? QString::fromUtf8(bytes.data(), n) : QString::fromLatin1(bytes.data(), n);
}

void CLargeTextView::set_text_bytes(const std::string& bytes) {
  store_.assign(bytes);
  clear_undo();
  caret_ = anchor_ = 0;
  goal_x_ = -1;
  widest_seen_ = 0;
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  update_scroll_bars();
  viewport()->update();
  emit caret_moved();
}

QString CLargeTextView::line_text(int line) const {
  if (line < 0 || line >= line_count()) return QString();
  return decode(store_.line(static_cast<size_t>(line)));
}

int CLargeTextView::line_style(int line) const {
  return line >= 0 && line < line_count() ? store_.style(static_cast<size_t>(line)) : static_cast<int>(kStyleCode);
}

QColor CLargeTextView::colour_of_style(int style) const {
  const int entry = rtf_colour_entry(style);
  if (entry == 5 || entry < 0 || entry > 8) return palette().color(QPalette::Text);
  return style_colours_[entry];
}

QColor CLargeTextView::line_colour(int line) const { return legible(colour_of_style(line_style(line)), palette()); }

void CLargeTextView::set_style_colours(const QColor (&colours)[9]) {
  std::copy(std::begin(colours), std::end(colours), std::begin(style_colours_));
  viewport()->update();
}

void CLargeTextView::begin_lines() {
  store_.clear();
  clear_undo();
  shown_lines_ = 0;
  caret_ = anchor_ = 0;
  goal_x_ = -1;
  widest_seen_ = 0;
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  update_scroll_bars();
  viewport()->update();
}

void CLargeTextView::lines_arrived() {
  update_scroll_bars();
  // Only a window that was not yet full needs painting again.
  if (first_visible_line() + visible_line_count() >= shown_lines_) viewport()->update();
  shown_lines_ = line_count();
}

// ---- geometry ------------------------------------------------------------------

void CLargeTextView::update_metrics() {
  const QFontMetrics fm(font());
  line_height_ = std::max(1, fm.lineSpacing());
  char_width_ = std::max(1, fm.horizontalAdvance(QLatin1Char('M')));
  ascent_ = fm.ascent();
  // A tab stop lies every 80 pixels, as in the platform's text widgets.
  const QTextOption option;
  store_.set_tab_columns(static_cast<size_t>(std::ceil(option.tabStopDistance() / char_width_)));
  widest_seen_ = 0;
}

int CLargeTextView::visible_line_count() const {
  return std::max(1, (viewport()->height() - kMargin) / line_height_);
}

int CLargeTextView::first_visible_line() const { return verticalScrollBar()->value(); }

void CLargeTextView::scroll_to_line(int line) { verticalScrollBar()->setValue(line); }

void CLargeTextView::update_scroll_bars() {
  const int page = visible_line_count();
  QScrollBar* v = verticalScrollBar();
  v->setRange(0, std::max(0, line_count() - page));
  v->setPageStep(page);
  const long long widest =
      std::max<long long>(static_cast<long long>(store_.widest_columns()) * char_width_, widest_seen_) + 2 * kMargin;
  QScrollBar* h = horizontalScrollBar();
  h->setRange(0, static_cast<int>(std::min<long long>(INT32_MAX / 2, std::max(0LL, widest - viewport()->width()))));
  h->setPageStep(std::max(1, viewport()->width()));
  h->setSingleStep(char_width_ * 2);
}

void CLargeTextView::scrollContentsBy(int, int) { viewport()->update(); }

void CLargeTextView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  update_scroll_bars();
}

void CLargeTextView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    update_metrics();
    update_scroll_bars();
    viewport()->update();
  } else if (event->type() == QEvent::PaletteChange) {
    viewport()->update();
  }
}

void CLargeTextView::lay_out(QTextLayout& layout, int line) const {
  layout.setText(line_text(line));
  layout.setFont(font());
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.setCacheEnabled(true);
  layout.beginLayout();
  QTextLine l = layout.createLine();
  if (l.isValid()) l.setPosition(QPointF(0, 0));
  layout.endLayout();
}

uint64_t CLargeTextView::line_start(int line) const {
  if (line < 0) return 0;
  if (line >= line_count()) return store_.size();
  return store_.line_start(static_cast<size_t>(line));
}

int CLargeTextView::caret_column() const {
  const size_t line = store_.line_of(caret_);
  return chars_before(store_.line(line), caret_ - store_.line_start(line), store_.utf8());
}

int CLargeTextView::x_of(uint64_t offset) const {
  const size_t line = store_.line_of(offset);
  QTextLayout layout;
  lay_out(layout, static_cast<int>(line));
  const int column = chars_before(store_.line(line), offset - store_.line_start(line), store_.utf8());
  return layout.lineCount() ? static_cast<int>(layout.lineAt(0).cursorToX(column)) : 0;
}

uint64_t CLargeTextView::offset_at_x(int line, int x) const {
  line = std::clamp(line, 0, line_count() - 1);
  QTextLayout layout;
  lay_out(layout, line);
  const int column = layout.lineCount() ? layout.lineAt(0).xToCursor(x) : 0;
  const size_t l = static_cast<size_t>(line);
  return store_.line_start(l) + byte_of_char(store_.line(l), column, store_.utf8());
}

uint64_t CLargeTextView::offset_at(const QPoint& p) const {
  const int line = first_visible_line() + static_cast<int>(std::floor((p.y() - kMargin) / double(line_height_)));
  if (line < 0) return 0;
  if (line >= line_count()) return store_.size();
  return offset_at_x(line, p.x() - kMargin + horizontalScrollBar()->value());
}

// ---- painting -------------------------------------------------------------------

void CLargeTextView::paintEvent(QPaintEvent* event) {
  QPainter p(viewport());
  p.fillRect(event->rect(), palette().brush(QPalette::Base));
  p.setFont(font());
  const int first = first_visible_line();
  const int last = std::min(line_count() - 1, first + visible_line_count());
  const int x0 = kMargin - horizontalScrollBar()->value();
  const uint64_t sel_from = selection_start(), sel_to = selection_end();
  int widest = widest_seen_;
  for (int line = first; line <= last; ++line) {
    const int y = kMargin + (line - first) * line_height_;
    if (y > event->rect().bottom() || y + line_height_ < event->rect().top()) continue;
    QTextLayout layout;
    lay_out(layout, line);
    const size_t l = static_cast<size_t>(line);
    const uint64_t start = store_.line_start(l), end = store_.line_end(l);
    QList<QTextLayout::FormatRange> selection;
    if (sel_from != sel_to && sel_from <= end && sel_to > start) {
      const std::string_view bytes = store_.line(l);
      const int from = chars_before(bytes, std::max(sel_from, start) - start, store_.utf8());
      const int to = chars_before(bytes, std::min(sel_to, end) - start, store_.utf8());
      QTextLayout::FormatRange range;
      range.start = from;
      range.length = std::max(to - from, 0);
      range.format.setBackground(palette().brush(QPalette::Highlight));
      range.format.setForeground(palette().brush(QPalette::HighlightedText));
      selection.append(range);
      // A selection running on past the line's end shows its newline.
      if (sel_to > end) {
        const qreal x = layout.lineAt(0).cursorToX(to);
        p.fillRect(QRectF(x0 + x, y, char_width_ / 2.0, line_height_), palette().brush(QPalette::Highlight));
      }
    }
    p.setPen(line_colour(line));
    layout.draw(&p, QPointF(x0, y), selection);
    widest = std::max(widest, static_cast<int>(std::ceil(layout.maximumWidth())));
    if (has_focus_ && caret_ >= start && caret_ <= end && !receiving_) {
      p.setPen(legible(palette().color(QPalette::Text), palette()));
      layout.drawCursor(&p, QPointF(x0, y), chars_before(store_.line(l), caret_ - start, store_.utf8()), 1);
    }
  }
  if (widest > widest_seen_) {
    // A line wider than the estimate widens the horizontal range.
    widest_seen_ = widest;
    QTimer::singleShot(0, this, [this] { update_scroll_bars(); });
  }
}

void CLargeTextView::focusInEvent(QFocusEvent* event) {
  has_focus_ = true;
  viewport()->update();
  QAbstractScrollArea::focusInEvent(event);
}

void CLargeTextView::focusOutEvent(QFocusEvent* event) {
  has_focus_ = false;
  viewport()->update();
  QAbstractScrollArea::focusOutEvent(event);
}

// ---- caret and selection -------------------------------------------------------------

void CLargeTextView::set_selection(uint64_t anchor, uint64_t caret) {
  anchor_ = std::min<uint64_t>(anchor, store_.size());
  caret_ = std::min<uint64_t>(caret, store_.size());
  viewport()->update();
  emit caret_moved();
}

void CLargeTextView::move_caret(uint64_t offset, bool keep_anchor) {
  set_selection(keep_anchor ? anchor_ : offset, offset);
  ensure_caret_visible();
}

QString CLargeTextView::selected_text() const { return decode(store_.range(selection_start(), selection_end())); }

void CLargeTextView::ensure_caret_visible() {
  const int line = caret_line_index();
  const int first = first_visible_line(), page = visible_line_count();
  if (line < first) {
    scroll_to_line(line);
  } else if (line >= first + page) {
    scroll_to_line(line - page + 1);
  }
  const int x = x_of(caret_);
  if (x + char_width_ > widest_seen_) {
    widest_seen_ = x + char_width_;
    update_scroll_bars();
  }
  QScrollBar* h = horizontalScrollBar();
  const int width = viewport()->width() - 2 * kMargin;
  if (x < h->value()) {
    h->setValue(x);
  } else if (x + char_width_ > h->value() + width) {
    h->setValue(x + char_width_ - width);
  }
}

uint64_t CLargeTextView::next_char(uint64_t offset) const {
  const std::string_view bytes = store_.bytes();
  if (offset >= bytes.size()) return bytes.size();
  ++offset;
  if (store_.utf8()) {
    while (offset < bytes.size() && continuation(bytes[offset])) ++offset;
  }
  return offset;
}

uint64_t CLargeTextView::previous_char(uint64_t offset) const {
  const std::string_view bytes = store_.bytes();
  if (offset == 0) return 0;
  --offset;
  if (store_.utf8()) {
    while (offset > 0 && continuation(bytes[offset])) --offset;
  }
  return offset;
}

uint64_t CLargeTextView::word_boundary(uint64_t offset, bool forward) const {
  const std::string_view bytes = store_.bytes();
  if (forward) {
    if (offset < bytes.size() && bytes[offset] == '\n') return offset + 1;
    while (offset < bytes.size() && word_char(bytes[offset])) ++offset;
    while (offset < bytes.size() && !word_char(bytes[offset]) && bytes[offset] != '\n') ++offset;
    return offset;
  }
  if (offset > 0 && bytes[offset - 1] == '\n') return offset - 1;
  while (offset > 0 && !word_char(bytes[offset - 1]) && bytes[offset - 1] != '\n') --offset;
  while (offset > 0 && word_char(bytes[offset - 1])) --offset;
  return offset;
}

// ---- commands ----------------------------------------------------------------------

void CLargeTextView::copy() {
  if (has_selection()) QApplication::clipboard()->setText(selected_text());
}

void CLargeTextView::selectAll() { set_selection(0, store_.size()); }

void CLargeTextView::setReadOnly(bool read_only) {
  read_only_ = read_only;
  setAttribute(Qt::WA_InputMethodEnabled, !read_only);
}

bool CLargeTextView::canPaste() const {
  const QMimeData* data = QApplication::clipboard()->mimeData();
  return !read_only_ && !receiving_ && data && data->hasText();
}

void CLargeTextView::cut() {
  if (read_only_ || receiving_ || !has_selection()) return;
  copy();
  replace_selection(std::string());
}

void CLargeTextView::paste() {
  if (canPaste()) insert_text(QApplication::clipboard()->text());
}

void CLargeTextView::insert_text(const QString& text) { insert(text, false); }

void CLargeTextView::insert(const QString& text, bool typing) {
  if (read_only_ || receiving_) return;
  QString plain = text;
  plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
  const QByteArray bytes = store_.utf8() ? plain.toUtf8() : plain.toLatin1();
  replace_selection(std::string(bytes.constData(), static_cast<size_t>(bytes.size())), typing);
}

void CLargeTextView::replace_selection(const std::string& bytes, bool typing) {
  const uint64_t from = selection_start(), to = selection_end();
  // Typing straight on from the last typed text lengthens that edit, unless
  // the text was saved in between.
  const bool join = typing && typing_ && from == to && !undo_.empty() && saved_depth_ != undo_.size() &&
                    undo_.back().at + undo_.back().inserted == from;
  if (join) {
    undo_.back().inserted += bytes.size();
  } else {
    if (saved_depth_ != kNoDepth && saved_depth_ > undo_.size()) saved_depth_ = kNoDepth;
    std::string removed(store_.range(from, to));
    undo_bytes_ += removed.size();
    undo_.push_back(Edit{from, std::move(removed), bytes.size(), anchor_, caret_});
    while (!undo_.empty() && (undo_.size() > kUndoEdits || undo_bytes_ > kUndoBytes)) {
      undo_bytes_ -= undo_.front().removed.size();
      undo_.pop_front();
      saved_depth_ = saved_depth_ == 0 || saved_depth_ == kNoDepth ? kNoDepth : saved_depth_ - 1;
    }
  }
  store_.replace(from, to, bytes);
  modified_ = true;
  update_scroll_bars();
  move_caret(from + bytes.size(), false);
  typing_ = typing;
}

void CLargeTextView::replace_bytes(uint64_t from, uint64_t to, const std::string& bytes) {
  if (read_only_ || receiving_) return;
  set_selection(from, to);
  replace_selection(bytes);
}

void CLargeTextView::undo() {
  if (!can_undo()) return;
  Edit edit = std::move(undo_.back());
  undo_.pop_back();
  undo_bytes_ -= edit.removed.size();
  store_.replace(edit.at, edit.at + edit.inserted, edit.removed);
  typing_ = false;
  modified_ = saved_depth_ != undo_.size();
  update_scroll_bars();
  set_selection(edit.anchor, edit.caret);
  ensure_caret_visible();
}

void CLargeTextView::set_modified(bool modified) {
  modified_ = modified;
  if (!modified) saved_depth_ = undo_.size();
}

void CLargeTextView::clear_undo() {
  undo_.clear();
  undo_bytes_ = 0;
  saved_depth_ = 0;
  typing_ = false;
}

int64_t CLargeTextView::find_bytes(const QString& needle, uint64_t from, uint64_t to, bool match_case,
                                   bool whole_words, uint64_t* length) const {
  if (needle.isEmpty()) return -1;
  bool ascii = true;
  for (QChar c : needle) ascii = ascii && c.unicode() < 0x80;
  if (match_case || ascii) {
    // The needle in the text's own encoding, matched on the bytes.
    if (!store_.utf8()) {
      for (QChar c : needle) {
        if (c.unicode() > 0xFF) return -1;
      }
    }
    const QByteArray bytes = store_.utf8() ? needle.toUtf8() : needle.toLatin1();
    *length = static_cast<uint64_t>(bytes.size());
    return store_.find(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), from, to, match_case,
                       whole_words);
  }
  // Letters beyond ASCII matched in either case: line by line, decoded.
  const size_t last = store_.line_of(to);
  for (size_t line = store_.line_of(from); line <= last && line < store_.line_count(); ++line) {
    const std::string_view bytes = store_.line(line);
    const uint64_t start = store_.line_start(line);
    const QString text = decode(bytes);
    const int begin = from > start ? chars_before(bytes, from - start, store_.utf8()) : 0;
    for (qsizetype at = text.indexOf(needle, begin, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(needle, at + 1, Qt::CaseInsensitive)) {
      const uint64_t hit = start + byte_of_char(bytes, static_cast<int>(at), store_.utf8());
      const uint64_t after = start + byte_of_char(bytes, static_cast<int>(at + needle.size()), store_.utf8());
      if (after > to) break;
      const bool whole = !whole_words || ((at == 0 || !text.at(at - 1).isLetterOrNumber()) &&
                                          (at + needle.size() >= text.size() ||
                                           !text.at(at + needle.size()).isLetterOrNumber()));
      if (whole) {
        *length = after - hit;
        return static_cast<int64_t>(hit);
      }
    }
  }
  return -1;
}

bool CLargeTextView::print(QPrinter* printer, const PageProgress& on_page) const {
  // Half an inch (720 twips) on every side.
  printer->setPageMargins(QMarginsF(36, 36, 36, 36), QPageLayout::Point);
  QPainter p;
  if (!p.begin(printer)) return false;
  const QFont font(this->font(), printer);
  p.setFont(font);
  const int height = std::max(1, QFontMetrics(font, printer).lineSpacing());
  const int per_page = std::max(1, p.viewport().height() / height);
  const int pages = (line_count() + per_page - 1) / per_page;
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  for (int page = 0; page < pages; ++page) {
    if (on_page && !on_page(page + 1, pages)) {
      printer->abort();
      return true;
    }
    if (page > 0) printer->newPage();
    const int last = std::min(line_count(), (page + 1) * per_page);
    for (int line = page * per_page; line < last; ++line) {
      QTextLayout layout(line_text(line), font, printer);
      layout.setTextOption(option);
      layout.beginLayout();
      layout.createLine();
      layout.endLayout();
      // Paper keeps the stored colours.
      p.setPen(colour_of_style(line_style(line)));
      layout.draw(&p, QPointF(0, (line - page * per_page) * height));
    }
  }
  return p.end();
}

// ---- keyboard and mouse --------------------------------------------------------------

CLargeTextView::EditKey CLargeTextView::edit_key(const QKeyEvent* event) const {
  // Alt+Backspace, Shift+Del, Ctrl+Ins and Shift+Ins on every platform.
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  const int key = event->key();
  if (event->matches(QKeySequence::Undo) || (key == Qt::Key_Backspace && mods == Qt::AltModifier)) {
    return EditKey::Undo;
  }
  if ((key == Qt::Key_Delete && mods == Qt::ShiftModifier) || event->matches(QKeySequence::Cut)) return EditKey::Cut;
  if ((key == Qt::Key_Insert && mods == Qt::ControlModifier) || event->matches(QKeySequence::Copy)) {
    return EditKey::Copy;
  }
  if ((key == Qt::Key_Insert && mods == Qt::ShiftModifier) || event->matches(QKeySequence::Paste)) {
    return EditKey::Paste;
  }
  return EditKey::None;
}

bool CLargeTextView::event(QEvent* event) {
  // The view's own editing keys come to it before the window's shortcuts.
  if (event->type() == QEvent::ShortcutOverride) {
    const EditKey key = edit_key(static_cast<QKeyEvent*>(event));
    if (key == EditKey::Copy || (key != EditKey::None && !read_only_ && !receiving_)) {
      event->accept();
      return true;
    }
  }
  return QAbstractScrollArea::event(event);
}

void CLargeTextView::keyPressEvent(QKeyEvent* event) {
  switch (edit_key(event)) {
    case EditKey::Undo:
      undo();
      return;
    case EditKey::Cut:
      cut();
      return;
    case EditKey::Copy:
      copy();
      return;
    case EditKey::Paste:
      paste();
      return;
    case EditKey::None:
      break;
  }
  if (event == QKeySequence::SelectAll) {
    selectAll();
    return;
  }
  for (const KeyMove& m : kKeyMoves) {
    const bool select = event == m.select;
    if (!select && !(event == m.move)) continue;
    user_moved();
    const int line = caret_line_index();
    const int page = visible_line_count();
    uint64_t target = caret_;
    int goal = -1;
    switch (m.kind) {
      case Move::NextChar: target = next_char(caret_); break;
      case Move::PreviousChar: target = previous_char(caret_); break;
      case Move::NextWord: target = word_boundary(caret_, true); break;
      case Move::PreviousWord: target = word_boundary(caret_, false); break;
      case Move::LineStart: target = line_start(line); break;
      case Move::LineEnd: target = store_.line_end(static_cast<size_t>(line)); break;
      case Move::TextStart: target = 0; break;
      case Move::TextEnd: target = store_.size(); break;
      case Move::NextLine:
      case Move::PreviousLine:
      case Move::NextPage:
      case Move::PreviousPage: {
        goal = goal_x_ >= 0 ? goal_x_ : x_of(caret_);
        const int step = m.kind == Move::NextLine ? 1 : m.kind == Move::PreviousLine ? -1
                         : m.kind == Move::NextPage ? page : -page;
        const int to = std::clamp(line + step, 0, line_count() - 1);
        if (m.kind == Move::NextPage || m.kind == Move::PreviousPage) {
          scroll_to_line(first_visible_line() + step);
        }
        target = to == line && step != 0 ? (step > 0 ? store_.size() : 0) : offset_at_x(to, goal);
        break;
      }
    }
    move_caret(target, select);
    goal_x_ = goal;
    typing_ = false;
    return;
  }
  if (!read_only_ && !receiving_) {
    switch (event->key()) {
      case Qt::Key_Backspace:
        if (!has_selection()) anchor_ = previous_char(caret_);
        replace_selection(std::string());
        return;
      case Qt::Key_Delete:
        if (!has_selection()) anchor_ = next_char(caret_);
        replace_selection(std::string());
        return;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        insert_text(QStringLiteral("\n"));
        return;
      default:
        break;
    }
    const QString text = event->text();
    if (!text.isEmpty() && (text.at(0).isPrint() || text.at(0) == QLatin1Char('\t'))) {
      insert(text, true);
      return;
    }
  }
  QAbstractScrollArea::keyPressEvent(event);
}

void CLargeTextView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  user_moved();
  goal_x_ = -1;
  typing_ = false;
  move_caret(offset_at(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
}

void CLargeTextView::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton)) return;
  move_caret(offset_at(event->position().toPoint()), true);
}

void CLargeTextView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const uint64_t at = offset_at(event->position().toPoint());
  const std::string_view bytes = store_.bytes();
  uint64_t from = at, to = at;
  while (from > 0 && word_char(bytes[from - 1])) --from;
  while (to < bytes.size() && word_char(bytes[to])) ++to;
  set_selection(from, to);
}

}  // namespace sorvi
