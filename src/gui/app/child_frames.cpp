#include "gui/app/child_frames.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include "app/list_view_rules.h"
#include "config/startup_options.h"
#include "gui/annotate/sorvi_ref_doc.h"
#include "gui/app/document.h"
#include "gui/app/list_child_frame.h"
#include "gui/app/status_bars.h"
#include "gui/views/sorvi_edit_view.h"
#include "gui/views/violation_list_view.h"

namespace sorvi {

CChildFrame::CChildFrame(CSorviDocument* document, QWidget* parent)
    : QMdiSubWindow(parent), document_(document), content_(new QWidget(this)), layout_(new QVBoxLayout(content_)) {
  setAttribute(Qt::WA_DeleteOnClose);
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->setSpacing(0);
  setWidget(content_);
  // The document lives as long as its frame.
  document->setParent(this);
  document->set_frame(this);
  // No title of its own: a maximised frame with one would add it to the
  // main window's caption, which shows the document's title alone.
}

void CChildFrame::set_view(CSorviEditView* view) {
  view_ = view;
  layout_->addWidget(view);
}

void CChildFrame::set_widget(QWidget* widget) {
  widget_ = widget;
  layout_->addWidget(widget);
}

void CChildFrame::activate_frame() {
  showMaximized();
  if (QMdiArea* area = mdiArea()) area->setActiveSubWindow(this);
  // The frame holding the focus is the one the area keeps active.
  if (view_) {
    view_->setFocus();
  } else if (widget_) {
    widget_->setFocus();
  }
}

void CChildFrame::set_arranged(QMdiArea* area, bool arranged) {
  if (area) area->setProperty("sorvi_arranged", arranged);
}

bool CChildFrame::arranged(const QMdiArea* area) { return area && area->property("sorvi_arranged").toBool(); }

void CChildFrame::changeEvent(QEvent* event) {
  QMdiSubWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMaximized)) {
    set_arranged(mdiArea(), false);
  }
  // The active child frame is shown maximised unless the frames were
  // arranged. (The area restores the frame it leaves when another one
  // becomes active; that one stays behind as it is.)
  if (event->type() == QEvent::WindowStateChange && !maximising_ && isVisible() && !arranged(mdiArea()) &&
      !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized))) {
    maximising_ = true;
    QTimer::singleShot(0, this, [this] {
      if (mdiArea() && mdiArea()->currentSubWindow() == this && !arranged(mdiArea())) showMaximized();
      maximising_ = false;
    });
  }
}

void CChildFrame::closeEvent(QCloseEvent* event) {
  emit closing(this);
  QMdiSubWindow::closeEvent(event);
}

CXtxSorviChildFrame::CXtxSorviChildFrame(CSorviDocument* document, QWidget* parent)
    : CXtxSorviChildFrame(document, true, parent) {}

CXtxSorviChildFrame::CXtxSorviChildFrame(CSorviDocument* document, bool with_header, QWidget* parent)
    : CChildFrame(document, parent) {
  if (with_header) {
    header_ = new CScrollSorviStatusBar(content());
    header_->setObjectName(QStringLiteral("column_heading"));
    header_->set_text(default_heading());
    content_layout()->addWidget(header_);
  }
  bottom_ = new CSorviStatusBar(content());
  bottom_->setObjectName(QStringLiteral("frame_status"));
}

QString CXtxSorviChildFrame::default_heading() {
  return QString::asprintf("%5s Block       Statement", "Line");
}

void CXtxSorviChildFrame::set_view(CSorviEditView* view) {
  view_ = view;
  place_view(view);
  content_layout()->addWidget(bottom_);
  if (header_) header_->set_view(view);
  bottom_->set_view(view);
}

void CXtxSorviChildFrame::place_view(CSorviEditView* view) { content_layout()->addWidget(view, 1); }

void CXtxSorviChildFrame::apply_view_font() {
  if (!view_ || (!header_ && !bottom_)) return;
  if (header_) header_->apply_view_font();
  if (bottom_) bottom_->apply_view_font();
  content_layout()->invalidate();
}

CSrcSorviChildFrame::CSrcSorviChildFrame(CSorviDocument* document, QWidget* parent)
    : CXtxSorviChildFrame(document, false, parent) {}

CMSVCSrcChildFrame::CMSVCSrcChildFrame(CSorviDocument* document, QWidget* parent)
    : CSrcSorviChildFrame(document, parent) {}

void CMSVCSrcChildFrame::place_view(CSorviEditView* view) {
  // The list keeps its share of the height; a move of the handle is kept
  // with the violation list's layout.
  splitter_ = new CListSplitter(list_layout_section("Violation"), content());
  splitter_->setObjectName(QStringLiteral("violations_splitter"));
  splitter_->addWidget(view);
  list_ = create_violation_list_view();
  splitter_->addWidget(list_);
  view->setMinimumHeight(50);
  list_->setMinimumHeight(50);
  content_layout()->addWidget(splitter_, 1);
}

QWidget* CMSVCSrcChildFrame::create_violation_list_view() {
  auto* list = new CViolationListView(qobject_cast<CSorviRefDoc*>(document()), splitter_);
  connect(list, &CViolationListView::open_document_requested, this, &CChildFrame::open_document_requested);
  return list;
}

CViolationListView* CMSVCSrcChildFrame::violation_list() const { return qobject_cast<CViolationListView*>(list_); }

void CMSVCSrcChildFrame::initial_update_views() {
  if (CViolationListView* list = violation_list(); list && !startup_options().VMODE) list->initial_update();
}

}  // namespace sorvi
