#include "gui/app/main_frame.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

#include "base/file_utils.h"
#include "config/coverage_labels.h"
#include "config/display_settings.h"
#include "config/profile.h"
#include "gui/app/colour_button.h"
#include "gui/app/document.h"
#include "gui/app/view_bars.h"
#include "gui/views/sorvi_edit_view.h"

namespace sorvi {
namespace {

const char kHelpFile[] = "Help/Kelvar.pdf";

QString plain_text(const QString& text) {
  QString t = text;
  return t.remove(QLatin1Char('&'));
}

}  // namespace

CSorviFrame::CSorviFrame(QWidget* parent) : QMainWindow(parent) {
  setObjectName("C/C++ Vexa Sorvi");
  mdi_ = new QMdiArea(this);
  mdi_->setObjectName(QStringLiteral("mdi_area"));
  setCentralWidget(mdi_);
  create_menus();
  create_tool_bar();
  view_bars_ = new CViewBars(this);
  legend_ = addToolBar(tr("Legend"));
  legend_->setObjectName("legend");
  legend_->hide();
  clear_status_colours();
  set_default_status_colours(0, 0, 0);
  create_status_bar();
  set_menu_resource(128);
  update_caption(QString());
  resize(1000, 700);
}

CSorviFrame::~CSorviFrame() {
  // The documents go with their frames now; nobody is to hear of it.
  mdi_->blockSignals(true);
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

void CSorviFrame::set_line_pane(const QString& text) { line_pane_->setText(text); }
void CSorviFrame::set_file_pane(const QString& text) { file_pane_->setText(text); }
QString CSorviFrame::line_pane_text() const { return line_pane_->text(); }
QString CSorviFrame::file_pane_text() const { return file_pane_->text(); }

CSorviDocument* CSorviFrame::active_document() const { return active_.data(); }
void CSorviFrame::set_active_document(CSorviDocument* document) { active_ = document; }

QAction* CSorviFrame::add_command(QMenu* menu, const QString& text, FrameCommand command, const QKeySequence& key) {
  QAction* action = menu->addAction(text);
  if (!key.isEmpty()) action->setShortcut(key);
  connect(action, &QAction::triggered, this, [this, command] { emit this->command(command); });
  actions_[plain_text(text)] = action;
  addAction(action);  // the shortcut works whichever menu shows
  return action;
}

QAction* CSorviFrame::command_action(const QString& text) const {
  auto it = actions_.find(text);
  return it == actions_.end() ? nullptr : it->second;
}

void CSorviFrame::create_menus() {
  auto plain = [this](QMenu* menu, const QString& text, bool enabled) {
    QAction* action = menu->addAction(text);
    action->setEnabled(enabled);
    actions_[plain_text(text)] = action;
    return action;
  };

  file_menu_ = menuBar()->addMenu(tr("&File"));
  // The documents have no empty form: New does nothing.
  plain(file_menu_, tr("&New"), false)->setShortcut(QKeySequence::New);
  add_command(file_menu_, tr("&Open..."), FrameCommand::FileOpen, QKeySequence::Open);
  add_command(file_menu_, tr("&Close"), FrameCommand::FileClose);
  add_command(file_menu_, tr("&Save"), FrameCommand::FileSave, QKeySequence::Save);
  add_command(file_menu_, tr("Save &As..."), FrameCommand::FileSaveAs);
  add_command(file_menu_, tr("&Print..."), FrameCommand::FilePrint, QKeySequence::Print);
  plain(file_menu_, tr("P&rint Setup..."), true);
  recent_separator_ = file_menu_->addSeparator();
  for (int i = 0; i < 4; ++i) {
    QAction* action = file_menu_->addAction(QString());
    action->setVisible(false);
    connect(action, &QAction::triggered, this, [this, action] { emit recent_file_chosen(action->data().toString()); });
    recent_actions_.push_back(action);
  }
  file_menu_->addSeparator();
  QAction* exit = file_menu_->addAction(tr("E&xit"));
  actions_[QStringLiteral("Exit")] = exit;
  connect(exit, &QAction::triggered, this, &QWidget::close);

  edit_menu_ = menuBar()->addMenu(tr("&Edit"));
  plain(edit_menu_, tr("&Undo"), false)->setShortcut(QKeySequence::Undo);
  add_command(edit_menu_, tr("Cu&t"), FrameCommand::EditCut, QKeySequence::Cut);
  add_command(edit_menu_, tr("&Copy"), FrameCommand::EditCopy, QKeySequence::Copy);
  add_command(edit_menu_, tr("&Paste"), FrameCommand::EditPaste, QKeySequence::Paste);
  add_command(edit_menu_, tr("&Select All"), FrameCommand::EditSelectAll, QKeySequence::SelectAll);
  edit_menu_->addSeparator();
  add_command(edit_menu_, tr("&Find"), FrameCommand::EditFind, QKeySequence::Find);
  plain(edit_menu_, tr("&Replace"), false)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
  edit_menu_->addSeparator();
  add_command(edit_menu_, tr("&Violation Help"), FrameCommand::EditViolationHelp);
  connect(edit_menu_, &QMenu::aboutToShow, this, [this] {
    CSorviEditView* view = active_ ? active_->view() : nullptr;
    command_action(QStringLiteral("Violation Help"))->setEnabled(view && view->violation_help_enabled());
    // A read-only view can be neither cut nor pasted into.
    const bool writable = view && !view->isReadOnly();
    command_action(QStringLiteral("Cut"))->setEnabled(writable && view->has_selection());
    command_action(QStringLiteral("Paste"))->setEnabled(writable && view->canPaste());
  });

  view_menu_ = menuBar()->addMenu(tr("&View"));
  QAction* refresh = add_command(view_menu_, tr("Refresh"), FrameCommand::ViewRefresh, QKeySequence(Qt::Key_F5));
  refresh->setStatusTip(tr("Reload the active document"));
  refresh->setToolTip(tr("Refresh"));
  view_menu_->addSeparator();
  QAction* toolbar = view_menu_->addAction(tr("&Toolbar"));
  toolbar->setCheckable(true);
  toolbar->setChecked(true);
  connect(toolbar, &QAction::toggled, this, [this](bool on) { tools_->setVisible(on); });
  QAction* status = view_menu_->addAction(tr("&Status Bar"));
  status->setCheckable(true);
  status->setChecked(true);
  connect(status, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });

  configure_menu_ = menuBar()->addMenu(tr("&Configure"));
  add_command(configure_menu_, tr("&Font"), FrameCommand::ConfigureFont);

  window_menu_ = menuBar()->addMenu(tr("&Window"));
  connect(window_menu_->addAction(tr("&Cascade")), &QAction::triggered, mdi_, &QMdiArea::cascadeSubWindows);
  connect(window_menu_->addAction(tr("&Tile Horizontally")), &QAction::triggered, mdi_, &QMdiArea::tileSubWindows);
  connect(window_menu_->addAction(tr("Tile &Vertically")), &QAction::triggered, mdi_, &QMdiArea::tileSubWindows);
  connect(window_menu_->addAction(tr("&Arrange Icons")), &QAction::triggered, mdi_, &QMdiArea::tileSubWindows);

  QMenu* help = menuBar()->addMenu(tr("&Help"));
  QAction* topics = help->addAction(tr("&Help Topics"));
  topics->setShortcut(QKeySequence::HelpContents);
  actions_[QStringLiteral("Help Topics")] = topics;
  addAction(topics);
  connect(topics, &QAction::triggered, this, &CSorviFrame::open_help_file);
  QAction* manuals = help->addAction(tr("&Manuals Online"));
  actions_[QStringLiteral("Manuals Online")] = manuals;
  connect(manuals, &QAction::triggered, this, &CSorviFrame::open_help_file);
  connect(help, &QMenu::aboutToShow, this, [this, topics] {
    topics->setEnabled(is_regular_file(suite_file_path(kHelpFile)));
  });
  QAction* about = help->addAction(tr("&About Sorvi..."));
  connect(about, &QAction::triggered, this, [this] {
    QMessageBox::about(this, tr("About Sorvi"), tr("Sorvi %1").arg(QApplication::applicationVersion()));
  });
}

void CSorviFrame::open_help_file() {
  QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromLocal8Bit(suite_file_path(kHelpFile))));
}

void CSorviFrame::create_tool_bar() {
  tools_ = addToolBar(tr("Standard"));
  tools_->setObjectName(QStringLiteral("tool_bar"));
  for (const char* name : {"Open...", "Save", "Copy", "Find", "Print..."}) {
    if (QAction* action = command_action(QString::fromLatin1(name))) tools_->addAction(action);
  }
}

void CSorviFrame::set_menu_resource(int resource) {
  menu_resource_ = resource;
  const bool document = resource != 128;
  for (const char* name : {"Close", "Save", "Save As...", "Print..."}) {
    command_action(QString::fromLatin1(name))->setVisible(document);
  }
  edit_menu_->menuAction()->setVisible(document);
  configure_menu_->menuAction()->setVisible(document && resource != 130);
  window_menu_->menuAction()->setVisible(document);
  command_action(QStringLiteral("Refresh"))->setVisible(resource == 132 || resource == 130);
  command_action(QStringLiteral("Help Topics"))->setVisible(document);
  command_action(QStringLiteral("Manuals Online"))->setVisible(!document);
  const bool replace = resource == 129 || resource == 136;
  const bool violation_help = resource == 129 || resource == 131 || resource == 132 || resource == 135;
  command_action(QStringLiteral("Replace"))->setVisible(replace);
  command_action(QStringLiteral("Violation Help"))->setVisible(violation_help);
  command_action(QStringLiteral("Select All"))->setVisible(resource != 130);
}

void CSorviFrame::set_recent_files(const std::vector<std::string>& files) {
  for (size_t i = 0; i < recent_actions_.size(); ++i) {
    QAction* action = recent_actions_[i];
    if (i < files.size()) {
      const QString path = QString::fromLocal8Bit(files[i].c_str());
      action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(path));
      action->setData(path);
      action->setVisible(true);
    } else {
      action->setVisible(false);
    }
  }
  recent_separator_->setVisible(!files.empty());
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
  line_pane_ = pane(30);
  line_pane_->setObjectName(QStringLiteral("line_pane"));
  for (const char* indicator : {"CAP", "NUM", "SCRL"}) {
    QLabel* label = new QLabel(QString::fromLatin1(indicator), this);
    label->setEnabled(false);
    statusBar()->addPermanentWidget(label);
  }
  file_pane_ = pane(35);
  file_pane_->setObjectName(QStringLiteral("file_pane"));
  statusBar()->showMessage(tr("Ready"));
}

}  // namespace sorvi
