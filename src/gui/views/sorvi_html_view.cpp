#include "gui/views/sorvi_html_view.h"

#include <QActionGroup>
#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/html_view_rules.h"
#include "app/view_positioning.h"
#include "base/message_box.h"
#include "config/profile.h"
#include "config/startup_options.h"
#include "gui/app/document.h"
#include "gui/app/main_frame.h"
#include "gui/views/find_dialog.h"
#include "help/help_links.h"

namespace sorvi {
namespace {

QAction* add_command(QToolBar* bar, const QString& text, const QString& tip) {
  QAction* action = bar->addAction(text);
  action->setObjectName(text);
  action->setStatusTip(tip);
  action->setToolTip(text);
  return action;
}

}  // namespace

CSorviHtmlView::CSorviHtmlView(CSorviDocument* document, QWidget* parent)
    : QTextBrowser(parent), document_(document), bar_(new QToolBar(parent)) {
  setObjectName(QStringLiteral("html_view"));
  setOpenLinks(true);
  setOpenExternalLinks(true);
  normal_points_ = font().pointSizeF() > 0 ? font().pointSizeF() : 10;
  text_size_ = html_text_size();

  bar_->setObjectName(QStringLiteral("html_bar"));
  QAction* back = add_command(bar_, tr("Back"), tr("Goes back one step."));
  connect(back, &QAction::triggered, this, &CSorviHtmlView::go_back);
  QAction* forward = add_command(bar_, tr("Forward"), tr("Goes forward one step."));
  connect(forward, &QAction::triggered, this, &CSorviHtmlView::go_forward);
  QAction* refresh = add_command(bar_, tr("Refresh"), tr("Reload the active document"));
  connect(refresh, &QAction::triggered, this, &CSorviHtmlView::refresh);

  // The five text sizes, largest first.
  auto* sizes = new QMenu(tr("Text Size"), this);
  auto* group = new QActionGroup(sizes);
  for (int i = 0; i < kHtmlTextSizeCount; ++i) {
    QAction* action = sizes->addAction(tr(kHtmlTextSizeCommands[i]));
    action->setObjectName(QString::fromLatin1(kHtmlTextSizeCommands[i]));
    action->setCheckable(true);
    group->addAction(action);
    const int size = html_text_size_of_command(i);
    connect(action, &QAction::triggered, this, [this, size] { set_text_size(size); });
  }
  QAction* size_menu = sizes->menuAction();
  size_menu->setObjectName(QStringLiteral("Text Size"));
  bar_->addAction(size_menu);
  if (auto* button = qobject_cast<QToolButton*>(bar_->widgetForAction(size_menu))) {
    button->setPopupMode(QToolButton::InstantPopup);
  }
  bar_->addSeparator();
  connect(add_command(bar_, tr("Find"), tr("Find the specified text")), &QAction::triggered, this,
          &CSorviHtmlView::open_find_dialog);
  connect(add_command(bar_, tr("Save As..."), tr("Save the page under a new name")), &QAction::triggered, this,
          &CSorviHtmlView::save_as);
  connect(add_command(bar_, tr("Print..."), tr("Print the page")), &QAction::triggered, this, [this] {
    CSorviFrame* frame = document_ ? document_->main_frame() : nullptr;
    if (QAction* print = frame ? frame->command_action(QStringLiteral("Print...")) : nullptr) print->trigger();
  });
  connect(this, &QTextBrowser::historyChanged, this, &CSorviHtmlView::update_history_commands);
  update_history_commands();
  apply_text_size(text_size_);
}

CSorviHtmlView::~CSorviHtmlView() {
  if (find_dialog_) find_dialog_->close();
  if (bar_ && !bar_->parent()) delete bar_;
}

QAction* CSorviHtmlView::command(const QString& text) const {
  for (QAction* action : bar_->findChildren<QAction*>()) {
    if (action->objectName() == text) return action;
  }
  for (QMenu* menu : findChildren<QMenu*>()) {
    for (QAction* action : menu->actions()) {
      if (action->objectName() == text) return action;
    }
  }
  return nullptr;
}

void CSorviHtmlView::update_history_commands() {
  if (QAction* back = command(QStringLiteral("Back"))) back->setEnabled(isBackwardAvailable());
  if (QAction* forward = command(QStringLiteral("Forward"))) forward->setEnabled(isForwardAvailable());
}

void CSorviHtmlView::set_status(const QString& text) {
  if (CSorviFrame* frame = document_ ? document_->main_frame() : nullptr) frame->set_line_pane(text);
}

void CSorviHtmlView::initial_update() {
  if (!document_) return;
  const std::string url = html_navigation_url(document_->path_name());
  if (!url.empty()) navigate(QString::fromLocal8Bit(url.c_str()));
}

void CSorviHtmlView::on_activated() {
  // An anchor asked for while the page was open already.
  if (!html_anchor().empty()) initial_update();
  if (!busy_) set_status(QString());
}

void CSorviHtmlView::navigate(const QString& url) { setSource(QUrl(url)); }

void CSorviHtmlView::begin_navigation() {
  if (depth_++ > 0) return;
  busy_ = true;
  set_status(QStringLiteral("BUSY"));
  emit navigation_started();
}

void CSorviHtmlView::end_navigation() {
  if (depth_ > 1) {
    --depth_;
    return;
  }
  // The stored text size, then an anchor that could not go with the URL.
  text_size_ = html_text_size();
  apply_text_size(text_size_);
  const std::string late = html_late_anchor_url(source().toString().toLocal8Bit().toStdString());
  if (!late.empty()) navigate(QString::fromLocal8Bit(late.c_str()));
  depth_ = 0;
  busy_ = false;
  set_status(QString());
  emit navigation_complete();
}

void CSorviHtmlView::doSetSource(const QUrl& name, QTextDocument::ResourceType type) {
  begin_navigation();
  QTextBrowser::doSetSource(name, type);
  end_navigation();
}

void CSorviHtmlView::go_back() {
  if (!isBackwardAvailable()) return;
  begin_navigation();
  backward();
  end_navigation();
}

void CSorviHtmlView::go_forward() {
  if (!isForwardAvailable()) return;
  begin_navigation();
  forward();
  end_navigation();
}

void CSorviHtmlView::refresh() {
  begin_navigation();
  reload();
  end_navigation();
}

double CSorviHtmlView::point_size_of(int size) const { return normal_points_ * html_text_scale(size); }

void CSorviHtmlView::apply_text_size(int size) {
  QFont f = font();
  f.setPointSizeF(point_size_of(size));
  setFont(f);
  for (int i = 0; i < kHtmlTextSizeCount; ++i) {
    if (QAction* action = command(QString::fromLatin1(kHtmlTextSizeCommands[i]))) {
      action->setChecked(html_text_size_of_command(i) == size);
    }
  }
}

void CSorviHtmlView::set_text_size(int size) {
  if (size < 0 || size >= kHtmlTextSizeCount) return;
  apply_text_size(size);
  if (html_text_size_to_store(text_size_, size)) {
    set_profile_int("SORVI_HTML_FONT_SIZE", size);
    text_size_ = size;
  }
}

void CSorviHtmlView::open_find_dialog() {
  CSorviFindDialog::show_for(find_dialog_, this, [this](const QString& text, bool forward, bool match_case) {
    find_text(text, forward, match_case);
  });
}

bool CSorviHtmlView::find_text(const QString& text, bool forward, bool match_case) {
  QTextDocument::FindFlags flags;
  if (!forward) flags |= QTextDocument::FindBackward;
  if (match_case) flags |= QTextDocument::FindCaseSensitively;
  const QTextCursor found = document()->find(text, textCursor(), flags);
  if (text.isEmpty() || found.isNull()) {
    message_box(kSearchNotFound);
    return false;
  }
  setTextCursor(found);
  ensureCursorVisible();
  return true;
}

bool CSorviHtmlView::save_page(const std::string& path) const {
  std::string bytes;
  const QUrl url = source();
  if (url.isLocalFile()) {
    std::ifstream in(url.toLocalFile().toLocal8Bit().toStdString(), std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return false;
    bytes = text.str();
  } else {
    bytes = toHtml().toUtf8().toStdString();
  }
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  return std::fclose(out) == 0 && written;
}

void CSorviHtmlView::save_as() {
  const QString proposal = source().isLocalFile() ? source().toLocalFile() : QString();
  const QString name = QFileDialog::getSaveFileName(this, tr("Save As"), proposal);
  if (name.isEmpty()) return;
  if (!save_page(name.toLocal8Bit().toStdString())) message_box("Failed to save document");
}

}  // namespace sorvi
