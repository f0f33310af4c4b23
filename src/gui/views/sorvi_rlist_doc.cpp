#include "gui/views/sorvi_rlist_doc.h"

#include "base/file_utils.h"
#include "base/message_box.h"
#include "config/startup_options.h"
#include "gui/app/list_child_frame.h"
#include "gui/views/sorvi_list_view.h"

namespace sorvi {

CSorviRListDoc::CSorviRListDoc(DocKind kind, QObject* parent) : CSorviEditDoc(kind, parent) {}

bool CSorviRListDoc::open_document(const std::string& path) {
  ResultList list = read_result_list(path);
  if (!list.valid || !CSorviEditDoc::open_document(list.text_path)) {
    if (!startup_options().VMODE) message_box(result_list_refusal(path));
    return false;
  }
  // The list file is the document's path; its title names the report.
  set_path_name(path);
  const std::string title = result_list_title(list);
  set_title(QString::fromLocal8Bit((title.empty() ? file_name_part(path) : title).c_str()));
  list_ = std::move(list);
  return true;
}

void CSorviRListDoc::initial_update() {
  CSorviEditDoc::initial_update();
  if (auto* frame = qobject_cast<CListChildFrame*>(this->frame())) frame->list_view()->initial_update();
}

}  // namespace sorvi
