#include "gui/app/list_child_frame.h"

#include <QSplitter>
#include <QVBoxLayout>

#include "gui/views/sorvi_edit_view.h"
#include "gui/views/sorvi_list_view.h"
#include "gui/views/sorvi_rlist_doc.h"

namespace sorvi {

CListChildFrame::CListChildFrame(CSorviRListDoc* document, QWidget* parent) : CChildFrame(document, parent) {
  splitter_ = new QSplitter(Qt::Vertical, content());
  splitter_->setObjectName(QStringLiteral("result_list_splitter"));
  splitter_->setChildrenCollapsible(false);
  list_ = new CSorviListView(document, splitter_);
  list_->setMinimumHeight(50);
}

void CListChildFrame::set_view(CSorviEditView* view) {
  view_ = view;
  view->setMinimumHeight(50);
  splitter_->insertWidget(0, view);
  splitter_->setStretchFactor(0, 9);
  splitter_->setStretchFactor(1, 1);
  splitter_->setSizes({900, 100});
  content_layout()->addWidget(splitter_, 1);
}

}  // namespace sorvi
