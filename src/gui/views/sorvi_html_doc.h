// CSorviHtmlDoc: an HTML page (".htm", ".html", ".mht") shown in a
// CSorviHtmlView. The document holds its path and nothing more; the view
// goes to the page, with the anchor that came with the file name.
//
// A ".mht" page is a web archive: a MIME message whose parts are the page
// and what it shows inline (images, style sheets), each in a transfer
// encoding (base64, quoted-printable) and named by a Content-Location or a
// Content-ID that the page refers to ("cid:").
#pragma once

#include <QByteArray>
#include <QPointer>
#include <vector>

#include "gui/app/document.h"

class QUrl;
class QWidget;

namespace sorvi {

class CSorviHtmlView;

struct MhtPart {
  QByteArray content_type;  // lower case, without parameters ("image/png")
  QByteArray charset;       // the text's character set, when given
  QByteArray location;      // Content-Location
  QByteArray content_id;    // Content-ID without its angle brackets
  QByteArray body;          // decoded
};

struct MhtArchive {
  std::vector<MhtPart> parts;
  // The HTML page: the first text/html part (none when there is none).
  const MhtPart* page() const;
  // The part a reference of the page names: "cid:" with a Content-ID, a
  // Content-Location as written or relative to the page's, or, failing
  // those, the last segment of a location.
  const MhtPart* find(const QUrl& reference) const;
};

// Reads a web archive's parts (nested multipart parts included); a file
// that is no MIME message gives no parts.
MhtArchive read_mht_archive(const QByteArray& bytes);

class CSorviHtmlDoc : public CSorviDocument {
  Q_OBJECT
 public:
  explicit CSorviHtmlDoc(QObject* parent = nullptr);

  // A page that does not exist is refused; any other is left to the view.
  bool open_document(const std::string& path) override;
  // No text view: the page is in the HTML view.
  CSorviEditView* create_view() override { return nullptr; }
  // Makes the HTML view (once), for the frame.
  QWidget* create_html_widget();
  CSorviHtmlView* html_view() const { return html_view_; }
  void initial_update() override;

  // Activation hides the annotation bars and shows an anchor asked for
  // while the page was open.
  void on_activate() override;
  bool can_refresh() const override { return true; }
  void refresh() override;
  void save_as() override;

 private:
  QPointer<CSorviHtmlView> html_view_;
};

}  // namespace sorvi
