#include "gui/app/view_bars.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QToolBar>

namespace sorvi {
namespace {

enum class ControlKind { Check, Radio, Push };

ControlKind kind_of(BarControl c) {
  switch (c) {
    case BarControl::AllAnnotations:
    case BarControl::Previous:
    case BarControl::Next:
    case BarControl::AllBlocks:
    case BarControl::MakeDefaults:
      return ControlKind::Push;
    case BarControl::Current:
    case BarControl::Combined:
      return ControlKind::Radio;
    default:
      return ControlKind::Check;
  }
}

const char* bar_name(int b) {
  static const char* const names[kViewBarCount] = {"annotation_bar", "navigation_bar", "layout_bar"};
  return names[b];
}

const char* bar_title(int b) {
  static const char* const titles[kViewBarCount] = {"View Options", "Navigation", "Reformatted Source Options"};
  return titles[b];
}

QString object_name(BarControl c) {
  // Two controls share the caption "All"; the bar tells them apart.
  QString name = QString::fromLatin1(bar_control_caption(c)).remove(QLatin1Char(' ')).toLower();
  return QString::fromLatin1(bar_name(static_cast<int>(bar_of(c)))) + QLatin1Char('_') + name;
}

}  // namespace

CViewBars::CViewBars(QMainWindow* window) : QObject(window) {
  for (int b = 0; b < kViewBarCount; ++b) {
    bars_[b] = window->addToolBar(tr(bar_title(b)));
    bars_[b]->setObjectName(QString::fromLatin1(bar_name(b)));
    bars_[b]->hide();
  }
  auto* radios = new QButtonGroup(this);
  radios->setExclusive(true);
  for (int i = 0; i < kBarControlCount; ++i) {
    const BarControl c = static_cast<BarControl>(i);
    QToolBar* bar = bars_[static_cast<int>(bar_of(c))];
    const QString caption = QString::fromLatin1(bar_control_caption(c));
    QAbstractButton* button = nullptr;
    switch (kind_of(c)) {
      case ControlKind::Check:
        button = new QCheckBox(caption, bar);
        break;
      case ControlKind::Radio:
        button = new QRadioButton(caption, bar);
        radios->addButton(button);
        break;
      case ControlKind::Push:
        button = new QPushButton(caption, bar);
        break;
    }
    button->setObjectName(object_name(c));
    button->setFocusPolicy(Qt::NoFocus);
    buttons_[i] = button;
    actions_[i] = bar->addWidget(button);
    connect(button, &QAbstractButton::clicked, this, [this, c](bool checked) { emit command(c, checked); });
  }
}

bool CViewBars::control_shown(BarControl c) const { return actions_[static_cast<int>(c)]->isVisible(); }

void CViewBars::apply(const BarState& state) {
  for (int i = 0; i < kBarControlCount; ++i) {
    const ControlState& s = state.controls[i];
    if (s.set_checked) {
      QSignalBlocker block(buttons_[i]);
      buttons_[i]->setChecked(s.checked);
    }
    if (s.set_enabled) buttons_[i]->setEnabled(s.enabled);
    if (s.visibility != Visibility::Keep) actions_[i]->setVisible(s.visibility == Visibility::Show);
  }
}

void CViewBars::apply(const BarLayout& layout) {
  for (int b = 0; b < kViewBarCount; ++b) {
    if (layout.bars[b] != Visibility::Keep) bars_[b]->setVisible(layout.bars[b] == Visibility::Show);
  }
  for (int i = 0; i < kBarControlCount; ++i) {
    if (layout.controls[i] != Visibility::Keep) actions_[i]->setVisible(layout.controls[i] == Visibility::Show);
  }
}

void CViewBars::set_radio_enabling(const RadioEnabling& radios) {
  control(BarControl::Current)->setEnabled(radios.current);
  control(BarControl::Combined)->setEnabled(radios.combined);
}

void CViewBars::hide_all() {
  for (QToolBar* bar : bars_) bar->hide();
}

}  // namespace sorvi
