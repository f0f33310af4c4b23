#include "gui/views/sorvi_edit_view.h"

#include <QFontDialog>
#include <limits>
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
#include "gui/views/vexa_list_view.h"
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
    : CLargeTextView(parent), document_(document) {
  setObjectName(QStringLiteral("text_view"));
  connect(this, &CLargeTextView::caret_moved, this, &CSorviEditView::on_cursor_moved);
}

CSorviEditView::~CSorviEditView() {
  if (find_dialog_) find_dialog_->close();
  if (replace_dialog_) replace_dialog_->close();
}

bool CSorviEditView::write_text(const std::string& path) {
  complete_text();
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  const std::string_view bytes = store().bytes();
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
  CListFontDialog dialog(font(), qcolor_of(colour_), this);
  // Fixed-pitch screen fonts only.
  if (auto* fonts = dialog.findChild<QFontDialog*>()) {
    fonts->setOptions(fonts->options() | QFontDialog::MonospacedFonts | QFontDialog::ScalableFonts);
  }
  if (dialog.exec() == QDialog::Accepted) take_chosen_font(dialog.selected_font(), dialog.selected_colour());
}

bool CSorviEditView::take_chosen_font(const QFont& chosen, const QColor& colour) {
  FontRecord record = font_record_;
  record.FaceName = chosen.family().toLocal8Bit().toStdString();
  record.Height = static_cast<int>(chosen.pointSizeF() * 10 + 0.5);
  record.Weight = chosen.weight();
  record.Italic = chosen.italic() ? 1 : 0;
  record.Underline = chosen.underline() ? 1 : 0;
  record.StrikeOut = chosen.strikeOut() ? 1 : 0;
  const PackedColour packed = pack_colour(colour.red(), colour.green(), colour.blue());
  if (record.FaceName.empty() || record.Height <= 0 || !apply_font(record, packed)) {
    message_box("The requested font was not set");
    return false;
  }
  write_view_font("Font", record);
  write_view_colour("Font", colour_);
  return true;
}

void CSorviEditView::take_status_colours() {
  // Entry 5 of the table follows the view's text colour.
  set_default_status_colours(colour_red(colour_), colour_green(colour_), colour_blue(colour_));
  QColor colours[9];
  for (int i = 0; i < 9; ++i) colours[i] = qcolor_of(status_colour(i));
  set_style_colours(colours);
}

void CSorviEditView::select_range(uint64_t from, uint64_t to) {
  set_selection(from, to);
  ensure_caret_visible();
}

void CSorviEditView::position(bool use_remembered) {
  const ViewPositioning p = plan_view_positioning(line_count(), use_remembered);
  if (p.activate) setFocus();
  if (p.select) {
    select_range(line_start(p.first_line), line_start(p.end_line));
  } else if (p.caret) {
    select_range(line_start(p.caret_line), line_start(p.caret_line));
  }
  ensure_caret_visible();
  // The start line goes to the top of the window.
  if (p.scroll_line >= 0) scroll_to_line(p.scroll_line);
}

bool CSorviEditView::find_requested_text() {
  const std::string& wanted = startup_options().FindText;
  if (wanted.empty()) return false;
  uint64_t length = 0;
  const int64_t found = find_bytes(to_display_text(wanted).text, 0, store().size(), true, true, &length);
  if (found < 0) return false;
  select_range(static_cast<uint64_t>(found), static_cast<uint64_t>(found) + length);
  return true;
}

bool CSorviEditView::find_text(const QString& needle, bool forward, bool match_case, bool whole_words) {
  uint64_t length = 0;
  auto finder = [&](long from, long to) -> long {
    if (from < 0 || to < from) return -1;
    return static_cast<long>(find_bytes(needle, static_cast<uint64_t>(from), static_cast<uint64_t>(to), match_case,
                                        whole_words, &length));
  };
  const long start = find_from_selection(forward, static_cast<long>(selection_start()),
                                         static_cast<long>(store().size()), finder);
  if (start < 0) {
    message_box(kSearchNotFound);
    return false;
  }
  // The length of the match chosen (the halving searched others after it).
  find_bytes(needle, static_cast<uint64_t>(start), store().size(), match_case, whole_words, &length);
  select_range(static_cast<uint64_t>(start), static_cast<uint64_t>(start) + length);
  return true;
}

void CSorviEditView::open_find_dialog() {
  CSorviFindDialog::show_for(find_dialog_, this, [this](const QString& text, bool forward, bool match_case) {
    find_text(text, forward, match_case);
  });
}

void CSorviEditView::open_replace_dialog() {
  if (isReadOnly()) return;
  CSorviFindDialog::show_replace_for(
      replace_dialog_, this,
      [this](const QString& text, const QString& with, bool match_case, bool whole, CSorviFindDialog::ReplaceStep step) {
        replace_step(text, with, match_case, whole, step);
      });
}

bool CSorviEditView::replace_step(const QString& needle, const QString& with, bool match_case, bool whole_words,
                                  CSorviFindDialog::ReplaceStep step) {
  if (isReadOnly() || receiving() || needle.isEmpty()) return false;
  const QByteArray encoded = store().utf8() ? with.toUtf8() : with.toLatin1();
  const std::string replacement(encoded.constData(), static_cast<size_t>(encoded.size()));
  const uint64_t size = store().size();
  uint64_t length = 0;
  if (step == CSorviFindDialog::ReplaceStep::ReplaceAll) {
    // The text from the first match to the end of the last, rebuilt once.
    std::string rebuilt;
    uint64_t first = std::numeric_limits<uint64_t>::max(), done = 0;
    for (int64_t at = find_bytes(needle, 0, size, match_case, whole_words, &length); at >= 0 && length > 0;
         at = find_bytes(needle, done, size, match_case, whole_words, &length)) {
      const auto hit = static_cast<uint64_t>(at);
      if (first > size) first = done = hit;
      rebuilt.append(store().range(done, hit));
      rebuilt += replacement;
      done = hit + length;
    }
    if (first > size) {
      message_box(kSearchNotFound);
      return false;
    }
    replace_bytes(first, done, rebuilt);
    return true;
  }
  // Replace takes the selection when it is a match.
  if (step == CSorviFindDialog::ReplaceStep::Replace && has_selection() &&
      find_bytes(needle, selection_start(), selection_end(), match_case, whole_words, &length) ==
          static_cast<int64_t>(selection_start()) &&
      selection_start() + length == selection_end()) {
    replace_bytes(selection_start(), selection_end(), replacement);
  }
  const int64_t at = find_bytes(needle, selection_end(), store().size(), match_case, whole_words, &length);
  if (at < 0) {
    message_box(kSearchNotFound);
    return false;
  }
  select_range(static_cast<uint64_t>(at), static_cast<uint64_t>(at) + length);
  return true;
}

void CSorviEditView::show_caret_status() {
  CSorviFrame* frame = document_ ? document_->main_frame() : nullptr;
  if (!frame || !document_->is_active()) return;
  frame->set_line_pane(QString::fromStdString(caret_status_text(caret_line(), caret_column())));
  remembered_line() = caret_line();
}

void CSorviEditView::on_cursor_moved() { show_caret_status(); }

std::string CSorviEditView::caret_line_bytes() const {
  return std::string(store().line(static_cast<size_t>(caret_line_index())));
}

bool CSorviEditView::violation_help_enabled() const {
  char letter = 0;
  int number = 0;
  return parse_violation_line(caret_line_bytes(), alternative_violation_format(), &letter, &number);
}

std::string CSorviEditView::violation_help_path() const {
  char letter = 0;
  int number = 0;
  if (!parse_violation_line(caret_line_bytes(), alternative_violation_format(), &letter, &number)) {
    return std::string();
  }
  const char* path = suite_file_path(standards_help_link(letter, number).c_str());
  return path ? std::string(path) : std::string();
}

void CSorviEditView::violation_help() {
  const std::string path = violation_help_path();
  if (!path.empty()) emit open_document_requested(path);
}

}  // namespace sorvi
