#include "gui/app/main_frame.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>

namespace sorvi {

CSorviFrame::CSorviFrame(QWidget* parent) : QMainWindow(parent) {
  setObjectName("C/C++ Vexa Sorvi");
  mdi_ = new QMdiArea(this);
  setCentralWidget(mdi_);
  create_menus();
  create_status_bar();
  update_caption(QString());
  resize(1000, 700);
}

void CSorviFrame::update_caption(const QString& document_title) {
  setWindowTitle(document_title.isEmpty() ? QStringLiteral("Vexa Sorvi")
                                          : QStringLiteral("Vexa Sorvi - ") + document_title);
}

void CSorviFrame::bring_to_front() {
  if (isMinimized()) showNormal();
  raise();
  activateWindow();
}

void CSorviFrame::create_menus() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  file->addAction(tr("&New"))->setShortcut(QKeySequence::New);
  file->addAction(tr("&Open..."))->setShortcut(QKeySequence::Open);
  file->addAction(tr("P&rint Setup..."));
  file->addSeparator();
  QAction* exit = file->addAction(tr("E&xit"));
  connect(exit, &QAction::triggered, this, &QWidget::close);

  QMenu* help = menuBar()->addMenu(tr("&Help"));
  help->addAction(tr("&Manuals Online"));
  QAction* about = help->addAction(tr("&About Sorvi..."));
  connect(about, &QAction::triggered, this, [this] {
    QMessageBox::about(this, tr("About Sorvi"), tr("Sorvi %1").arg(QApplication::applicationVersion()));
  });
}

void CSorviFrame::create_status_bar() {
  // The message pane, a pane 30 spaces wide, the lock indicators, and a pane
  // 35 spaces wide for the views' line and column texts.
  QFontMetrics fm(statusBar()->font());
  auto pane = [&](int spaces) {
    QLabel* label = new QLabel(this);
    label->setMinimumWidth(fm.horizontalAdvance(QString(spaces, QLatin1Char(' '))));
    statusBar()->addPermanentWidget(label);
    return label;
  };
  pane(30);
  for (const char* indicator : {"CAP", "NUM", "SCRL"}) {
    QLabel* label = new QLabel(QString::fromLatin1(indicator), this);
    label->setEnabled(false);
    statusBar()->addPermanentWidget(label);
  }
  pane(35);
  statusBar()->showMessage(tr("Ready"));
}

}  // namespace sorvi
