#include "gui/app/colour_button.h"

#include <QPainter>

#include "config/display_settings.h"

namespace sorvi {
namespace {

QColor to_qcolor(PackedColour c) { return QColor(colour_red(c), colour_green(c), colour_blue(c)); }

}  // namespace

CColourButton::CColourButton(int status_code, QWidget* parent) : QAbstractButton(parent), status_code_(status_code) {
  setFocusPolicy(Qt::NoFocus);
}

void CColourButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const PackedColour colour = status_colour(status_code_);
  const QRect r = rect().adjusted(0, 0, -1, -1);
  p.fillRect(rect(), to_qcolor(colour));
  p.setPen(to_qcolor(colour_button_light_shade(colour)));
  p.drawLine(r.topLeft(), r.topRight());
  p.drawLine(r.topLeft(), r.bottomLeft());
  p.setPen(to_qcolor(colour_button_dark_shade(colour)));
  p.drawLine(r.bottomLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomRight());
}

}  // namespace sorvi
