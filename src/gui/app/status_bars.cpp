#include "gui/app/status_bars.h"

#include <QPainter>
#include <QScrollBar>

#include "gui/views/large_text_view.h"

namespace sorvi {

CSorviStatusBar::CSorviStatusBar(QWidget* parent) : QWidget(parent) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setMinimumWidth(100);
}

void CSorviStatusBar::set_view(CLargeTextView* view) {
  if (view_) disconnect(view_->horizontalScrollBar(), nullptr, this, nullptr);
  view_ = view;
  if (view_) {
    connect(view_->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { update(); });
  }
  update();
}

void CSorviStatusBar::set_text(const QString& text) {
  if (text == text_) return;
  text_ = text;
  update();
}

void CSorviStatusBar::apply_view_font() {
  if (!view_) return;
  setFont(view_->font());
  updateGeometry();
  update();
}

int CSorviStatusBar::text_x() const {
  if (!view_) return 2;
  // The first visible character stands at the viewport's left edge plus the
  // text margin, less the horizontal scroll.
  const QWidget* viewport = view_->viewport();
  const int left = viewport->mapTo(window(), QPoint(0, 0)).x() - mapTo(window(), QPoint(0, 0)).x();
  return left + view_->text_margin() - view_->horizontalScrollBar()->value();
}

QSize CSorviStatusBar::sizeHint() const {
  const QFontMetrics fm(font());
  return QSize(100, fm.height() + 6);
}

void CSorviStatusBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  if (text_.isEmpty()) return;
  p.save();
  p.setFont(view_ ? view_->font() : font());
  p.setBackgroundMode(Qt::TransparentMode);
  const QFontMetrics fm(p.font());
  const int y = (height() - fm.height()) / 2 + fm.ascent();
  p.drawText(text_x(), y, text_);
  p.restore();
}

CScrollSorviStatusBar::CScrollSorviStatusBar(QWidget* parent) : CSorviStatusBar(parent) {}

}  // namespace sorvi
