#include "gui/app/main_frame.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>

#include "config/coverage_labels.h"
#include "config/display_settings.h"
#include "gui/app/colour_button.h"

namespace sorvi {

CSorviFrame::CSorviFrame(QWidget* parent) : QMainWindow(parent) {
  setObjectName("C/C++ Vexa Sorvi");
  mdi_ = new QMdiArea(this);
  setCentralWidget(mdi_);
  create_menus();
  legend_ = addToolBar(tr("Legend"));
  legend_->setObjectName("legend");
  legend_->hide();
  clear_status_colours();
  set_default_status_colours(0, 0, 0);
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

void CSorviFrame::show_coverage_legend() {
  int placed = 0;
  for (int code = 0; code < kCoverageStatusCount && placed < 4; ++code) {
    const std::string& label = coverage_label(code);
    if (label.empty()) continue;
    auto* button = new CColourButton(code, legend_);
    button->setObjectName(QStringLiteral("legend_colour_%1").arg(1304 + placed));
    legend_->addWidget(button);
    auto* text = new QLabel(QString::fromStdString(label), legend_);
    text->setObjectName(QStringLiteral("legend_text_%1").arg(1401 + placed));
    legend_->addWidget(text);
    ++placed;
  }
  if (placed > 0) legend_->show();
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
