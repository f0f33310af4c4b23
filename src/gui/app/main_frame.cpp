#include "gui/app/main_frame.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QWhatsThis>

#include "base/file_utils.h"
#include "config/coverage_labels.h"
#include "config/display_settings.h"
#include "app/html_view_rules.h"
#include "config/profile.h"
#include "config/settings_store.h"
#include "gui/app/child_frames.h"
#include "gui/annotate/finding_navigation.h"
#include "gui/app/colour_button.h"
#include "gui/app/document.h"
#include "gui/app/view_bars.h"
#include "gui/views/sorvi_edit_view.h"
#include "gui/views/sorvi_html_doc.h"
#include "gui/views/sorvi_html_view.h"

// The program's icon is compiled into the library; a static library's
// resources are registered by name.
static void init_sorvi_resources() { Q_INIT_RESOURCE(sorvi); }

namespace sorvi {
namespace {

const char kHelpFile[] = "Help/Kelvar.pdf";
const char kPlacement[] = "Main Window";

QString plain_text(const QString& text) {
  QString t = text;
  return t.remove(QLatin1Char('&'));
}

// A command the frame takes by its key only (no menu entry), kept with the
// frame's other commands by its name.
template <typename Receiver, typename Slot>
void add_key_command(QWidget* frame, std::map<QString, QAction*>& commands, const QString& name,
                     const QKeySequence& key, Receiver* receiver, Slot slot) {
  QAction* action = new QAction(name, frame);
  action->setShortcut(key);
  QObject::connect(action, &QAction::triggered, receiver, slot);
  commands[name] = action;
  frame->addAction(action);
}

// The fly-by prompt in the status bar and the tool tip of each command.
struct Prompt {
  const char* command;
  const char* prompt;
  const char* tip;
};
const Prompt kPrompts[] = {
    {"New", "Create a new document", "New"},
    {"Open...", "Open an existing document", "Open"},
    {"Close", "Close the active document", "Close"},
    {"Save", "Save the active document", "Save"},
    {"Save As...", "Save the active document with a new name", "Save As"},
    {"Print...", "Print the active document", "Print"},
    {"Print Setup...", "Change the printer and printing options", "Print Setup"},
    {"Exit", "Quit the application; prompts to save documents", "Exit"},
    {"Undo", "Undo the last action", "Undo"},
    {"Cut", "Cut the selection and put it on the Clipboard", "Cut"},
    {"Copy", "Copy the selection and put it on the Clipboard", "Copy"},
    {"Paste", "Insert Clipboard contents", "Paste"},
    {"Select All", "Select the entire document", "Select All"},
    {"Find", "Find the specified text", "Find"},
    {"Replace", "Replace specific text with different text", "Replace"},
    {"Violation Help", "Show the standards help of the violation at the caret", "Violation Help"},
    {"Back", "Goes back one step.", "Back"},
    {"Forward", "Goes forward one step.", "Forward"},
    {"Largest", "Show the page in the largest text size", "Largest"},
    {"Large", "Show the page in a large text size", "Large"},
    {"Medium", "Show the page in the medium text size", "Medium"},
    {"Small", "Show the page in a small text size", "Small"},
    {"Smallest", "Show the page in the smallest text size", "Smallest"},
    {"Refresh", "Reload the active document", "Refresh"},
    {"Toolbar", "Show or hide the toolbar", "Toggle ToolBar"},
    {"Status Bar", "Show or hide the status bar", "Toggle StatusBar"},
    {"Font", "Choose the font and text colour of the view", "Font"},
    {"Cascade", "Arrange windows so they overlap", "Cascade Windows"},
    {"Tile Horizontally", "Arrange windows as non-overlapping tiles, one above another", "Tile Horizontally"},
    {"Tile Vertically", "Arrange windows as non-overlapping tiles, side by side", "Tile Vertically"},
    {"Arrange Icons", "Arrange icons at the bottom of the window", "Arrange Icons"},
    {"Next Window", "Switch to the next window", "Next Window"},
    {"Previous Window", "Switch back to the previous window", "Previous Window"},
    {"Help Topics", "List Help topics", "Help Topics"},
    {"Manuals Online", "Open the suite's manuals", "Manuals Online"},
    {"Help", "Open the help", "Help"},
    {"Context Help", "Display help for clicked on buttons, menus and windows", "Help"},
    {"About Sorvi...", "Display program information, version number and copyright", "About"},
};

// The lock keys' state on the X display (bit 0 caps, 1 num, 2 scroll
// lock), or -1 when there is no X display to ask.
int x11_lock_state();

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
  apply_prompts();
  init_sorvi_resources();
  QIcon icon;
  for (const char* size : {"48", "256"}) icon.addFile(QStringLiteral(":/icons/sorvi-%1.png").arg(QLatin1String(size)));
  setWindowIcon(icon);
  QApplication::setWindowIcon(icon);
  restore_placement();
  // The lock keys are asked while the window runs on a display that can
  // tell them.
  if (x11_lock_state() >= 0) {
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &CSorviFrame::update_lock_panes);
    timer->start(250);
  }
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
  // New makes an untitled plain document (the application does it).
  QAction* new_document = plain(file_menu_, tr("&New"), true);
  new_document->setShortcut(QKeySequence::New);
  addAction(new_document);
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
  add_command(edit_menu_, tr("&Undo"), FrameCommand::EditUndo, QKeySequence::Undo);
  add_command(edit_menu_, tr("Cu&t"), FrameCommand::EditCut, QKeySequence::Cut);
  add_command(edit_menu_, tr("&Copy"), FrameCommand::EditCopy, QKeySequence::Copy);
  add_command(edit_menu_, tr("&Paste"), FrameCommand::EditPaste, QKeySequence::Paste);
  add_command(edit_menu_, tr("&Select All"), FrameCommand::EditSelectAll, QKeySequence::SelectAll);
  edit_menu_->addSeparator();
  add_command(edit_menu_, tr("&Find"), FrameCommand::EditFind, QKeySequence::Find);
  add_command(edit_menu_, tr("&Replace"), FrameCommand::EditReplace, QKeySequence(Qt::CTRL | Qt::Key_H));
  edit_menu_->addSeparator();
  add_command(edit_menu_, tr("&Violation Help"), FrameCommand::EditViolationHelp);
  connect(edit_menu_, &QMenu::aboutToShow, this, [this] {
    CSorviEditView* view = active_ ? active_->view() : nullptr;
    command_action(QStringLiteral("Violation Help"))->setEnabled(view && view->violation_help_enabled());
    // A read-only view can be neither cut nor pasted into.
    const bool writable = view && !view->isReadOnly();
    command_action(QStringLiteral("Cut"))->setEnabled(writable && view->has_selection());
    command_action(QStringLiteral("Paste"))->setEnabled(writable && view->canPaste());
    command_action(QStringLiteral("Undo"))->setEnabled(writable && view->can_undo());
    command_action(QStringLiteral("Replace"))->setEnabled(writable);
  });

  view_menu_ = menuBar()->addMenu(tr("&View"));
  create_html_menus();
  add_command(view_menu_, tr("Refresh"), FrameCommand::ViewRefresh, QKeySequence(Qt::Key_F5));
  add_finding_commands(this, view_menu_);
  view_menu_->addSeparator();
  QAction* toolbar = plain(view_menu_, tr("&Toolbar"), true);
  toolbar->setCheckable(true);
  toolbar->setChecked(true);
  connect(toolbar, &QAction::toggled, this, [this](bool on) { tools_->setVisible(on); });
  QAction* status = plain(view_menu_, tr("&Status Bar"), true);
  status->setCheckable(true);
  status->setChecked(true);
  connect(status, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });

  configure_menu_ = menuBar()->addMenu(tr("&Configure"));
  add_command(configure_menu_, tr("&Font"), FrameCommand::ConfigureFont);

  create_window_menu();

  QMenu* help = menuBar()->addMenu(tr("&Help"));
  QAction* topics = plain(help, tr("&Help Topics"), true);
  // Asked again when chosen: the file may have gone since the menu showed.
  connect(topics, &QAction::triggered, this, [this] {
    update_help_topics();
    if (command_action(QStringLiteral("Help Topics"))->isEnabled()) open_help_file();
  });
  connect(plain(help, tr("&Manuals Online"), true), &QAction::triggered, this, &CSorviFrame::open_help_file);
  connect(help, &QMenu::aboutToShow, this, &CSorviFrame::update_help_topics);
  // F1 opens the help whether a document is open or not; Shift+F1 asks
  // for a click on what the help is wanted for first.
  add_key_command(this, actions_, tr("Help"), QKeySequence::HelpContents, this, &CSorviFrame::open_help_file);
  add_key_command(this, actions_, tr("Context Help"), QKeySequence(Qt::SHIFT | Qt::Key_F1), this,
                  &CSorviFrame::enter_context_help);
  QAction* about = plain(help, tr("&About Sorvi..."), true);
  connect(about, &QAction::triggered, this, [this] {
    QMessageBox::about(this, tr("About Sorvi"), tr("Sorvi %1").arg(QApplication::applicationVersion()));
  });
}

void CSorviFrame::create_html_menus() {
  // The page's commands act on the active page: Back and Forward under
  // Goto, the five text sizes under Fonts.
  goto_menu_ = view_menu_->addMenu(tr("&Goto"));
  QAction* back = goto_menu_->addAction(tr("&Back"));
  back->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
  connect(back, &QAction::triggered, this, [this] {
    if (CSorviHtmlView* page = active_page()) page->go_back();
  });
  QAction* forward = goto_menu_->addAction(tr("&Forward"));
  forward->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
  connect(forward, &QAction::triggered, this, [this] {
    if (CSorviHtmlView* page = active_page()) page->go_forward();
  });
  for (QAction* action : {back, forward}) {
    actions_[plain_text(action->text())] = action;
    addAction(action);
  }
  fonts_menu_ = view_menu_->addMenu(tr("Fo&nts"));
  text_sizes_ = new QActionGroup(this);
  for (int i = 0; i < kHtmlTextSizeCount; ++i) {
    QAction* action = fonts_menu_->addAction(tr(kHtmlTextSizeCommands[i]));
    action->setCheckable(true);
    text_sizes_->addAction(action);
    actions_[action->text()] = action;
    const int size = html_text_size_of_command(i);
    connect(action, &QAction::triggered, this, [this, size] {
      if (CSorviHtmlView* page = active_page()) page->set_text_size(size);
      update_commands();
    });
  }
}

void CSorviFrame::create_window_menu() {
  window_menu_ = menuBar()->addMenu(tr("&Window"));
  const std::pair<const char*, Arrangement> arrangements[] = {
      {QT_TR_NOOP("&Cascade"), Arrangement::Cascade},
      {QT_TR_NOOP("&Tile Horizontally"), Arrangement::TileHorizontally},
      {QT_TR_NOOP("Tile &Vertically"), Arrangement::TileVertically},
      {QT_TR_NOOP("&Arrange Icons"), Arrangement::Icons},
  };
  for (const auto& [text, how] : arrangements) {
    QAction* action = window_menu_->addAction(tr(text));
    actions_[plain_text(action->text())] = action;
    connect(action, &QAction::triggered, this, [this, how = how] { arrange(how); });
  }
  // F6 and Shift+F6 go to the next and the previous window.
  add_key_command(this, actions_, tr("Next Window"), QKeySequence(Qt::Key_F6), mdi_,
                  &QMdiArea::activateNextSubWindow);
  add_key_command(this, actions_, tr("Previous Window"), QKeySequence(Qt::SHIFT | Qt::Key_F6), mdi_,
                  &QMdiArea::activatePreviousSubWindow);
  window_list_separator_ = window_menu_->addSeparator();
  connect(window_menu_, &QMenu::aboutToShow, this, &CSorviFrame::update_window_list);
}

void CSorviFrame::update_window_list() {
  for (QAction* action : window_list_) delete action;
  window_list_.clear();
  const QList<QMdiSubWindow*> windows = mdi_->subWindowList();
  window_list_separator_->setVisible(!windows.isEmpty());
  for (int i = 0; i < windows.size(); ++i) {
    QMdiSubWindow* window = windows[i];
    auto* child = qobject_cast<CChildFrame*>(window);
    QString title = child && child->document() ? child->document()->title() : window->windowTitle();
    title.replace(QLatin1Char('&'), QStringLiteral("&&"));
    QAction* action = window_menu_->addAction(i < 9 ? QStringLiteral("&%1 %2").arg(i + 1).arg(title)
                                                    : QStringLiteral("%1 %2").arg(i + 1).arg(title));
    action->setCheckable(true);
    action->setChecked(window == mdi_->currentSubWindow());
    action->setStatusTip(tr("Activate this window"));
    QPointer<QMdiSubWindow> target(window);
    connect(action, &QAction::triggered, this, [this, target] {
      if (target) mdi_->setActiveSubWindow(target);
    });
    window_list_.push_back(action);
  }
}

void CSorviFrame::arrange(Arrangement how) {
  const QRect area = mdi_->viewport()->rect();
  if (how == Arrangement::Icons) {
    // The minimised windows in rows along the bottom edge.
    int x = 0, bottom = area.height();
    for (QMdiSubWindow* window : mdi_->subWindowList()) {
      if (!window->isMinimized()) continue;
      if (x > 0 && x + window->width() > area.width()) {
        x = 0;
        bottom -= window->height();
      }
      window->move(x, bottom - window->height());
      x += window->width();
    }
    return;
  }
  // An explicit arrangement stands until the user maximises a window again.
  CChildFrame::set_arranged(mdi_, true);
  if (how == Arrangement::Cascade) {
    mdi_->cascadeSubWindows();
    return;
  }
  QList<QMdiSubWindow*> tiles;
  for (QMdiSubWindow* window : mdi_->subWindowList()) {
    if (window->isVisible() && !window->isMinimized()) tiles << window;
  }
  const int n = static_cast<int>(tiles.size());
  for (int i = 0; i < n; ++i) {
    tiles[i]->showNormal();
    if (how == Arrangement::TileHorizontally) {
      const int top = area.height() * i / n;
      tiles[i]->setGeometry(0, top, area.width(), area.height() * (i + 1) / n - top);
    } else {
      const int left = area.width() * i / n;
      tiles[i]->setGeometry(left, 0, area.width() * (i + 1) / n - left, area.height());
    }
  }
}

CSorviHtmlView* CSorviFrame::active_page() const {
  auto* html = qobject_cast<CSorviHtmlDoc*>(active_.data());
  return html ? html->html_view() : nullptr;
}

void CSorviFrame::update_commands() {
  update_help_topics();
  CSorviHtmlView* page = active_page();
  command_action(QStringLiteral("Back"))->setEnabled(page && page->isBackwardAvailable());
  command_action(QStringLiteral("Forward"))->setEnabled(page && page->isForwardAvailable());
  for (int i = 0; i < kHtmlTextSizeCount; ++i) {
    QAction* size = command_action(QString::fromLatin1(kHtmlTextSizeCommands[i]));
    size->setEnabled(page);
    if (page && page->text_size() == html_text_size_of_command(i)) size->setChecked(true);
  }
}

bool CSorviFrame::help_file_present() const {
  // Without the suite directory there is no help file to find (and asking
  // for its path would end the program).
  if (!get_profile_path("KELV", nullptr, false, nullptr)) return false;
  return is_regular_file(suite_file_path(kHelpFile));
}

void CSorviFrame::update_help_topics() {
  command_action(QStringLiteral("Help Topics"))->setEnabled(help_file_present());
}

void CSorviFrame::open_help_file() {
  const QString path = QString::fromLocal8Bit(suite_file_path(kHelpFile));
  const bool opened = help_opener_ ? help_opener_(path) : QDesktopServices::openUrl(QUrl::fromLocalFile(path));
  if (!opened) statusBar()->showMessage(tr("Cannot open the help file %1").arg(path));
}

void CSorviFrame::enter_context_help() {
  // The next click on a part of the window opens the help.
  context_help_ = true;
  qApp->installEventFilter(this);
  QWhatsThis::enterWhatsThisMode();
}

bool CSorviFrame::eventFilter(QObject* watched, QEvent* event) {
  if (context_help_ && (event->type() == QEvent::WhatsThis || event->type() == QEvent::LeaveWhatsThisMode)) {
    auto* widget = qobject_cast<QWidget*>(watched);
    const bool clicked = event->type() == QEvent::WhatsThis && widget && widget->window() == this;
    if (clicked || event->type() == QEvent::LeaveWhatsThisMode) {
      context_help_ = false;
      qApp->removeEventFilter(this);
    }
    if (clicked) {
      open_help_file();
      // Not taken as shown: the mode ends when the mouse is released.
      event->ignore();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void CSorviFrame::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
    update_commands();
    update_lock_panes();
  }
}

void CSorviFrame::closeEvent(QCloseEvent* event) {
  QMainWindow::closeEvent(event);
  if (event->isAccepted()) save_placement();
}

void CSorviFrame::restore_placement() {
  const QRect stored(settings_read_int(kPlacement, "Left", 0), settings_read_int(kPlacement, "Top", 0),
                     settings_read_int(kPlacement, "Width", 0), settings_read_int(kPlacement, "Height", 0));
  maximised_ = settings_read_int(kPlacement, "Maximized", 0) != 0;
  if (stored.width() < 200 || stored.height() < 150) {
    resize(1000, 700);
  } else if (QGuiApplication::screenAt(stored.center())) {
    setGeometry(stored);
  } else {
    // Where no screen shows it now: the stored size, at the screen's corner.
    const QScreen* shown = screen();
    setGeometry(QRect(shown ? shown->availableGeometry().topLeft() : QPoint(), stored.size()));
  }
}

void CSorviFrame::show_placed() {
  if (maximised_) {
    showMaximized();
  } else {
    show();
  }
}

void CSorviFrame::save_placement() const {
  const bool maximised = isMaximized();
  const QRect r = maximised ? normalGeometry() : geometry();
  if (r.isValid()) {
    settings_write_int(kPlacement, "Left", r.x());
    settings_write_int(kPlacement, "Top", r.y());
    settings_write_int(kPlacement, "Width", r.width());
    settings_write_int(kPlacement, "Height", r.height());
  }
  settings_write_int(kPlacement, "Maximized", maximised ? 1 : 0);
}

void CSorviFrame::apply_prompts() {
  for (const Prompt& p : kPrompts) {
    if (QAction* action = command_action(QString::fromLatin1(p.command))) {
      action->setStatusTip(tr(p.prompt));
      action->setToolTip(tr(p.tip));
    }
  }
  for (QAction* action : recent_actions_) action->setStatusTip(tr("Open this document"));
}

void CSorviFrame::update_lock_panes() {
  const int state = lock_source_ ? lock_source_() : x11_lock_state();
  static const char* const kNames[] = {"CAP", "NUM", "SCRL"};
  for (int i = 0; i < 3; ++i) {
    lock_panes_[i]->setText(state > 0 && (state & (1 << i)) ? QString::fromLatin1(kNames[i]) : QString());
  }
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
  goto_menu_->menuAction()->setVisible(resource == 130);
  fonts_menu_->menuAction()->setVisible(resource == 130);
  update_commands();
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
  // A lock key's pane shows its name while the key is on.
  const char* const indicators[] = {"caps_pane", "num_pane", "scroll_pane"};
  for (int i = 0; i < 3; ++i) {
    lock_panes_[i] = new QLabel(this);
    lock_panes_[i]->setObjectName(QString::fromLatin1(indicators[i]));
    lock_panes_[i]->setMinimumWidth(fm.horizontalAdvance(QStringLiteral(" SCRL ")));
    lock_panes_[i]->setAlignment(Qt::AlignCenter);
    statusBar()->addPermanentWidget(lock_panes_[i]);
  }
  update_lock_panes();
  file_pane_ = pane(35);
  file_pane_->setObjectName(QStringLiteral("file_pane"));
  statusBar()->showMessage(tr("Ready"));
}

}  // namespace sorvi

// The X display's keyboard is asked through Xlib, whose names clash with
// the toolkit's: it comes last.
#ifdef SORVI_HAVE_X11
#include <QGuiApplication>
#if QT_CONFIG(xcb)
#include <X11/XKBlib.h>
#define SORVI_ASK_X11 1
#endif
#endif

namespace sorvi {
namespace {

int x11_lock_state() {
#ifdef SORVI_ASK_X11
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  Display* display = x11 ? x11->display() : nullptr;
  if (!display) return -1;
  static const char* const kIndicators[] = {"Caps Lock", "Num Lock", "Scroll Lock"};
  static Display* atoms_of = nullptr;
  static Atom atoms[3] = {};
  if (atoms_of != display) {
    for (int i = 0; i < 3; ++i) atoms[i] = XInternAtom(display, kIndicators[i], True);
    atoms_of = display;
  }
  int state = 0;
  for (int i = 0; i < 3; ++i) {
    Bool on = False;
    if (atoms[i] != None && XkbGetNamedIndicator(display, atoms[i], nullptr, &on, nullptr, nullptr) && on) {
      state |= 1 << i;
    }
  }
  return state;
#else
  return -1;
#endif
}

}  // namespace
}  // namespace sorvi
