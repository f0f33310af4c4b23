#include "gui/views/sorvi_list_view.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTextBlock>

#include "app/list_view_rules.h"
#include "config/profile.h"
#include "gui/views/display_text.h"
#include "gui/views/sorvi_edit_view.h"
#include "gui/views/sorvi_rlist_doc.h"
#include "gui/views/vexa_list_view.h"

namespace sorvi {
namespace {

constexpr int kBytesRole = Qt::UserRole;

}  // namespace

CSorviListView::CSorviListView(CSorviRListDoc* document, QWidget* parent)
    : QTreeWidget(parent), document_(document) {
  setObjectName(QStringLiteral("result_list"));
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  header()->setStretchLastSection(false);
  layout_ = new CColumnLayout(this, list_layout_section(kResultListViewName));
  connect(this, &QTreeWidget::itemSelectionChanged, this, [this] {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (!selected.isEmpty()) choose_row(indexOfTopLevelItem(selected.front()));
  });
}

void CSorviListView::initial_update() {
  ResultList& list = document_->list();
  const std::vector<ListColumn> columns = result_list_columns(list.titles, viewport()->width());
  QStringList titles;
  std::vector<double> shares;
  for (const ListColumn& c : columns) {
    titles << to_display_text(c.title).text;
    shares.push_back(c.share);
  }
  setColumnCount(static_cast<int>(columns.size()));
  setHeaderLabels(titles);
  layout_->set_shares(std::move(shares));

  const int selected = take_hilight_row(list.cells);
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(list.cells.size()));
  for (const std::vector<std::string>& row : list.cells) {
    auto* item = new QTreeWidgetItem;
    for (size_t c = 0; c < row.size() && c < columns.size(); ++c) {
      const std::string& bytes = row[c];
      item->setText(static_cast<int>(c), to_display_text(bytes).text);
      item->setData(static_cast<int>(c), kBytesRole, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    }
    items.append(item);
  }
  addTopLevelItems(items);
  const int rows = static_cast<int>(list.cells.size());
  // The list keeps its own copy of the rows.
  list.cells.clear();
  list.cells.shrink_to_fit();

  // The text cannot be changed unless "WRITE_SORVI".
  if (CSorviEditView* text = document_->view()) text->setReadOnly(!get_profile_bool("WRITE_SORVI", false, false));

  if (selected >= 0) {
    QTreeWidgetItem* item = topLevelItem(selected);
    setCurrentItem(item);
    item->setSelected(true);
    scroll_row_ = hilight_scroll_row(selected, rows);
    if (scroll_row_ >= 0) scrollToItem(topLevelItem(scroll_row_));
  }
}

void CSorviListView::resizeEvent(QResizeEvent* event) {
  QTreeWidget::resizeEvent(event);
  if (QTreeWidgetItem* item = scroll_row_ >= 0 ? topLevelItem(scroll_row_) : nullptr) scrollToItem(item);
}

void CSorviListView::mousePressEvent(QMouseEvent* event) {
  scroll_row_ = -1;
  QTreeWidget::mousePressEvent(event);
}

void CSorviListView::keyPressEvent(QKeyEvent* event) {
  scroll_row_ = -1;
  QTreeWidget::keyPressEvent(event);
}

void CSorviListView::wheelEvent(QWheelEvent* event) {
  scroll_row_ = -1;
  QTreeWidget::wheelEvent(event);
}

std::string CSorviListView::cell_text(int row, int column) const {
  const QTreeWidgetItem* item = topLevelItem(row);
  if (!item) return std::string();
  const QByteArray bytes = item->data(column, kBytesRole).toByteArray();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

bool CSorviListView::choose_row(int row) {
  CSorviEditView* text = document_->view();
  if (!text || row < 0 || row >= topLevelItemCount()) return false;
  // From the top of the text, with the caret at its start.
  text->scroll_to_line(0);
  text->set_selection(0, 0);
  const QString wanted = to_display_text(test_case_search_text(cell_text(row, 0))).text;
  uint64_t length = 0;
  const int64_t found = text->find_bytes(wanted, 0, text->store().size(), true, true, &length);
  if (found < 0) return false;
  text->set_selection(static_cast<uint64_t>(found), static_cast<uint64_t>(found));
  text->scroll_to_line(third_visible_line_top(text->caret_line_index()));
  return true;
}

}  // namespace sorvi
