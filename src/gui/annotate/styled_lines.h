// Filling a view with annotated lines fast: the lines are gathered into one
// text with a style per line (mapping the caret on the way), the text goes
// into the view at once, and a highlighter colours each line by its style
// from the status colour table (entry 5, the code lines, keeps the view's
// text colour).
#pragma once

#include <QSyntaxHighlighter>
#include <cstdint>
#include <string>
#include <vector>

#include "annotate/annotated_lines.h"
#include "annotate/caret_mapping.h"
#include "config/display_settings.h"

namespace sorvi {

class CSorviEditView;

// Takes the generator's chunks: the texts joined by newlines, the styles,
// and the caret mapping when a mapper is given.
class StyledLineCollector : public AnnotatedLineSink {
 public:
  explicit StyledLineCollector(CaretMapper* mapper = nullptr) : mapper_(mapper) {}
  void take(AnnotatedChunk&& chunk) override;

  std::string text;
  std::vector<uint8_t> styles;

 private:
  CaretMapper* mapper_;
};

class CLineStyleHighlighter : public QSyntaxHighlighter {
  Q_OBJECT
 public:
  explicit CLineStyleHighlighter(QTextDocument* document);
  // The styles of the lines about to be set, and the colours of the table.
  void set_styles(std::vector<uint8_t> styles);
  int style_of(int line) const;

 protected:
  void highlightBlock(const QString& text) override;

 private:
  std::vector<uint8_t> styles_;
  QColor colours_[9];
};

// Puts the collected lines into the view (painting held while filling):
// the text replaced, each line coloured by its style.
void fill_styled_view(CSorviEditView* view, CLineStyleHighlighter* highlighter, StyledLineCollector& lines);

}  // namespace sorvi
