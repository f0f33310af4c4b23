// CSorviHtmlDoc: an HTML page (".htm", ".html", ".mht") shown in a
// CSorviHtmlView. The document holds its path and nothing more; the view
// goes to the page, with the anchor that came with the file name.
#pragma once

#include <QPointer>

#include "gui/app/document.h"

class QWidget;

namespace sorvi {

class CSorviHtmlView;

class CSorviHtmlDoc : public CSorviDocument {
  Q_OBJECT
 public:
  explicit CSorviHtmlDoc(QObject* parent = nullptr);

  // A page that does not exist is refused; any other is left to the view.
  bool open_document(const std::string& path) override;
  // No text view: the page is in the HTML view.
  CSorviEditView* create_view() override { return nullptr; }
  // Makes the HTML view with its command bar (once), for the frame.
  QWidget* create_html_widget();
  CSorviHtmlView* html_view() const { return html_view_; }
  void initial_update() override;

  // Activation hides the annotation bars and shows an anchor asked for
  // while the page was open.
  void on_activate() override;
  bool can_refresh() const override { return true; }
  void refresh() override;
  void save_as() override;

  // The document's own modified flag.
  bool is_modified() const { return modified_; }
  void set_modified(bool modified) { modified_ = modified; }

 private:
  QPointer<CSorviHtmlView> html_view_;
  bool modified_ = false;
};

}  // namespace sorvi
