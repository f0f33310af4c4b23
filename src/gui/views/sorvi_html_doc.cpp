#include "gui/views/sorvi_html_doc.h"

#include <QToolBar>
#include <QVBoxLayout>

#include "base/file_utils.h"
#include "gui/views/sorvi_html_view.h"

namespace sorvi {

CSorviHtmlDoc::CSorviHtmlDoc(QObject* parent) : CSorviDocument(DocKind::Html, parent) {}

QWidget* CSorviHtmlDoc::create_html_widget() {
  if (html_view_) return html_view_->parentWidget();
  auto* box = new QWidget;
  box->setObjectName(QStringLiteral("html_page"));
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  html_view_ = new CSorviHtmlView(this, box);
  layout->addWidget(html_view_->command_bar());
  layout->addWidget(html_view_, 1);
  box->setFocusProxy(html_view_);
  return box;
}

bool CSorviHtmlDoc::open_document(const std::string& path) {
  if (!is_regular_file(path)) return false;
  set_path_name(path);
  set_title(QString::fromLocal8Bit(file_name_part(path).c_str()));
  set_modified(false);
  return true;
}

void CSorviHtmlDoc::initial_update() {
  if (html_view_) html_view_->initial_update();
}

void CSorviHtmlDoc::on_activate() {
  CSorviDocument::on_activate();
  if (html_view_) html_view_->on_activated();
}

void CSorviHtmlDoc::refresh() {
  if (html_view_) html_view_->refresh();
}

void CSorviHtmlDoc::save_as() {
  if (html_view_) html_view_->save_as();
}

}  // namespace sorvi
