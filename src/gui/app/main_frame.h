// CSorviFrame: the main window, a multiple-document frame titled "Vexa Sorvi".
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <string>
#include <vector>

class QAction;
class QActionGroup;
class QMdiArea;
class QLabel;
class QMenu;
class QToolBar;

namespace sorvi {

class CSorviDocument;
class CSorviHtmlView;
class CViewBars;

// The menu commands that act on the documents.
enum class FrameCommand {
  FileOpen,
  FileClose,
  FileSave,
  FileSaveAs,
  FilePrint,
  EditUndo,
  EditCut,
  EditCopy,
  EditPaste,
  EditSelectAll,
  EditFind,
  EditReplace,
  EditViolationHelp,
  ViewRefresh,
  ConfigureFont,
};

class CSorviFrame : public QMainWindow {
  Q_OBJECT
 public:
  explicit CSorviFrame(QWidget* parent = nullptr);
  ~CSorviFrame() override;

  QMdiArea* mdi_area() const { return mdi_; }
  // Brings the window to the front, restoring it when minimised.
  void bring_to_front();
  // The caption: "Vexa Sorvi", and " - " with the active document's title.
  void update_caption(const QString& document_title);
  // Fills the coverage legend from the status labels (at most four, in
  // status-code order) and shows it; stays hidden when no label is set.
  void show_coverage_legend();
  QToolBar* legend_bar() const { return legend_; }
  QToolBar* tool_bar() const { return tools_; }
  CViewBars* view_bars() const { return view_bars_; }

  // The status bar's pane 30 spaces wide (line and column of the caret)
  // and the pane 35 spaces wide (the file a reformatted line comes from).
  void set_line_pane(const QString& text);
  void set_file_pane(const QString& text);
  QString line_pane_text() const;
  QString file_pane_text() const;

  // The document whose frame is active (none when no document is open).
  CSorviDocument* active_document() const;
  void set_active_document(CSorviDocument* document);

  // Shows the menus of a document kind (its resource number), or the
  // frame's own menu 128 when no document is open.
  void set_menu_resource(int resource);
  int menu_resource() const { return menu_resource_; }
  // A menu command by its text without the ampersand ("Open...", "Refresh").
  QAction* command_action(const QString& text) const;
  // Lists the recent files in the File menu.
  void set_recent_files(const std::vector<std::string>& files);

  // The window's placement from the settings store (a default size when
  // none is stored), and shows it so, maximised when it was; closing the
  // window stores it.
  void restore_placement();
  void show_placed();
  void save_placement() const;

  // The Window menu: its document list (numbered, the active one checked)
  // is made afresh each time it opens.
  QMenu* window_menu() const { return window_menu_; }
  void update_window_list();

  // What opens the help file (the desktop's opener unless a test sets
  // one); true when it could.
  using HelpOpener = std::function<bool(const QString& path)>;
  void set_help_opener(HelpOpener opener) { help_opener_ = std::move(opener); }
  // The enabling and checks that follow the state: Help Topics (the help
  // file exists), the page's Back and Forward and its text size.
  void update_commands();

  // The lock-key panes from a source of the keys' state (bit 0 caps lock,
  // bit 1 num lock, bit 2 scroll lock); the keyboard of the display when
  // none is set.
  using LockStateSource = std::function<int()>;
  void set_lock_state_source(LockStateSource source) { lock_source_ = std::move(source); }
  void update_lock_panes();

 signals:
  void command(sorvi::FrameCommand command);
  void recent_file_chosen(const QString& path);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  enum class Arrangement { Cascade, TileHorizontally, TileVertically, Icons };
  void create_menus();
  void create_tool_bar();
  void create_status_bar();
  QAction* add_command(QMenu* menu, const QString& text, FrameCommand command,
                       const QKeySequence& key = QKeySequence());
  void create_window_menu();
  void create_html_menus();
  void apply_prompts();
  void arrange(Arrangement how);
  CSorviHtmlView* active_page() const;
  void open_help_file();
  bool help_file_present() const;
  void update_help_topics();
  void enter_context_help();

  QMdiArea* mdi_ = nullptr;
  QToolBar* legend_ = nullptr;
  QToolBar* tools_ = nullptr;
  CViewBars* view_bars_ = nullptr;
  QLabel* line_pane_ = nullptr;
  QLabel* file_pane_ = nullptr;
  QPointer<CSorviDocument> active_;
  int menu_resource_ = 128;

  QMenu* file_menu_ = nullptr;
  QMenu* edit_menu_ = nullptr;
  QMenu* view_menu_ = nullptr;
  QMenu* configure_menu_ = nullptr;
  QMenu* window_menu_ = nullptr;
  QMenu* goto_menu_ = nullptr;
  QMenu* fonts_menu_ = nullptr;
  QActionGroup* text_sizes_ = nullptr;
  std::vector<QAction*> window_list_;
  QAction* window_list_separator_ = nullptr;
  HelpOpener help_opener_;
  bool context_help_ = false;
  LockStateSource lock_source_;
  QLabel* lock_panes_[3] = {};
  bool maximised_ = false;
  std::map<QString, QAction*> actions_;
  std::vector<QAction*> recent_actions_;
  QAction* recent_separator_ = nullptr;
};

}  // namespace sorvi
