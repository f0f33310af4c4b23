// CSorviHtmlView: an HTML page of the suite (standards help pages,
// reports). No web engine is installed with the program, so the page is
// shown by Qt's QTextBrowser: it renders the suite's plain pages, follows
// links and anchors, keeps a history, prints and finds text, which is all
// the view needs; scripts and style sheets beyond that are not run.
//
// The view goes to the document's file as a URL with the anchor that came
// with the file name, shows "BUSY" in the main frame's 30-character pane
// while a page loads, and keeps the text size (0 smallest .. 4 largest) in
// the profile variable "SORVI_HTML_FONT_SIZE", re-read after every page.
// Its commands are the main frame's: Back and Forward under View > Goto,
// the text sizes under View > Fonts, and Refresh, Find, Save As and Print.
// A web archive (".mht") shows its page with the images it carries.
#pragma once

#include <QPointer>
#include <QTextBrowser>
#include <memory>
#include <string>

#include "gui/views/find_dialog.h"

class QAction;

namespace sorvi {

class CSorviDocument;
struct MhtArchive;

class CSorviHtmlView : public QTextBrowser {
  Q_OBJECT
 public:
  explicit CSorviHtmlView(CSorviDocument* document, QWidget* parent = nullptr);
  ~CSorviHtmlView() override;

  // The first display: goes to the document's URL, with the waiting
  // anchor, which is then forgotten.
  void initial_update();
  // The view became active: an anchor asked for meanwhile is shown.
  void on_activated();

  // Goes to a URL; "BUSY" shows until the page is there.
  void navigate(const QString& url);
  void go_back();
  void go_forward();
  void refresh();
  bool busy() const { return busy_; }

  // The five text-size commands set 4 (largest) .. 0 (smallest); a size
  // other than the current setting is stored.
  void set_text_size(int size);
  int text_size() const { return text_size_; }
  // The font size a text size shows the page in.
  double point_size_of(int size) const;

  // The search dialog and its search (forward or backward from the
  // selection, with or without case); "Search String not found!" when
  // there is no match.
  void open_find_dialog();
  CSorviFindDialog* find_dialog() const { return find_dialog_; }
  bool find_text(const QString& text, bool forward, bool match_case);

  // Save As: the page as it was loaded, written where the user chooses.
  void save_as();
  bool save_page(const std::string& path) const;

  // The main frame's command of that name ("Back", "Largest") that acts
  // on this page while it is the active one.
  QAction* command(const QString& text) const;

  // The page and the parts a web archive shows; other resources as the
  // browser finds them.
  QVariant loadResource(int type, const QUrl& name) override;

 signals:
  // A page starts loading ("BUSY" is shown) and has loaded.
  void navigation_started();
  void navigation_complete();

 protected:
  void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;

 private:
  void begin_navigation();
  void end_navigation();
  void apply_text_size(int size);
  void set_status(const QString& text);
  void update_frame_commands();

  CSorviDocument* document_;
  QPointer<CSorviFindDialog> find_dialog_;
  // The web archive being shown and the URL it was read from.
  std::shared_ptr<MhtArchive> archive_;
  QUrl archive_url_;
  int text_size_ = 0;
  double normal_points_ = 10;
  bool busy_ = false;
  int depth_ = 0;
};

}  // namespace sorvi
