// Wiring of the list views and the HTML view on a generated module, through
// the real widgets: choosing a result-list row, the violation list's rows
// (the same as batch mode writes), its jump to a source line, its help, its
// stored font and the layout the user drags, the columns at the lists' real
// widths, the procedure-code bars after a listing, and the HTML view's
// navigation.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSplitter>
#include <cstdio>

#include "annotate/document_reports.h"
#include "app/list_view_rules.h"
#include "gui/annotate/sorvi_ref_doc.h"
#include "gui/app/child_frames.h"
#include "gui/app/list_child_frame.h"
#include "gui/views/sorvi_edit_view.h"
#include "gui/views/sorvi_html_doc.h"
#include "gui/views/sorvi_html_view.h"
#include "gui/views/sorvi_list_view.h"
#include "gui/views/sorvi_rlist_doc.h"
#include "gui/views/violation_list_view.h"
#include "help/help_links.h"
#include "standards/violation_rows.h"
#include "window_fixture.h"

namespace {

using sorvi::BarControl;
using sorvi_gui_test::process_events;
using sorvi_test::read_file;
using sorvi_test::write_file;

// A left-button drag on a widget from one of its points by (dx, dy), as the
// mouse gives it.
void drag(QWidget* widget, QPoint from, int dx, int dy) {
  const QPoint to = from + QPoint(dx, dy);
  const std::pair<QEvent::Type, QPoint> steps[] = {
      {QEvent::MouseButtonPress, from}, {QEvent::MouseMove, (from + to) / 2}, {QEvent::MouseMove, to},
      {QEvent::MouseButtonRelease, to}};
  for (const auto& [type, at] : steps) {
    QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
  }
  process_events();
}

// The list's share of its splitter's height.
double list_share(const QSplitter* splitter) {
  const QList<int> sizes = splitter->sizes();
  return static_cast<double>(sizes[1]) / (sizes[0] + sizes[1]);
}

class ListsTest : public sorvi_gui_test::WindowTest {
 protected:
  sorvi::CSorviRefDoc* open_violations() {
    auto* doc = qobject_cast<sorvi::CSorviRefDoc*>(open(work_ + "demo_1.sf1"));
    if (doc) list_ = qobject_cast<sorvi::CMSVCSrcChildFrame*>(doc->frame())->violation_list();
    return doc;
  }
  sorvi::CSorviHtmlView* active_page() {
    auto* html = qobject_cast<sorvi::CSorviHtmlDoc*>(frame()->active_document());
    return html ? html->html_view() : nullptr;
  }
  // Each column of a list has its width (`expected` of the column and the
  // list's width) as the list shows and after the window narrows.
  void expect_columns_follow_the_width(QTreeView* list, const std::function<int(int, int)>& expected) {
    for (const char* when : {"shown", "narrower"}) {
      if (*when == 'n') frame()->resize(frame()->width() - 150, frame()->height());
      process_events();
      const int width = list->viewport()->width();
      EXPECT_GT(width, 300) << when;
      for (int c = 0; c < list->header()->count(); ++c) {
        EXPECT_EQ(list->columnWidth(c), expected(c, width)) << when << " column " << c;
      }
    }
  }
  sorvi::CViolationListView* list_ = nullptr;
};

TEST_F(ListsTest, ChoosingAResultRowShowsItsTestCase) {
  start();
  auto* doc = qobject_cast<sorvi::CSorviRListDoc*>(open(set_.tci_path));
  ASSERT_TRUE(doc);
  sorvi::CSorviListView* rows = qobject_cast<sorvi::CListChildFrame*>(doc->frame())->list_view();
  ASSERT_EQ(rows->topLevelItemCount(), 3);
  EXPECT_EQ(rows->cell_text(1, 1), set_.test_cases[1].name);
  expect_columns_follow_the_width(rows, [rows](int, int width) { return width / rows->columnCount(); });
  rows->topLevelItem(1)->setSelected(true);
  process_events();
  EXPECT_EQ(doc->view()->line_text(doc->view()->caret_line() - 1).toStdString(),
            "*  Test Case 2 : " + set_.test_cases[1].name);
}

TEST_F(ListsTest, ViolationListShowsTheBatchRowsJumpsToTheSourceOpensHelpAndKeepsItsFont) {
  start();
  sorvi::CSorviRefDoc* doc = open_violations();
  ASSERT_TRUE(doc && list_);
  // The columns take their parts of the width the list really has.
  expect_columns_follow_the_width(list_, [](int c, int width) {
    return static_cast<int>(sorvi::kViolationListColumns[c].width_factor * width);
  });

  // The user drags the edge of "Standards Violation" and the splitter
  // handle; the next list takes both.
  QHeaderView* header = list_->header();
  const int edge = header->sectionViewportPosition(3) + header->sectionSize(3) - 1;
  const int widened = list_->columnWidth(3) + 60;
  drag(header->viewport(), QPoint(edge, header->height() / 2), 60, 0);
  ASSERT_EQ(list_->columnWidth(3), widened);
  auto* splitter = qobject_cast<sorvi::CMSVCSrcChildFrame*>(doc->frame())->splitter();
  QWidget* handle = splitter->handle(1);
  drag(handle, handle->rect().center(), 0, -120);
  const double share = list_share(splitter);
  ASSERT_GT(share, 0.2);
  const int dragged_at = list_->viewport()->width();

  // The same rows, in the same order, with the same images, as batch mode writes.
  const std::string batch = dir_.file("rows.vsrc.rtf");
  ASSERT_TRUE(sorvi::write_violation_rows_file(*doc->context(), batch));
  std::string rows;
  int row = -1;  // the first row of a source line beyond 30
  for (int r = 0; r < list_->topLevelItemCount(); ++r) {
    sorvi::ViolationRow cells{list_->row_image(r), {}};
    for (int c = 0; c < 6; ++c) cells.cells[c] = list_->cell_text(r, c);
    rows += sorvi::violation_row_line(r, cells);
    if (row < 0 && std::stoi(cells.cells[4]) > 30) row = r;
  }
  EXPECT_EQ(rows, read_file(batch));
  ASSERT_GE(row, 0);

  // A double click, as the mouse gives it, puts the caret on the row's source line.
  list_->scrollToItem(list_->topLevelItem(row));
  const QPoint at = list_->visualItemRect(list_->topLevelItem(row)).center();
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                            QEvent::MouseButtonRelease}) {
    QMouseEvent event(type, at, list_->viewport()->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list_->viewport(), &event);
  }
  process_events();
  const QStringList source = QString::fromStdString(read_file(set_.modules[0].source_path)).split('\n');
  sorvi::CSorviEditView* text = doc->view();
  EXPECT_EQ(text->line_text(text->caret_line() - 1), source[std::stoi(list_->cell_text(row, 4)) - 1]);
  EXPECT_TRUE(messages_.empty());

  // Violation Help on the last row opens the standards page far down, at
  // the standard's heading.
  const int last = list_->topLevelItemCount() - 1;
  char letter = 0;
  int number = 0;
  ASSERT_TRUE(sorvi::parse_violation_identifier(list_->cell_text(last, 1), &letter, &number));
  QMenu* menu = list_->create_context_menu(last);
  ASSERT_EQ(menu->actions().size(), 1);
  menu->actions().front()->trigger();
  delete menu;
  process_events();
  sorvi::CSorviHtmlView* page = active_page();
  ASSERT_TRUE(page);
  EXPECT_EQ(page->source().toLocalFile().toStdString(), set_.suite_dir + "standards_info/html/standards.htm");
  EXPECT_EQ(page->source().fragment().toStdString(),
            "standard_" + std::string(1, static_cast<char>(std::tolower(letter))) + std::to_string(number));
  const QTextCursor heading = page->document()->find(QString::asprintf("%d %c: ", number, letter));
  ASSERT_FALSE(heading.isNull());
  EXPECT_GT(page->verticalScrollBar()->value(), 0);
  if (page->verticalScrollBar()->value() < page->verticalScrollBar()->maximum()) {
    EXPECT_LT(page->cursorRect(heading).top(), page->viewport()->height() / 4);
  }

  // A chosen font and colour are stored and a second list takes them.
  ASSERT_EQ(list_->logicalDpiY(), 96);
  QFont chosen = list_->font();
  chosen.setPointSizeF(15);
  chosen.setItalic(true);
  ASSERT_TRUE(list_->take_chosen_font(chosen, QColor(10, 20, 30)));
  // 15 points at 96 dots an inch are 20 pixels; the colour packs red low.
  const std::string settings = read_file(dir_.path() + "/config/Vexa/Sorvi.ini");
  EXPECT_NE(settings.find("[Violation View Font]\nHeight=-20\n"), std::string::npos) << settings;
  EXPECT_NE(settings.find("[Violation View Text Colour]\nColour=1971210\n"), std::string::npos);
  sorvi::CViolationListView* first = list_;
  sorvi::CSorviRefDoc* second = open_violations();
  ASSERT_TRUE(second && list_ != first);
  EXPECT_TRUE(list_->font().italic());
  EXPECT_NEAR(list_->font().pointSizeF(), 15, 0.5);
  EXPECT_EQ(list_->text_colour(), QColor(10, 20, 30));
  const int width = list_->viewport()->width();
  EXPECT_EQ(list_->columnWidth(3), widened * width / dragged_at);
  EXPECT_EQ(list_->columnWidth(1), static_cast<int>(sorvi::kViolationListColumns[1].width_factor * width));
  EXPECT_NEAR(list_share(qobject_cast<sorvi::CMSVCSrcChildFrame*>(second->frame())->splitter()), share, 0.01);
}

TEST_F(ListsTest, ProcedureCodeAfterAListingShowsItsBoxesAndFollowsItsWorkFiles) {
  make_set();
  // The data-flow file comes only after the procedure is shown (and is not
  // in a repository).
  const std::string sf3 = work_ + "demo_1.sf3";
  ASSERT_EQ(std::rename(sf3.c_str(), (sf3 + ".later").c_str()), 0);
  ASSERT_EQ(std::remove((work_ + "demo_1.glh").c_str()), 0);
  start();
  ASSERT_TRUE(open(work_ + "demo_1.sif"));
  ASSERT_FALSE(frame()->view_bars()->control_shown(BarControl::Dataflow));
  ASSERT_TRUE(open(work_ + "demo_1.xtx"));
  for (BarControl c : {BarControl::Code, BarControl::Coverage, BarControl::Violations, BarControl::Dataflow,
                       BarControl::AllAnnotations}) {
    EXPECT_TRUE(frame()->view_bars()->control_shown(c)) << static_cast<int>(c);
  }
  EXPECT_FALSE(control(BarControl::Dataflow)->isEnabled());
  ASSERT_EQ(std::rename((sf3 + ".later").c_str(), sf3.c_str()), 0);
  app_->documents()->refresh_bars();
  EXPECT_TRUE(control(BarControl::Dataflow)->isEnabled());
}

TEST_F(ListsTest, PageNavigationSaysBusyAndGoesBackAndForward) {
  start();
  const std::string first = set_.suite_dir + "standards_info/html/standards.htm";
  const std::string second = set_.suite_dir + "Standards_and_MISRA_info/Standard/standard.html";
  ASSERT_TRUE(open(first));
  sorvi::CSorviHtmlView* page = active_page();
  ASSERT_TRUE(page);
  QStringList panes;
  QObject::connect(page, &sorvi::CSorviHtmlView::navigation_started, page,
                   [&] { panes << frame()->line_pane_text(); });
  EXPECT_FALSE(page->command("Back")->isEnabled());
  std::string shown;
  page->navigate(QUrl::fromLocalFile(QString::fromStdString(second)).toString());
  for (const char* command : {"", "Back", "Forward"}) {
    if (*command) page->command(command)->trigger();
    shown += page->source().toLocalFile().toStdString() + " ";
  }
  EXPECT_EQ(shown, second + " " + first + " " + second + " ");
  EXPECT_EQ(panes, QStringList({"BUSY", "BUSY", "BUSY"}));
  EXPECT_EQ(frame()->line_pane_text(), "");
}

}  // namespace
