// CSorviEditDoc: a file shown as plain text. Plain source files, ".sif" and
// ".sf1" files without a language, and any other text open as one.
#pragma once

#include "gui/app/document.h"

namespace sorvi {

class CSorviEditDoc : public CSorviDocument {
  Q_OBJECT
 public:
  explicit CSorviEditDoc(DocKind kind, QObject* parent = nullptr);

  int menu_resource() const override { return 129; }
  bool open_document(const std::string& path) override;
  CSorviEditView* create_view() override;
  // Font, caret placement, and the FindText= search.
  void initial_update() override;
};

}  // namespace sorvi
