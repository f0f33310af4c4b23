#include "gui/app/list_child_frame.h"

#include <QVBoxLayout>

#include "app/list_view_rules.h"
#include "config/settings_store.h"
#include "gui/views/sorvi_edit_view.h"
#include "gui/views/sorvi_list_view.h"
#include "gui/views/sorvi_rlist_doc.h"

namespace sorvi {

CListSplitter::CListSplitter(const std::string& section, QWidget* parent)
    : QSplitter(Qt::Vertical, parent), section_(section) {
  setChildrenCollapsible(false);
  const std::vector<double> stored = layout_shares(settings_read_string(section_, kSplitterLayoutEntry, ""), 1);
  if (!stored.empty()) share_ = stored.front();
  connect(this, &QSplitter::splitterMoved, this, &CListSplitter::handle_moved);
}

void CListSplitter::resizeEvent(QResizeEvent* event) {
  QSplitter::resizeEvent(event);
  apply_share();
}

void CListSplitter::apply_share() {
  const QList<int> now = sizes();
  if (now.size() != 2) return;
  const int whole = now[0] + now[1];
  const int list = share_of_width(share_, whole);
  setSizes({whole - list, list});
}

void CListSplitter::handle_moved() {
  const QList<int> now = sizes();
  const int whole = now.size() == 2 ? now[0] + now[1] : 0;
  if (whole <= 0) return;
  share_ = static_cast<double>(now[1]) / whole;
  settings_write_string(section_, kSplitterLayoutEntry, layout_text(whole, {now[1]}));
}

CListChildFrame::CListChildFrame(CSorviRListDoc* document, QWidget* parent) : CChildFrame(document, parent) {
  splitter_ = new CListSplitter(list_layout_section(kResultListViewName), content());
  splitter_->setObjectName(QStringLiteral("result_list_splitter"));
  list_ = new CSorviListView(document, splitter_);
  list_->setMinimumHeight(50);
}

void CListChildFrame::set_view(CSorviEditView* view) {
  view_ = view;
  view->setMinimumHeight(50);
  splitter_->insertWidget(0, view);
  content_layout()->addWidget(splitter_, 1);
}

}  // namespace sorvi
