#include "gui/annotate/styled_lines.h"

#include <QTextBlock>

#include "annotate/rtf_writer.h"
#include "gui/views/display_text.h"
#include "gui/views/sorvi_edit_view.h"

namespace sorvi {

void StyledLineCollector::take(AnnotatedChunk&& chunk) {
  for (AnnotatedLine& line : chunk) {
    if (mapper_) mapper_->line(line.style);
    if (!styles.empty()) text += '\n';
    text += line.text;
    styles.push_back(static_cast<uint8_t>(line.style >= 0 && line.style < 256 ? line.style : 0));
    std::string().swap(line.text);
  }
  AnnotatedChunk().swap(chunk);
}

CLineStyleHighlighter::CLineStyleHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {}

void CLineStyleHighlighter::set_styles(std::vector<uint8_t> styles) {
  styles_ = std::move(styles);
  for (int i = 0; i < 9; ++i) {
    const PackedColour c = status_colour(i);
    colours_[i] = QColor(colour_red(c), colour_green(c), colour_blue(c));
  }
}

int CLineStyleHighlighter::style_of(int line) const {
  return line >= 0 && line < static_cast<int>(styles_.size()) ? static_cast<int>(styles_[static_cast<size_t>(line)]) : static_cast<int>(kStyleCode);
}

void CLineStyleHighlighter::highlightBlock(const QString& text) {
  if (text.isEmpty() || styles_.empty()) return;
  const int entry = rtf_colour_entry(style_of(currentBlock().blockNumber()));
  // Entry 5 is the view's own text colour.
  if (entry == 5 || entry < 0 || entry > 8) return;
  setFormat(0, static_cast<int>(text.size()), colours_[entry]);
}

void fill_styled_view(CSorviEditView* view, CLineStyleHighlighter* highlighter, StyledLineCollector& lines) {
  view->setUpdatesEnabled(false);
  const PackedColour text_colour = view->text_colour();
  set_default_status_colours(colour_red(text_colour), colour_green(text_colour), colour_blue(text_colour));
  highlighter->set_styles(std::move(lines.styles));
  view->set_text_bytes(lines.text);
  std::string().swap(lines.text);
  view->setUpdatesEnabled(true);
}

}  // namespace sorvi
