#include "gui/views/sorvi_html_doc.h"

#include <QUrl>
#include <algorithm>
#include <cctype>
#include <utility>

#include "base/file_utils.h"
#include "gui/views/sorvi_html_view.h"

namespace sorvi {
namespace {

// A MIME entity: its header fields (unfolded, names in lower case) and its
// body.
struct Entity {
  std::vector<std::pair<QByteArray, QByteArray>> fields;
  QByteArray body;

  QByteArray field(const char* name) const {
    for (const auto& [key, value] : fields) {
      if (key == name) return value;
    }
    return QByteArray();
  }
};

Entity split_entity(const QByteArray& bytes) {
  Entity entity;
  QByteArray current;
  auto flush = [&] {
    const int colon = static_cast<int>(current.indexOf(':'));
    if (colon > 0) {
      entity.fields.emplace_back(current.left(colon).trimmed().toLower(), current.mid(colon + 1).trimmed());
    }
    current.clear();
  };
  qsizetype at = 0;
  while (at < bytes.size()) {
    qsizetype end = bytes.indexOf('\n', at);
    if (end < 0) end = bytes.size();
    QByteArray line = bytes.mid(at, end - at);
    if (line.endsWith('\r')) line.chop(1);
    at = end + 1;
    if (line.isEmpty()) {
      // The blank line ends the header.
      flush();
      entity.body = bytes.mid(std::min(at, bytes.size()));
      return entity;
    }
    if (line[0] == ' ' || line[0] == '\t') {
      current += ' ' + line.trimmed();
    } else {
      flush();
      current = line;
    }
  }
  flush();
  return entity;
}

// The media type of a Content-Type value, in lower case.
QByteArray media_type(const QByteArray& value) {
  const qsizetype semicolon = value.indexOf(';');
  return (semicolon < 0 ? value : value.left(semicolon)).trimmed().toLower();
}

// A parameter of a header value ("boundary", "charset"), unquoted.
QByteArray parameter(const QByteArray& value, const QByteArray& name) {
  for (const QByteArray& item : value.split(';')) {
    const qsizetype equals = item.indexOf('=');
    if (equals < 0 || item.left(equals).trimmed().toLower() != name) continue;
    QByteArray v = item.mid(equals + 1).trimmed();
    if (v.size() >= 2 && v.startsWith('"') && v.endsWith('"')) v = v.mid(1, v.size() - 2);
    return v;
  }
  return QByteArray();
}

QByteArray decode_quoted_printable(const QByteArray& in) {
  QByteArray out;
  out.reserve(in.size());
  auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
  for (qsizetype i = 0; i < in.size(); ++i) {
    const char c = in[i];
    if (c != '=') {
      out += c;
    } else if (i + 1 < in.size() && in[i + 1] == '\n') {
      i += 1;  // a soft line break
    } else if (i + 2 < in.size() && in[i + 1] == '\r' && in[i + 2] == '\n') {
      i += 2;
    } else if (i + 2 < in.size() && hex(in[i + 1]) && hex(in[i + 2])) {
      out += QByteArray::fromHex(in.mid(i + 1, 2));
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

void read_entity(const QByteArray& bytes, std::vector<MhtPart>* parts, int depth) {
  const Entity entity = split_entity(bytes);
  if (entity.fields.empty()) return;
  const QByteArray type_field = entity.field("content-type");
  const QByteArray type = media_type(type_field);
  if (type.startsWith("multipart/")) {
    const QByteArray boundary = parameter(type_field, "boundary");
    if (boundary.isEmpty() || depth > 8) return;
    // The parts lie between lines that begin with the delimiter; the line
    // break before a delimiter belongs to it.
    const QByteArray delimiter = "--" + boundary;
    const QByteArray& body = entity.body;
    qsizetype at = body.startsWith(delimiter) ? 0 : body.indexOf("\n" + delimiter);
    if (at > 0) ++at;
    while (at >= 0) {
      qsizetype start = at + delimiter.size();
      if (body.mid(start, 2) == "--") break;  // the closing delimiter
      start = body.indexOf('\n', start);
      if (start < 0) break;
      ++start;
      const qsizetype next = body.indexOf("\n" + delimiter, start);
      QByteArray part = body.mid(start, (next < 0 ? body.size() : next) - start);
      if (part.endsWith('\r')) part.chop(1);
      read_entity(part, parts, depth + 1);
      at = next < 0 ? -1 : next + 1;
    }
    return;
  }
  MhtPart part;
  part.content_type = type.isEmpty() ? QByteArray("text/plain") : type;
  part.charset = parameter(type_field, "charset");
  part.location = entity.field("content-location");
  part.content_id = entity.field("content-id");
  if (part.content_id.startsWith('<') && part.content_id.endsWith('>')) {
    part.content_id = part.content_id.mid(1, part.content_id.size() - 2);
  }
  const QByteArray encoding = entity.field("content-transfer-encoding").toLower();
  if (encoding == "base64") {
    part.body = QByteArray::fromBase64(entity.body);
  } else if (encoding == "quoted-printable") {
    part.body = decode_quoted_printable(entity.body);
  } else {
    part.body = entity.body;
  }
  parts->push_back(std::move(part));
}

}  // namespace

MhtArchive read_mht_archive(const QByteArray& bytes) {
  MhtArchive archive;
  read_entity(bytes, &archive.parts, 0);
  return archive;
}

const MhtPart* MhtArchive::page() const {
  for (const MhtPart& part : parts) {
    if (part.content_type == "text/html") return &part;
  }
  return nullptr;
}

const MhtPart* MhtArchive::find(const QUrl& reference) const {
  if (reference.scheme().compare(QLatin1String("cid"), Qt::CaseInsensitive) == 0) {
    const QByteArray id = reference.path().toUtf8();
    for (const MhtPart& part : parts) {
      if (part.content_id == id) return &part;
    }
    return nullptr;
  }
  const MhtPart* html = page();
  const QUrl base = html ? QUrl(QString::fromUtf8(html->location)) : QUrl();
  const QString resolved = base.isEmpty() ? reference.toString() : base.resolved(reference).toString();
  for (const MhtPart& part : parts) {
    const QString location = QUrl(QString::fromUtf8(part.location)).toString();
    if (!location.isEmpty() && (location == reference.toString() || location == resolved)) return &part;
  }
  const QString name = reference.fileName();
  for (const MhtPart& part : parts) {
    if (!name.isEmpty() && QUrl(QString::fromUtf8(part.location)).fileName() == name) return &part;
  }
  return nullptr;
}

CSorviHtmlDoc::CSorviHtmlDoc(QObject* parent) : CSorviDocument(DocKind::Html, parent) {}

QWidget* CSorviHtmlDoc::create_html_widget() {
  if (!html_view_) html_view_ = new CSorviHtmlView(this);
  return html_view_;
}

bool CSorviHtmlDoc::open_document(const std::string& path) {
  if (!is_regular_file(path)) return false;
  set_path_name(path);
  set_title(QString::fromLocal8Bit(file_name_part(path).c_str()));
  return true;
}

void CSorviHtmlDoc::initial_update() {
  if (html_view_) html_view_->initial_update();
}

void CSorviHtmlDoc::on_activate() {
  CSorviDocument::on_activate();
  if (html_view_) html_view_->on_activated();
}

void CSorviHtmlDoc::refresh() {
  if (html_view_) html_view_->refresh();
}

void CSorviHtmlDoc::save_as() {
  if (html_view_) html_view_->save_as();
}

}  // namespace sorvi
