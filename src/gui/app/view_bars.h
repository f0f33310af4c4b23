// The main frame's three bars for the annotated views: the annotation bar,
// the block navigation bar and the layout bar, each control a check box,
// radio button or push button named after its caption. A click becomes a
// command for the active document; refreshes and activations set the
// controls' check, enabling and visibility.
#pragma once

#include <QObject>

#include "annotate/view_bars.h"

class QAbstractButton;
class QAction;
class QMainWindow;
class QToolBar;

namespace sorvi {

class CViewBars : public QObject {
  Q_OBJECT
 public:
  // Adds the three bars to the window, hidden.
  explicit CViewBars(QMainWindow* window);

  QToolBar* bar(ViewBar b) const { return bars_[static_cast<int>(b)]; }
  QAbstractButton* control(BarControl c) const { return buttons_[static_cast<int>(c)]; }
  // Whether the control is shown on its bar (the bar itself may be hidden).
  bool control_shown(BarControl c) const;

  void apply(const BarState& state);
  void apply(const BarLayout& layout);
  void set_radio_enabling(const RadioEnabling& radios);
  void hide_all();

 signals:
  // A user's click; `checked` is the control's new check state.
  void command(sorvi::BarControl control, bool checked);

 private:
  QToolBar* bars_[kViewBarCount] = {};
  QAbstractButton* buttons_[kBarControlCount] = {};
  QAction* actions_[kBarControlCount] = {};
};

}  // namespace sorvi
