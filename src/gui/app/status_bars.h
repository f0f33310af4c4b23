// The bars of the annotated child frames: one pane of text painted in the
// view's font and aligned with the view's text, so that it scrolls
// sideways with it. CScrollSorviStatusBar is the column heading above the
// view, CSorviStatusBar the status line below it.
#pragma once

#include <QPointer>
#include <QWidget>

namespace sorvi {

class CLargeTextView;

class CSorviStatusBar : public QWidget {
  Q_OBJECT
 public:
  explicit CSorviStatusBar(QWidget* parent = nullptr);

  // The view the text lines up with (none: painted from the left edge).
  void set_view(CLargeTextView* view);
  void set_text(const QString& text);
  const QString& text() const { return text_; }
  // Takes the view's font and fits the bar's height to it.
  void apply_view_font();
  // Where the text starts, in the bar's coordinates: the position of the
  // view's first visible character.
  int text_x() const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPointer<CLargeTextView> view_;
  QString text_;
};

class CScrollSorviStatusBar : public CSorviStatusBar {
  Q_OBJECT
 public:
  explicit CScrollSorviStatusBar(QWidget* parent = nullptr);
};

}  // namespace sorvi
