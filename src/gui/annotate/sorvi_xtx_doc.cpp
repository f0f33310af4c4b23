#include "gui/annotate/sorvi_xtx_doc.h"

#include <QCoreApplication>
#include <QTimer>

#include "annotate/document_reports.h"
#include "annotate/xtx_commands.h"
#include "config/startup_options.h"
#include "gui/annotate/sorvi_xtx_view.h"
#include "gui/app/child_frames.h"
#include "gui/app/main_frame.h"
#include "gui/app/status_bars.h"
#include "gui/app/view_bars.h"

namespace sorvi {

CSorviXtxDoc::CSorviXtxDoc(QObject* parent) : CSorviDocument(DocKind::ProcedureCode, parent) {}

CSorviXtxDoc::~CSorviXtxDoc() {
  // The generation walks the context: it ends before the context goes.
  if (shown_) shown_->stop_generation();
}

CSorviEditView* CSorviXtxDoc::create_view() {
  if (!view_) {
    shown_ = new CSorviXtxView(this);
    view_ = shown_;
  }
  return view_;
}

CSorviXtxView* CSorviXtxDoc::xtx_view() const { return static_cast<CSorviXtxView*>(view_); }

bool CSorviXtxDoc::open_document(const std::string& path) {
  std::unique_ptr<XtxDocument> doc = build_xtx_document(path);
  if (!doc || !doc->context) return false;
  doc_ = std::move(doc);
  set_title(QString::fromLocal8Bit(doc_->title.c_str()));
  return true;
}

void CSorviXtxDoc::initial_update() {
  if (startup_options().VMODE) {
    // A forwarded batch run writes its report and ends the program.
    write_xtx_document_report(*doc_);
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    return;
  }
  xtx_view()->apply_initial_font();
  xtx_view()->apply_read_only_rule();
  update_all_views();
}

QString CSorviXtxDoc::status_text() const {
  return doc_ ? QString::fromLocal8Bit(xtx_status_text(*doc_).c_str()) : QString();
}

void CSorviXtxDoc::update_panes() {
  if (CChildFrame* f = frame()) {
    if (f->bottom_bar()) f->bottom_bar()->set_text(status_text());
  }
}

void CSorviXtxDoc::update_all_views() {
  if (!context()) return;
  xtx_view()->update_view();
  update_panes();
  emit bars_changed();
}

BarState CSorviXtxDoc::bar_state() {
  if (!context()) return BarState();
  // The work files may come or go while the document is open.
  shown_state_ = xtx_bar_state(*context(), find_ref_work_files(*context()));
  return shown_state_;
}

BarLayout CSorviXtxDoc::activation_layout() const {
  return context() ? xtx_view_activation(*context()) : plain_view_bar_layout();
}

void CSorviXtxDoc::on_bar_command(BarControl control, bool checked) {
  AnnotationContext* c = context();
  if (!c) return;
  // A generation still running ends before the switches change.
  xtx_view()->stop_generation();
  const ToggleOutcome out = xtx_command(*c, control, checked, shown_state_);
  CSorviFrame* frame = main_frame();
  if (out.set_radios && frame) frame->view_bars()->set_radio_enabling(out.radios);
  if (out.update_views) update_all_views();
  emit bars_changed();
}

void CSorviXtxDoc::on_activate() {
  CSorviDocument::on_activate();
  update_panes();
}

}  // namespace sorvi
