#include "gui/annotate/sorvi_ref_doc.h"

#include <QCoreApplication>
#include <QTimer>

#include "annotate/annotation_context.h"
#include "annotate/document_reports.h"
#include "annotate/ref_view_texts.h"
#include "annotate/rtf_writer.h"
#include "base/file_utils.h"
#include "base/message_box.h"
#include "config/profile.h"
#include "config/startup_options.h"
#include "gui/annotate/sorvi_ref_view.h"
#include "gui/app/child_frames.h"
#include "gui/app/main_frame.h"
#include "gui/app/status_bars.h"
#include "gui/app/view_bars.h"
#include "gui/views/display_text.h"

namespace sorvi {

CSorviRefDoc::CSorviRefDoc(DocKind kind, QObject* parent)
    : CSorviDocument(kind, parent), enable_buttons_(get_profile_bool("ENABLE_REF_BUTTONS", true, false)) {}

CSorviRefDoc::~CSorviRefDoc() {
  // The generation walks the context: it ends before the context goes.
  if (shown_) shown_->stop_generation();
}

CSorviEditView* CSorviRefDoc::create_view() {
  if (!view_) {
    shown_ = new CSorviRefView(this);
    view_ = shown_;
    connect(view_, &CSorviEditView::caret_moved, this, [this] {
      if (is_active() && !ref_view()->filling()) main_frame()->set_file_pane(file_pane_text());
    });
    connect(shown_, &CAnnotatedView::generation_finished, this, [this] {
      if (is_active()) main_frame()->set_file_pane(file_pane_text());
    });
  }
  return view_;
}

CSorviRefView* CSorviRefDoc::ref_view() const { return static_cast<CSorviRefView*>(view_); }

bool CSorviRefDoc::build(const std::string& path) {
  std::unique_ptr<RefDocument> doc = build_ref_document(path, source_document(), kind() == DocKind::Violations);
  if (!doc || !doc->context) return false;
  doc_ = std::move(doc);
  files_ = find_ref_work_files(*doc_->context);
  // A listing of violations takes the listed file as its path; the others
  // record none.
  if (doc_->context->listingStandards) set_path_name(doc_->path);
  set_title(QString::fromLocal8Bit(doc_->title.c_str()));
  return true;
}

bool CSorviRefDoc::open_document(const std::string& path) {
  opened_path_ = path;
  return build(path);
}

void CSorviRefDoc::initial_update() {
  if (startup_options().VMODE) {
    // A forwarded batch run writes its report and ends the program.
    write_ref_document_report(*doc_);
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    return;
  }
  ref_view()->apply_initial_font();
  ref_view()->apply_read_only_rule();
  update_all_views();
}

QString CSorviRefDoc::column_heading() const {
  const AnnotationContext* c = context();
  return c ? QString::fromStdString(ColumnHeading(heading_switches(*c))) : QString();
}

QString CSorviRefDoc::model_pane_text() const {
  return doc_ ? QString::fromLocal8Bit(ref_model_pane_text(*doc_).c_str()) : QString();
}

QString CSorviRefDoc::file_pane_text() const {
  const AnnotationContext* c = context();
  if (!c || !view_) return QString();
  const std::string line = view_->caret_line_bytes();
  return QString::fromLocal8Bit(ref_file_pane_text(*c, line).c_str());
}

void CSorviRefDoc::update_panes() {
  CChildFrame* f = frame();
  if (f && f->header_bar()) f->header_bar()->set_text(column_heading());
  if (f && f->bottom_bar()) f->bottom_bar()->set_text(model_pane_text());
  if (is_active()) main_frame()->set_file_pane(file_pane_text());
}

void CSorviRefDoc::update_all_views() {
  if (!context()) return;
  ref_view()->update_view();
  update_panes();
  emit bars_changed();
}

BarState CSorviRefDoc::bar_state() {
  if (!context()) return BarState();
  files_ = find_ref_work_files(*context());  // looked up at each refresh
  shown_state_ = ref_bar_state(*context(), enable_buttons_, files_);
  return shown_state_;
}

BarLayout CSorviRefDoc::activation_layout() const {
  return context() ? ref_view_activation(*context()) : plain_view_bar_layout();
}

void CSorviRefDoc::on_bar_command(BarControl control, bool checked) {
  AnnotationContext* c = context();
  if (!c) return;
  // A generation still running ends before the switches change.
  ref_view()->stop_generation();
  const ToggleOutcome out = ref_toggle(*c, control, checked, shown_state_);
  CSorviFrame* frame = main_frame();
  if (out.set_radios && frame) frame->view_bars()->set_radio_enabling(out.radios);
  if (out.update_views) update_all_views();
  emit bars_changed();
}

void CSorviRefDoc::on_activate() {
  CSorviDocument::on_activate();
  update_panes();
}

bool CSorviRefDoc::reload() {
  if (!context()) return false;
  if (shown_) shown_->stop_generation();
  const RefSwitches kept = keep_ref_switches(*context());
  std::unique_ptr<RefDocument> old = std::move(doc_);
  if (!build(opened_path_)) {
    doc_ = std::move(old);
    return false;
  }
  old.reset();
  restore_ref_switches(*context(), kept);
  return true;
}

void CSorviRefDoc::refresh() {
  if (!reload()) {
    if (!startup_options().VMODE) message_box("Failed to open document");
    return;
  }
  ref_view()->apply_read_only_rule();
  update_all_views();
}

void CSorviRefDoc::save_listing(bool new_name) {
  const std::string proposal = listing_save_name(*doc_, title().toLocal8Bit().toStdString(), new_name);
  const QString name = ask_save_name(new_name ? tr("Save As") : tr("Save"), QString::fromLocal8Bit(proposal.c_str()));
  if (!name.isEmpty()) write_document(name);
}

void CSorviRefDoc::save() {
  if (context() && context()->listing) {
    save_listing(false);
  } else if (!path_name().empty()) {
    write_document(QString::fromLocal8Bit(path_name().c_str()));
  } else {
    save_as();
  }
}

void CSorviRefDoc::save_as() {
  if (context() && context()->listing) {
    save_listing(true);
    return;
  }
  const QString name = view_ ? ask_save_name(tr("Save As"), title()) : QString();
  if (name.isEmpty() || !write_document(name)) return;
  const std::string path = name.toLocal8Bit().toStdString();
  set_path_name(path);
  set_title(QString::fromLocal8Bit(file_name_part(path).c_str()));
}

QString CSorviRefDoc::save_question_name() const {
  if (kind() == DocKind::Violations && doc_ && !doc_->module_source.empty()) {
    return QString::fromLocal8Bit(file_name_part(doc_->module_source).c_str());
  }
  return CSorviDocument::save_question_name();
}

}  // namespace sorvi
