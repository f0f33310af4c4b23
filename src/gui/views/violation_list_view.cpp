#include "gui/views/violation_list_view.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>

#include "annotate/ref_view_texts.h"
#include "app/list_view_rules.h"
#include "base/message_box.h"
#include "config/profile.h"
#include "config/startup_options.h"
#include "gui/annotate/sorvi_ref_doc.h"
#include "gui/annotate/sorvi_ref_view.h"
#include "help/help_links.h"
#include "standards/violation_rows.h"

namespace sorvi {
namespace {

constexpr int kRowKinds = 8;

// The colour of a row kind's category: plain, mandatory, optional, checking.
QColor category_colour(int kind) {
  switch (kind % 4) {
    case 1:
      return QColor(220, 0, 0);
    case 2:
      return QColor(230, 160, 0);
    case 3:
      return QColor(0, 90, 220);
    default:
      return QColor(64, 64, 64);
  }
}

}  // namespace

CViolationListView::CViolationListView(CSorviRefDoc* document, QWidget* parent)
    : CVexaListView("Violation", kRowKinds, parent), document_(document) {
  setObjectName(QStringLiteral("violation_list"));
  connect(this, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item, int) { go_to_row(indexOfTopLevelItem(item)); });
}

void CViolationListView::draw_images() {
  // Procedure violations are squares, line violations discs, each in the
  // colour of its category, on the mask colour.
  for (int kind = 0; kind < kRowKinds; ++kind) {
    QPixmap pixmap(QSize(16, 16) * devicePixelRatioF());
    pixmap.setDevicePixelRatio(devicePixelRatioF());
    pixmap.fill(mask_colour());
    QPainter painter(&pixmap);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(category_colour(kind));
    if (kind < 4) {
      painter.drawRect(2, 2, 11, 11);
    } else {
      painter.drawEllipse(2, 2, 11, 11);
    }
    painter.end();
    set_image(kind, pixmap);
  }
}

void CViolationListView::initial_update() {
  CVexaListView::initial_update();
  draw_images();
  set_up_columns(kViolationListColumns, kViolationListColumnCount);
  headerItem()->setTextAlignment(kViolationIdentifierColumn, Qt::AlignRight | Qt::AlignVCenter);
  const AnnotationContext* c = document_ ? document_->context() : nullptr;
  if (!c) return;
  const std::vector<ViolationRow> rows =
      build_violation_rows(c->lineViolations, c->procedureViolations, count_source_lines(c->sourcePath),
                           c->blocksLoaded ? &c->procedures : nullptr, c->language);
  for (const ViolationRow& row : rows) {
    QTreeWidgetItem* item = insert_item(std::vector<std::string>(std::begin(row.cells), std::end(row.cells)), row.icon);
    item->setTextAlignment(kViolationIdentifierColumn, Qt::AlignRight | Qt::AlignVCenter);
  }
}

bool CViolationListView::save_edits() { return save_edits_ ? save_edits_() : document_->save_modified(); }

void CViolationListView::go_to_row(int row) {
  if (!document_ || row < 0 || row >= topLevelItemCount()) return;
  const int line = violation_row_source_line(cell_text(row, kViolationSourceLineColumn));
  CSorviEditView* text = document_->view();
  if (text && text->is_modified()) {
    // The text is made again to show the line: the edits are saved first,
    // or given up; a cancel leaves the text as it is.
    if (!save_edits()) return;
    if (!text->is_modified() && take_violation_edit_warning()) message_box(kViolationsMayNotMatch);
  }
  // The line becomes the start line the text is shown at.
  StartupOptions& o = startup_options();
  o.Start = line;
  o.End = 0;
  document_->update_all_views();
}

std::string CViolationListView::violation_help_path(int row) const {
  char letter = 0;
  int number = 0;
  if (!parse_violation_identifier(cell_text(row, kViolationIdentifierColumn), &letter, &number)) return std::string();
  const char* path = suite_file_path(standards_help_link(letter, number).c_str());
  return path ? std::string(path) : std::string();
}

void CViolationListView::violation_help(int row) {
  const std::string path = violation_help_path(row);
  if (!path.empty()) emit open_document_requested(path);
}

QMenu* CViolationListView::create_context_menu(int row) {
  auto* menu = new QMenu(this);
  QAction* help = menu->addAction(tr("&Violation Help"));
  connect(help, &QAction::triggered, this, [this, row] { violation_help(row); });
  return menu;
}

void CViolationListView::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
    go_to_row(indexOfTopLevelItem(currentItem()));
    return;
  }
  CVexaListView::keyPressEvent(event);
}

void CViolationListView::contextMenuEvent(QContextMenuEvent* event) {
  QTreeWidgetItem* item = itemAt(viewport()->mapFromGlobal(event->globalPos()));
  if (!item) return;
  setCurrentItem(item);
  QMenu* menu = create_context_menu(indexOfTopLevelItem(item));
  menu->exec(event->globalPos());
  delete menu;
}

}  // namespace sorvi
