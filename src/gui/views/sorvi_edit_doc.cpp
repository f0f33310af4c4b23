#include "gui/views/sorvi_edit_doc.h"

#include <fstream>
#include <sstream>

#include "base/file_utils.h"
#include "gui/views/sorvi_edit_view.h"

namespace sorvi {

CSorviEditDoc::CSorviEditDoc(DocKind kind, QObject* parent) : CSorviDocument(kind, parent) {}

CSorviEditView* CSorviEditDoc::create_view() {
  if (!view_) view_ = new CSorviEditView(this);
  return view_;
}

bool CSorviEditDoc::open_document(const std::string& path) {
  if (!view_ || !is_regular_file(path)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) return false;
  view_->set_text_bytes(bytes.str());
  set_path_name(path);
  set_title(QString::fromLocal8Bit(file_name_part(path).c_str()));
  return true;
}

void CSorviEditDoc::initial_update() {
  view_->apply_initial_font();
  view_->position(false);
  view_->find_requested_text();
}

}  // namespace sorvi
