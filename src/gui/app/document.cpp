#include "gui/app/document.h"

#include <QFileDialog>

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

void CSorviDocument::save_as() {
  if (!view_) return;
  const QString name = QFileDialog::getSaveFileName(frame_, tr("Save As"), title_);
  if (name.isEmpty()) return;
  if (!view_->write_text(name.toLocal8Bit().toStdString())) message_box("Failed to save document");
}

}  // namespace sorvi
