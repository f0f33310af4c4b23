#include "gui/views/sorvi_edit_view.h"

#include <QFontDialog>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <cstdio>

#include "annotate/annotated_lines.h"
#include "annotate/line_texts.h"
#include "annotate/rtf_writer.h"
#include "app/view_positioning.h"
#include "base/message_box.h"
#include "config/profile.h"
#include "config/startup_options.h"
#include "gui/app/child_frames.h"
#include "gui/app/document.h"
#include "gui/app/main_frame.h"
#include "gui/views/display_text.h"
#include "gui/views/find_dialog.h"
#include "help/help_links.h"

namespace sorvi {

QColor qcolor_of(PackedColour c) { return QColor(colour_red(c), colour_green(c), colour_blue(c)); }

QFont font_of(const FontRecord& record) {
  const CharFormat f = font_to_char_format(record, 0, record.Height);
  QFont font(QString::fromLocal8Bit(f.face.c_str()));
  // Where the face is missing, font matching takes an installed fixed-pitch one.
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  if (f.height_twips > 0) font.setPointSizeF(f.height_twips / 20.0);
  font.setBold(f.bold);
  font.setItalic(f.italic);
  font.setUnderline(f.underline);
  font.setStrikeOut(f.strike_out);
  return font;
}

CSorviEditView::CSorviEditView(CSorviDocument* document, QWidget* parent)
    : QPlainTextEdit(parent), document_(document) {
  setObjectName(QStringLiteral("text_view"));
  setReadOnly(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setUndoRedoEnabled(false);
  connect(this, &QPlainTextEdit::cursorPositionChanged, this, &CSorviEditView::on_cursor_moved);
}

CSorviEditView::~CSorviEditView() {
  if (find_dialog_) find_dialog_->close();
}

void CSorviEditView::set_text_bytes(const std::string& bytes) {
  DisplayText d = to_display_text(bytes);
  utf8_ = d.utf8;
  setPlainText(d.text);
}

std::string CSorviEditView::text_bytes() const { return to_bytes(toPlainText(), utf8_); }

bool CSorviEditView::write_text(const std::string& path) const {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  const std::string bytes = text_bytes();
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  return std::fclose(out) == 0 && ok;
}

void CSorviEditView::apply_initial_font() {
  const ViewFont v = plain_source_view_font();
  apply_font(v.font, v.colour);
}

bool CSorviEditView::apply_font(const FontRecord& record, PackedColour colour) {
  const QFont font = font_of(record);
  if (font.family().isEmpty()) return false;
  font_record_ = record;
  colour_ = colour;
  setFont(font);
  QPalette p = palette();
  p.setColor(QPalette::Text, qcolor_of(colour));
  setPalette(p);
  // The frame's bars show their texts in the view's font.
  if (document_ && document_->frame()) document_->frame()->apply_view_font();
  font_changed();
  return true;
}

void CSorviEditView::choose_font() {
  bool ok = false;
  const QFont chosen =
      QFontDialog::getFont(&ok, font(), this, tr("Font"), QFontDialog::MonospacedFonts | QFontDialog::ScalableFonts);
  if (ok) take_chosen_font(chosen);
}

bool CSorviEditView::take_chosen_font(const QFont& chosen) {
  FontRecord record = font_record_;
  record.FaceName = chosen.family().toLocal8Bit().toStdString();
  record.Height = static_cast<int>(chosen.pointSizeF() * 10 + 0.5);
  record.Weight = chosen.weight();
  record.Italic = chosen.italic() ? 1 : 0;
  record.Underline = chosen.underline() ? 1 : 0;
  record.StrikeOut = chosen.strikeOut() ? 1 : 0;
  if (record.FaceName.empty() || record.Height <= 0 || !apply_font(record, colour_)) {
    message_box("The requested font was not set");
    return false;
  }
  write_view_font("Font", record);
  write_view_colour("Font", colour_);
  return true;
}

void CSorviEditView::select_range(int from, int to) {
  QTextCursor c(document());
  c.setPosition(from);
  if (to != from) c.setPosition(to, QTextCursor::KeepAnchor);
  setTextCursor(c);
}

void CSorviEditView::position(bool use_remembered) {
  QTextDocument* doc = document();
  const ViewPositioning p = plan_view_positioning(doc->blockCount(), use_remembered);
  if (p.activate) setFocus();
  auto start_of = [doc](int line) {
    if (line >= doc->blockCount()) return doc->characterCount() - 1;
    return doc->findBlockByNumber(line).position();
  };
  if (p.select) {
    select_range(start_of(p.first_line), start_of(p.end_line));
  } else if (p.caret) {
    select_range(start_of(p.caret_line), start_of(p.caret_line));
  }
  ensureCursorVisible();
  // The start line goes to the top of the window.
  if (p.scroll_line >= 0) verticalScrollBar()->setValue(p.scroll_line);
}

bool CSorviEditView::find_requested_text() {
  const std::string& wanted = startup_options().FindText;
  if (wanted.empty()) return false;
  const QTextCursor found = document()->find(to_display_text(wanted).text, 0,
                                             QTextDocument::FindCaseSensitively | QTextDocument::FindWholeWords);
  if (found.isNull()) return false;
  setTextCursor(found);
  ensureCursorVisible();
  return true;
}

bool CSorviEditView::find_text(const QString& needle, bool forward, bool match_case) {
  const QString text = toPlainText();
  const Qt::CaseSensitivity cs = match_case ? Qt::CaseSensitive : Qt::CaseInsensitive;
  const long length = needle.size();
  auto finder = [&](long from, long to) -> long {
    if (from < 0 || from > text.size()) return -1;
    const qsizetype at = text.indexOf(needle, from, cs);
    if (at < 0 || at + length > to) return -1;
    return static_cast<long>(at);
  };
  const long start = find_from_selection(forward, textCursor().selectionStart(), text.size(), finder);
  if (start < 0) {
    message_box(kSearchNotFound);
    return false;
  }
  select_range(static_cast<int>(start), static_cast<int>(start + length));
  ensureCursorVisible();
  return true;
}

void CSorviEditView::open_find_dialog() {
  CSorviFindDialog::show_for(find_dialog_, this, [this](const QString& text, bool forward, bool match_case) {
    find_text(text, forward, match_case);
  });
}

int CSorviEditView::caret_line() const { return textCursor().blockNumber() + 1; }

QString CSorviEditView::line_text(int line) const {
  const QTextBlock block = document()->findBlockByNumber(line);
  return block.isValid() ? block.text() : QString();
}

void CSorviEditView::show_caret_status() {
  CSorviFrame* frame = document_ ? document_->main_frame() : nullptr;
  if (!frame || !document_->is_active()) return;
  const QTextCursor c = textCursor();
  const int line = c.blockNumber() + 1;
  frame->set_line_pane(QString::fromStdString(caret_status_text(line, c.position() - c.block().position())));
  remembered_line() = line;
}

void CSorviEditView::on_cursor_moved() {
  show_caret_status();
  emit caret_moved();
}

bool CSorviEditView::violation_help_enabled() const {
  char letter = 0;
  int number = 0;
  const std::string line = to_bytes(textCursor().block().text(), true);
  return parse_violation_line(line, alternative_violation_format(), &letter, &number);
}

std::string CSorviEditView::violation_help_path() const {
  char letter = 0;
  int number = 0;
  const std::string line = to_bytes(textCursor().block().text(), true);
  if (!parse_violation_line(line, alternative_violation_format(), &letter, &number)) return std::string();
  const char* path = suite_file_path(standards_help_link(letter, number).c_str());
  return path ? std::string(path) : std::string();
}

void CSorviEditView::violation_help() {
  const std::string path = violation_help_path();
  if (!path.empty()) emit open_document_requested(path);
}

void CSorviEditView::set_styled_text(const std::string& bytes, std::vector<uint8_t> styles) {
  setUpdatesEnabled(false);
  // Entry 5 of the table follows the view's text colour.
  set_default_status_colours(colour_red(colour_), colour_green(colour_), colour_blue(colour_));
  for (int i = 0; i < 9; ++i) style_colours_[i] = qcolor_of(status_colour(i));
  styles_ = std::move(styles);
  coloured_.assign(styles_.size(), 0);
  set_text_bytes(bytes);
  setUpdatesEnabled(true);
}

int CSorviEditView::line_style(int line) const {
  return line >= 0 && line < static_cast<int>(styles_.size()) ? static_cast<int>(styles_[static_cast<size_t>(line)])
                                                               : static_cast<int>(kStyleCode);
}

void CSorviEditView::colour_blocks(const QTextBlock& first, const QTextBlock& last) {
  if (styles_.empty() || !first.isValid()) return;
  int from = -1, to = -1;
  const int end = last.isValid() ? last.blockNumber() : first.blockNumber();
  int n = first.blockNumber();
  for (QTextBlock b = first; b.isValid() && n <= end; b = b.next(), ++n) {
    if (n >= static_cast<int>(coloured_.size()) || coloured_[static_cast<size_t>(n)]) continue;
    coloured_[static_cast<size_t>(n)] = 1;
    const int entry = rtf_colour_entry(styles_[static_cast<size_t>(n)]);
    if (entry == 5 || entry < 0 || entry > 8 || b.length() <= 1) continue;
    QTextLayout::FormatRange range;
    range.start = 0;
    range.length = b.length() - 1;
    range.format.setForeground(style_colours_[entry]);
    b.layout()->setFormats({range});
    if (from < 0) from = b.position();
    to = b.position() + b.length();
  }
  if (from >= 0) document()->markContentsDirty(from, to - from);
}

void CSorviEditView::colour_all_lines() { colour_blocks(document()->firstBlock(), document()->lastBlock()); }

void CSorviEditView::paintEvent(QPaintEvent* event) {
  if (!styles_.empty()) {
    const QTextBlock first = firstVisibleBlock();
    QTextBlock last = first;
    const QPointF offset = contentOffset();
    const int height = viewport()->height();
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
      last = b;
      if (blockBoundingGeometry(b).translated(offset).top() > height) break;
    }
    colour_blocks(first, last);
  }
  QPlainTextEdit::paintEvent(event);
}

QColor CSorviEditView::line_colour(int line) {
  const QTextBlock block = document()->findBlockByNumber(line);
  colour_blocks(block, block);
  if (block.isValid() && block.layout()) {
    const QList<QTextLayout::FormatRange> formats = block.layout()->formats();
    if (!formats.isEmpty() && formats.front().format.hasProperty(QTextFormat::ForegroundBrush)) {
      return formats.front().format.foreground().color();
    }
  }
  return palette().color(QPalette::Text);
}

}  // namespace sorvi
