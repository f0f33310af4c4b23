#include "gui/app/document.h"

#include <QFileDialog>
#include <QMessageBox>

#include "app/document_registry.h"
#include "base/file_utils.h"
#include "base/message_box.h"
#include "gui/app/child_frames.h"
#include "gui/app/main_frame.h"
#include "gui/app/view_bars.h"
#include "gui/views/sorvi_edit_view.h"

namespace sorvi {

CSorviDocument::CSorviDocument(DocKind kind, QObject* parent) : QObject(parent), kind_(kind) {}

void CSorviDocument::set_title(const QString& title) {
  if (title == title_) return;
  title_ = title;
  emit title_changed();
}

void CSorviDocument::set_path_name(const std::string& path) {
  if (path == path_name_) return;
  path_name_ = path;
  emit path_name_changed();
}

CChildFrame* CSorviDocument::frame() const { return frame_; }
void CSorviDocument::set_frame(CChildFrame* frame) { frame_ = frame; }

CSorviFrame* CSorviDocument::main_frame() const {
  return frame_ ? qobject_cast<CSorviFrame*>(frame_.data()->window()) : nullptr;
}

bool CSorviDocument::is_active() const {
  const CSorviFrame* frame = main_frame();
  return frame && frame->active_document() == this;
}

void CSorviDocument::on_bar_command(BarControl, bool) {}

void CSorviDocument::on_activate() {
  CSorviFrame* frame = main_frame();
  if (!frame) return;
  frame->view_bars()->apply(activation_layout());
  frame->set_file_pane(QString());
  if (frame_ && !frame_->font_applied()) {
    frame_->apply_view_font();
    frame_->mark_font_applied();
  }
  if (view_) view_->show_caret_status();
}

void CSorviDocument::on_close() {
  CSorviFrame* frame = main_frame();
  if (!frame) return;
  frame->view_bars()->hide_all();
  frame->set_line_pane(QString());
  frame->set_file_pane(QString());
}

QString CSorviDocument::ask_save_name(const QString& caption, const QString& proposal) {
  return QFileDialog::getSaveFileName(frame_, caption, proposal);
}

bool CSorviDocument::write_document(const QString& path) {
  if (!view_) return false;
  if (!view_->write_text(path.toLocal8Bit().toStdString())) {
    message_box("Failed to save document");
    return false;
  }
  view_->set_modified(false);
  return true;
}

void CSorviDocument::save_as() {
  const QString name = view_ ? ask_save_name(tr("Save As"), title_) : QString();
  if (!name.isEmpty()) write_document(name);
}

bool CSorviDocument::asks_to_save() const { return document_class_of(kind_) != DocumentClass::Xtx; }

bool CSorviDocument::is_modified() const { return view_ && view_->is_modified(); }

QString CSorviDocument::save_question_name() const {
  return path_name_.empty() ? title_ : QString::fromLocal8Bit(file_name_part(path_name_).c_str());
}

bool CSorviDocument::save_modified() {
  if (!asks_to_save() || !is_modified()) return true;
  QWidget* parent = main_frame();
  const QMessageBox::StandardButton answer =
      QMessageBox::question(parent, QStringLiteral("Sorvi"), tr("Save changes to %1?").arg(save_question_name()),
                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
  if (answer == QMessageBox::Yes) {
    save();
    return !is_modified();
  }
  return answer == QMessageBox::No;
}

}  // namespace sorvi
