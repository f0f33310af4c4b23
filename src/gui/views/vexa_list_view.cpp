#include "gui/views/vexa_list_view.h"

#include <QBitmap>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/list_view_rules.h"
#include "config/settings_store.h"
#include "gui/views/display_text.h"
#include "gui/views/sorvi_edit_view.h"

namespace sorvi {
namespace {

// Where an item keeps its cells' bytes and its image number.
constexpr int kBytesRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;
constexpr int kImageSize = 16;

}  // namespace

CColumnLayout::CColumnLayout(QTreeView* list, const std::string& section)
    : QObject(list), list_(list), viewport_(list->viewport()), section_(section) {
  viewport_->installEventFilter(this);
  connect(list->header(), &QHeaderView::sectionResized, this,
          [this](int column, int, int width) { column_resized(column, width); });
}

void CColumnLayout::set_shares(std::vector<double> shares) {
  if (!section_.empty()) {
    std::vector<double> stored =
        layout_shares(settings_read_string(section_, kColumnLayoutEntry, std::string()), shares.size());
    if (!stored.empty()) shares = std::move(stored);
  }
  shares_ = std::move(shares);
  laid_out_width_ = -1;
  lay_out();
}

void CColumnLayout::lay_out() {
  const int width = list_->viewport()->width();
  if (width <= 0 || width == laid_out_width_) return;
  laid_out_width_ = width;
  laying_out_ = true;
  for (size_t c = 0; c < shares_.size(); ++c) list_->setColumnWidth(static_cast<int>(c), share_of_width(shares_[c], width));
  laying_out_ = false;
}

bool CColumnLayout::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize && watched == viewport_) lay_out();
  return QObject::eventFilter(watched, event);
}

void CColumnLayout::column_resized(int column, int width) {
  // Only the user's dragging changes a share.
  const int whole = list_->viewport()->width();
  if (laying_out_ || whole <= 0 || column < 0 || static_cast<size_t>(column) >= shares_.size()) return;
  shares_[static_cast<size_t>(column)] = static_cast<double>(width) / whole;
  if (section_.empty()) return;
  std::vector<int> widths;
  for (size_t c = 0; c < shares_.size(); ++c) widths.push_back(list_->columnWidth(static_cast<int>(c)));
  settings_write_string(section_, kColumnLayoutEntry, layout_text(whole, widths));
}

CVexaListView::CVexaListView(const std::string& name, int image_count, QWidget* parent)
    : QTreeWidget(parent), image_request_(image_count > 0 ? image_count : 0) {
  if (!name.empty()) {
    font_setting_ = name + " View Font";
    colour_setting_ = name + " View Text Colour";
  }
  // A report-style list: rows of cells under a heading, no tree.
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSortingEnabled(false);
  header()->setSectionsClickable(true);
  header()->setStretchLastSection(false);
  setColumnCount(0);
  connect(header(), &QHeaderView::sectionClicked, this, &CVexaListView::sort_by_column);
  layout_ = new CColumnLayout(this, name.empty() ? std::string() : list_layout_section(name));
}

void CVexaListView::set_up_columns(const ListColumnDescriptor* descriptors, int count) {
  const std::vector<ListColumn> columns = sort_table_.set_up(descriptors, count, viewport()->width());
  QStringList titles;
  std::vector<double> shares;
  for (const ListColumn& c : columns) {
    titles << QString::fromStdString(c.title);
    shares.push_back(c.share);
  }
  setColumnCount(static_cast<int>(columns.size()));
  setHeaderLabels(titles);
  for (const ListColumn& c : columns) headerItem()->setTextAlignment(c.position, Qt::AlignLeft | Qt::AlignVCenter);
  layout_->set_shares(std::move(shares));
}

QTreeWidgetItem* CVexaListView::insert_item(const std::vector<std::string>& cells, int image) {
  auto* item = new QTreeWidgetItem;
  const int columns = columnCount();
  for (int c = 0; c < columns && c < static_cast<int>(cells.size()); ++c) {
    const std::string& bytes = cells[static_cast<size_t>(c)];
    item->setText(c, to_display_text(bytes).text);
    item->setData(c, kBytesRole, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
  }
  item->setData(0, kImageRole, image);
  if (image >= 0 && image < image_count()) item->setIcon(0, images_[static_cast<size_t>(image)]);
  addTopLevelItem(item);
  return item;
}

std::string CVexaListView::cell_text(int row, int column) const {
  const QTreeWidgetItem* item = topLevelItem(row);
  if (!item) return std::string();
  const QByteArray bytes = item->data(column, kBytesRole).toByteArray();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

int CVexaListView::row_image(int row) const {
  const QTreeWidgetItem* item = topLevelItem(row);
  return item ? item->data(0, kImageRole).toInt() : -1;
}

void CVexaListView::sort_by_column(int column) {
  if (!sort_table_.has_slot(column)) return;
  const int rows = topLevelItemCount();
  std::vector<std::string> texts;
  texts.reserve(static_cast<size_t>(rows));
  for (int r = 0; r < rows; ++r) texts.push_back(cell_text(r, column));
  const std::vector<size_t> order = sort_table_.click(column, texts);
  if (order.size() != static_cast<size_t>(rows)) return;
  QTreeWidgetItem* current = currentItem();
  QList<QTreeWidgetItem*> items = invisibleRootItem()->takeChildren();
  QList<QTreeWidgetItem*> sorted;
  sorted.reserve(items.size());
  for (size_t i : order) sorted.append(items[static_cast<qsizetype>(i)]);
  addTopLevelItems(sorted);
  if (current) {
    setCurrentItem(current);
    scrollToItem(current);
  }
}

void CVexaListView::initial_update() {
  if (image_request_ > 0 && images_.empty()) images_.resize(static_cast<size_t>(image_request_));
  setIconSize(QSize(kImageSize, kImageSize));
  if (font_setting_.empty()) return;
  const std::optional<FontRecord> stored = read_view_font(font_setting_, record_of(font()));
  if (stored) {
    const QFont f = font_of_record(*stored);
    // A font that cannot be made leaves the old one.
    if (!f.family().isEmpty()) {
      setFont(f);
      own_font_ = true;
    }
  }
  const QColor current = text_colour();
  const PackedColour colour =
      read_view_colour(colour_setting_, pack_colour(current.red(), current.green(), current.blue()));
  set_text_colour(qcolor_of(colour));
}

void CVexaListView::set_image(int index, const QPixmap& pixmap) {
  if (index < 0 || index >= image_count()) return;
  // Kept at the pixmap's own resolution, so that it stays sharp on a
  // screen of more than one pixel a point.
  const qreal ratio = pixmap.devicePixelRatio();
  QPixmap image = pixmap.scaled(QSize(kImageSize, kImageSize) * ratio);
  image.setDevicePixelRatio(ratio);
  image.setMask(image.createMaskFromColor(mask_colour(), Qt::MaskInColor));
  images_[static_cast<size_t>(index)] = QIcon(image);
}

QIcon CVexaListView::image(int index) const {
  return index >= 0 && index < image_count() ? images_[static_cast<size_t>(index)] : QIcon();
}

QColor CVexaListView::text_colour() const { return palette().color(QPalette::Text); }

void CVexaListView::set_text_colour(const QColor& colour) {
  QPalette p = palette();
  p.setColor(QPalette::Text, colour);
  setPalette(p);
}

void CVexaListView::choose_font() {
  CListFontDialog dialog(font(), text_colour(), this);
  if (dialog.exec() == QDialog::Accepted) take_chosen_font(dialog.selected_font(), dialog.selected_colour());
}

bool CVexaListView::take_chosen_font(const QFont& chosen, const QColor& colour) {
  const FontRecord record = record_of(chosen);
  const QFont made = font_of_record(record);
  if (record.FaceName.empty() || record.Height == 0 || made.family().isEmpty()) {
    // No font of the view's own is kept.
    if (own_font_) setFont(QFont());
    own_font_ = false;
    return false;
  }
  setFont(made);
  own_font_ = true;
  set_text_colour(colour);
  if (!font_setting_.empty()) {
    write_view_font(font_setting_, record);
    write_view_colour(colour_setting_, pack_colour(colour.red(), colour.green(), colour.blue()));
  }
  return true;
}

FontRecord CVexaListView::record_of(const QFont& f) const {
  FontRecord r;
  const double points = f.pointSizeF() > 0 ? f.pointSizeF() : f.pixelSize() * 72.0 / logicalDpiY();
  r.Height = logical_font_height(points, logicalDpiY());
  r.Width = 0;
  r.Weight = f.weight();
  r.Italic = f.italic() ? 1 : 0;
  r.Underline = f.underline() ? 1 : 0;
  r.StrikeOut = f.strikeOut() ? 1 : 0;
  // Fixed pitch and modern family, or variable pitch and swiss family.
  r.PitchAndFamily = f.fixedPitch() ? 49 : 34;
  r.FaceName = f.family().toLocal8Bit().toStdString();
  return r;
}

QFont CVexaListView::font_of_record(const FontRecord& r) const {
  QFont f(QString::fromLocal8Bit(r.FaceName.c_str()));
  const double points = logical_font_points(r.Height, logicalDpiY());
  if (points > 0 && points < 1000) f.setPointSizeF(points);
  if (r.Weight > 0) f.setWeight(static_cast<QFont::Weight>(std::min(r.Weight, 1000)));
  f.setItalic(r.Italic != 0);
  f.setUnderline(r.Underline != 0);
  f.setStrikeOut(r.StrikeOut != 0);
  if ((r.PitchAndFamily & 3) == 1) {
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
  }
  return f;
}

CListFontDialog::CListFontDialog(const QFont& font, const QColor& colour, QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("Font"));
  fonts_ = new QFontDialog(font, this);
  // Shown inside this dialog, with the effects and without its own buttons.
  fonts_->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
  fonts_->setWindowFlags(Qt::Widget);
  colour_button_ = new QPushButton(tr("&Colour..."), this);
  connect(colour_button_, &QPushButton::clicked, this, [this] {
    const QColor chosen = QColorDialog::getColor(colour_, this, tr("Colour"));
    if (chosen.isValid()) set_colour(chosen);
  });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addWidget(colour_button_);
  row->addStretch();
  row->addWidget(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(fonts_);
  layout->addLayout(row);
  set_colour(colour);
}

QFont CListFontDialog::selected_font() const { return fonts_->currentFont(); }

void CListFontDialog::set_colour(const QColor& colour) {
  colour_ = colour;
  QPixmap swatch(16, 16);
  swatch.fill(colour);
  colour_button_->setIcon(QIcon(swatch));
}

}  // namespace sorvi
