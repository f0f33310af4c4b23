#include "gui/views/sorvi_html_view.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileDialog>
#include <QStringDecoder>
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
#include "gui/views/sorvi_html_doc.h"
#include "help/help_links.h"

namespace sorvi {
namespace {

bool is_archive_url(const QUrl& url) {
  const QString name = url.path();
  return url.isLocalFile() &&
         (name.endsWith(QLatin1String(".mht"), Qt::CaseInsensitive) ||
          name.endsWith(QLatin1String(".mhtml"), Qt::CaseInsensitive));
}

}  // namespace

CSorviHtmlView::CSorviHtmlView(CSorviDocument* document, QWidget* parent)
    : QTextBrowser(parent), document_(document) {
  setObjectName(QStringLiteral("html_view"));
  setOpenLinks(true);
  setOpenExternalLinks(true);
  normal_points_ = font().pointSizeF() > 0 ? font().pointSizeF() : 10;
  text_size_ = html_text_size();
  connect(this, &QTextBrowser::historyChanged, this, &CSorviHtmlView::update_frame_commands);
  apply_text_size(text_size_);
}

CSorviHtmlView::~CSorviHtmlView() {
  if (find_dialog_) find_dialog_->close();
}

QAction* CSorviHtmlView::command(const QString& text) const {
  CSorviFrame* frame = document_ ? document_->main_frame() : nullptr;
  return frame ? frame->command_action(text) : nullptr;
}

void CSorviHtmlView::update_frame_commands() {
  if (!document_ || !document_->is_active()) return;
  if (CSorviFrame* frame = document_->main_frame()) frame->update_commands();
}

QVariant CSorviHtmlView::loadResource(int type, const QUrl& name) {
  if (type == QTextDocument::HtmlResource && is_archive_url(name)) {
    // The archive is read afresh each time its page is loaded (Refresh).
    QFile file(name.toLocalFile());
    if (!file.open(QIODevice::ReadOnly)) return QTextBrowser::loadResource(type, name);
    archive_ = std::make_shared<MhtArchive>(read_mht_archive(file.readAll()));
    archive_url_ = name;
    const MhtPart* page = archive_->page();
    if (!page) {
      return tr("<h3>This page cannot be shown</h3><p>%1 is not a web archive that Sorvi can show: it holds "
                "no HTML page.</p>")
          .arg(name.toLocalFile().toHtmlEscaped());
    }
    QStringDecoder decoder(page->charset.isEmpty() ? QByteArray("UTF-8") : page->charset);
    if (!decoder.isValid()) return QString::fromLatin1(page->body);
    return QString(decoder(page->body));
  }
  // A part of the archive the page refers to, before anything outside it.
  // Another page leaves the archive.
  if (type == QTextDocument::HtmlResource) archive_.reset();
  if (archive_) {
    // The browser makes a relative reference a file beside the archive:
    // the archive knows it relative to its page.
    QUrl reference = name;
    if (name.isLocalFile()) {
      const QString relative = QFileInfo(archive_url_.toLocalFile()).dir().relativeFilePath(name.toLocalFile());
      if (!relative.startsWith(QLatin1String(".."))) reference = QUrl(relative);
    }
    if (const MhtPart* part = archive_->find(reference)) return part->body;
  }
  return QTextBrowser::loadResource(type, name);
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
  update_frame_commands();
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
