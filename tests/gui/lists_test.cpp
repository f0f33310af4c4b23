// The list views on a generated module, driving the real widgets: the
// result list of a test sequence with its report, the violation list below
// a violations document (its rows, sorting, the jump to a source line and
// the help of a standard), and the HTML view of the standards pages.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPrinter>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <QTextBlock>
#include <QToolBar>
#include <fstream>
#include <sys/stat.h>
#include <utime.h>

#include "annotate/document_reports.h"
#include "app/list_view_rules.h"
#include "base/message_box.h"
#include "config/display_settings.h"
#include "config/profile.h"
#include "config/startup_options.h"
#include "gui/annotate/sorvi_ref_doc.h"
#include "gui/annotate/sorvi_ref_view.h"
#include "gui/app/child_frames.h"
#include "gui/app/document_manager.h"
#include "gui/app/list_child_frame.h"
#include "gui/app/main_frame.h"
#include "gui/app/sorvi_app.h"
#include "gui/app/view_bars.h"
#include "gui/views/find_dialog.h"
#include "gui/views/sorvi_edit_view.h"
#include "gui/views/sorvi_html_doc.h"
#include "gui/views/sorvi_html_view.h"
#include "gui/views/sorvi_list_view.h"
#include "gui/views/sorvi_rlist_doc.h"
#include "gui/views/violation_list_view.h"
#include "help/help_links.h"
#include "standards/violation_rows.h"
#include "samplegen/sample_set_writer.h"
#include "support/test_support.h"
#include "window_fixture.h"

namespace {

using sorvi::CSorviDocument;
using sorvi::DocKind;
using sorvi_test::read_file;
using sorvi_test::write_file;

using sorvi_gui_test::process_events;

// Lines of a text file, without their ends.
std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

// The first line a text view shows.
int first_visible_line(const QPlainTextEdit* text) { return text->cursorForPosition(QPoint(2, 2)).blockNumber(); }

// A double click on a list row, as the mouse gives it.
void double_click(QTreeWidget* list, QTreeWidgetItem* item) {
  list->scrollToItem(item);
  const QPoint at = list->visualItemRect(item).center();
  QWidget* target = list->viewport();
  QMouseEvent press(QEvent::MouseButtonPress, at, target->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, at, target->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QMouseEvent twice(QEvent::MouseButtonDblClick, at, target->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(target, &press);
  QApplication::sendEvent(target, &release);
  QApplication::sendEvent(target, &twice);
  QApplication::sendEvent(target, &release);
  process_events();
}

class ListsTest : public sorvi_gui_test::WindowTest {
 protected:
  // A result list of `rows` test cases numbered from 1 and its report, in
  // which test case `missing` (if any) does not appear.
  std::string write_result_list(int rows, int missing = 0, const std::string& date = "-10") {
    const std::string report = dir_.file("long_report.txt");
    std::string text = "Test report\n";
    for (int i = 1; i <= rows; ++i) {
      if (i == missing) continue;
      text += "\n*  Test Case " + std::to_string(i) + " : case " + std::to_string(i) + "\n   Result : PASS\n";
    }
    // Enough text after the last case for any case to reach the third line.
    for (int i = 0; i < 80; ++i) text += "\n";
    write_file(report, text);
    std::string list = report + "\n" + date + "\n" + std::to_string(rows) + "\n2\nTest Case\nName\n";
    for (int i = 1; i <= rows; ++i) list += std::to_string(i) + "\ncase " + std::to_string(i) + "\n";
    const std::string path = dir_.file("long.tci");
    write_file(path, list);
    return path;
  }

  sorvi::CSorviRefDoc* open_violations() {
    auto* doc = qobject_cast<sorvi::CSorviRefDoc*>(open(work_ + "demo_1.sf1"));
    if (doc) list_ = qobject_cast<sorvi::CMSVCSrcChildFrame*>(doc->frame())->violation_list();
    return doc;
  }

  // A row's cells and image as the batch line of its row number.
  std::string row_line(int row) const {
    sorvi::ViolationRow r;
    r.icon = list_->row_image(row);
    for (int c = 0; c < 6; ++c) r.cells[c] = list_->cell_text(row, c);
    return sorvi::violation_row_line(row, r);
  }

  sorvi::CSorviHtmlView* active_page() {
    auto* html = qobject_cast<sorvi::CSorviHtmlDoc*>(frame()->active_document());
    return html ? html->html_view() : nullptr;
  }

  // Where the heading of a standard ("<number> <letter>: ...") stands in
  // the page's window (-1 when the page does not have it).
  static int heading_y(const QTextEdit* page, int number, char letter) {
    const QTextCursor at = page->document()->find(QString::asprintf("%d %c: ", number, letter));
    return at.isNull() ? -1 : page->cursorRect(at).top();
  }

  sorvi::CViolationListView* list_ = nullptr;
};

// ---- result lists ----

TEST_F(ListsTest, ResultListShowsItsTableBelowTheReport) {
  start();
  auto* doc = qobject_cast<sorvi::CSorviRListDoc*>(open(set_.tci_path));
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->kind(), DocKind::TestCaseIndex);
  EXPECT_EQ(doc->path_name(), set_.tci_path);
  EXPECT_EQ(doc->title(), "nightly_report.txt");
  EXPECT_EQ(frame()->windowTitle(), "Vexa Sorvi - nightly_report.txt");
  EXPECT_EQ(frame()->menu_resource(), 134);
  EXPECT_EQ(doc->view()->text_bytes(), read_file(set_.report_path));
  EXPECT_TRUE(doc->view()->isReadOnly());

  auto* child = qobject_cast<sorvi::CListChildFrame*>(doc->frame());
  ASSERT_TRUE(child);
  ASSERT_EQ(child->splitter()->count(), 2);
  EXPECT_EQ(child->splitter()->widget(0), doc->view());
  EXPECT_EQ(child->splitter()->widget(1), child->list_view());
  const QList<int> sizes = child->splitter()->sizes();
  EXPECT_GT(sizes[0], 5 * sizes[1]);
  EXPECT_EQ(child->list_view()->minimumHeight(), 50);

  sorvi::CSorviListView* list = child->list_view();
  ASSERT_EQ(list->columnCount(), 5);
  EXPECT_EQ(list->headerItem()->text(0), "Test Case");
  EXPECT_EQ(list->headerItem()->text(4), "Branches %");
  ASSERT_EQ(list->topLevelItemCount(), 3);
  for (int r = 0; r < 3; ++r) {
    EXPECT_EQ(list->cell_text(r, 0), std::to_string(set_.test_cases[r].number));
    EXPECT_EQ(list->cell_text(r, 1), set_.test_cases[r].name);
    EXPECT_EQ(list->cell_text(r, 2), set_.test_cases[r].result);
  }
  // The rows went to the list.
  EXPECT_TRUE(doc->list().cells.empty());
  // Columns share the width.
  EXPECT_NEAR(list->columnWidth(0), list->columnWidth(4), 1);
  EXPECT_TRUE(list->selectedItems().isEmpty());
  EXPECT_TRUE(messages_.empty());

  // Opening it again activates it.
  EXPECT_EQ(open(set_.tci_path), doc);
}

TEST_F(ListsTest, ChoosingARowShowsItsTestCaseAsTheThirdLine) {
  start();
  auto* doc = qobject_cast<sorvi::CSorviRListDoc*>(open(set_.tci_path));
  ASSERT_TRUE(doc);
  sorvi::CSorviListView* list = qobject_cast<sorvi::CListChildFrame*>(doc->frame())->list_view();
  sorvi::CSorviEditView* text = doc->view();
  list->topLevelItem(1)->setSelected(true);
  process_events();
  const QTextCursor caret = text->textCursor();
  EXPECT_EQ(caret.block().text(), QString::fromStdString("*  Test Case 2 : " + set_.test_cases[1].name));
  EXPECT_EQ(caret.positionInBlock(), 0);
  // The report is shorter than the view: it cannot scroll.
  EXPECT_EQ(first_visible_line(text), 0);

  // In a longer report the case becomes the third visible line.
  const std::string path = write_result_list(40);
  auto* longer = qobject_cast<sorvi::CSorviRListDoc*>(open(path));
  ASSERT_TRUE(longer);
  sorvi::CSorviListView* rows = qobject_cast<sorvi::CListChildFrame*>(longer->frame())->list_view();
  rows->topLevelItem(19)->setSelected(true);
  process_events();
  text = longer->view();
  EXPECT_EQ(text->textCursor().block().text(), "*  Test Case 20 : case 20");
  EXPECT_EQ(text->textCursor().positionInBlock(), 0);
  EXPECT_EQ(first_visible_line(text), text->textCursor().blockNumber() - 2);
}

TEST_F(ListsTest, HilightSelectsItsRowAndScrollsToTheNext) {
  const std::string path = write_result_list(40);
  start({"Hilight=30"});
  auto* doc = qobject_cast<sorvi::CSorviRListDoc*>(open(path));
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->title(), "long_report.txt");
  sorvi::CSorviListView* list = qobject_cast<sorvi::CListChildFrame*>(doc->frame())->list_view();
  ASSERT_EQ(list->topLevelItemCount(), 40);
  const QList<QTreeWidgetItem*> selected = list->selectedItems();
  ASSERT_EQ(selected.size(), 1);
  EXPECT_EQ(list->indexOfTopLevelItem(selected.front()), 29);
  EXPECT_EQ(sorvi::startup_options().Hilight, 0);
  // Row 31 is in view.
  const QRect next = list->visualItemRect(list->topLevelItem(30));
  EXPECT_GE(next.top(), 0);
  EXPECT_LE(next.bottom(), list->viewport()->height()) << next.y() << " " << list->viewport()->height();
  // The report shows test case 30.
  sorvi::CSorviEditView* text = doc->view();
  EXPECT_EQ(text->textCursor().block().text(), "*  Test Case 30 : case 30");
  EXPECT_EQ(first_visible_line(text), text->textCursor().blockNumber() - 2);

  // Another list of the run selects nothing: Hilight= has been used.
  write_file(dir_.file("again.tci"), dir_.file("long_report.txt") + "\n-10\n1\n1\nCase\n30\n");
  auto* again = qobject_cast<sorvi::CSorviRListDoc*>(open(dir_.file("again.tci")));
  ASSERT_TRUE(again);
  EXPECT_TRUE(qobject_cast<sorvi::CListChildFrame*>(again->frame())->list_view()->selectedItems().isEmpty());
}

TEST_F(ListsTest, ATestCaseMissingFromTheReportLeavesTheTextAtItsTop) {
  const std::string path = write_result_list(40, 35);
  start();
  auto* doc = qobject_cast<sorvi::CSorviRListDoc*>(open(path));
  ASSERT_TRUE(doc);
  sorvi::CSorviListView* list = qobject_cast<sorvi::CListChildFrame*>(doc->frame())->list_view();
  EXPECT_TRUE(list->choose_row(30));
  EXPECT_GT(doc->view()->verticalScrollBar()->value(), 0);
  EXPECT_FALSE(list->choose_row(34));
  EXPECT_EQ(doc->view()->verticalScrollBar()->value(), 0);
  EXPECT_EQ(doc->view()->textCursor().position(), 0);
}

TEST_F(ListsTest, ChangedReportsAndDamagedListsAreRefused) {
  make_set();
  const std::string changed = write_result_list(3, 0, "12345");
  write_file(dir_.file("short.thi"), dir_.file("long_report.txt") + "\n-10\n2\n2\nA\nB\n1\nx\n2\n");
  write_file(dir_.file("empty.tci"), dir_.file("long_report.txt") + "\n-10\n0\n2\nA\nB\n");
  write_file(dir_.file("nodoc.tci"), "\n-10\n1\n1\nA\n1\n");
  start();
  for (const std::string& path : {changed, dir_.file("short.thi"), dir_.file("empty.tci"), dir_.file("nodoc.tci")}) {
    messages_.clear();
    EXPECT_EQ(open(path), nullptr) << path;
    EXPECT_EQ(messages_, (std::vector<std::string>{"Unable to open document\n" + path}));
  }
  EXPECT_TRUE(app_->documents()->documents().empty());
  // A harness index of the right shape opens as its kind.
  write_file(dir_.file("good.thi"), dir_.file("long_report.txt") + "\n-10\n1\n2\nA\nB\n1\nx\n");
  CSorviDocument* good = open(dir_.file("good.thi"));
  ASSERT_TRUE(good);
  EXPECT_EQ(good->kind(), DocKind::HarnessIndex);
  EXPECT_EQ(frame()->menu_resource(), 133);
}

TEST_F(ListsTest, TextCommandsReachTheReportWhileTheListHasTheFocus) {
  set_profile("", "WRITE_SORVI=TRUE");
  start();
  auto* doc = qobject_cast<sorvi::CSorviRListDoc*>(open(set_.tci_path));
  ASSERT_TRUE(doc);
  EXPECT_FALSE(doc->view()->isReadOnly());
  sorvi::CSorviListView* list = qobject_cast<sorvi::CListChildFrame*>(doc->frame())->list_view();
  list->setFocus();
  doc->view()->selectAll();
  frame()->command_action("Copy")->trigger();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString().substr(0, 20), read_file(set_.report_path).substr(0, 20));
  frame()->command_action("Find")->trigger();
  ASSERT_TRUE(doc->view()->find_dialog());
  doc->view()->find_dialog()->close();
}

// ---- the violation list ----

TEST_F(ListsTest, ViolationListShowsTheBatchRows) {
  start();
  sorvi::CSorviRefDoc* doc = open_violations();
  ASSERT_TRUE(doc && list_);
  ASSERT_EQ(list_->columnCount(), 6);
  const char* titles[] = {"Code", "VEXA Identifier", "Analysis", "Standards Violation", "Source Line",
                          "External Code(s)"};
  for (int c = 0; c < 6; ++c) EXPECT_EQ(list_->headerItem()->text(c), titles[c]);
  EXPECT_EQ(list_->headerItem()->textAlignment(1) & Qt::AlignRight, Qt::AlignRight);
  EXPECT_NEAR(list_->columnWidth(3), 6 * list_->columnWidth(0), 6);
  EXPECT_EQ(list_->font_setting(), "Violation View Font");
  EXPECT_EQ(list_->colour_setting(), "Violation View Text Colour");

  // The same rows, in the same order, as batch mode writes.
  const std::string batch = dir_.file("rows.vsrc.rtf");
  ASSERT_TRUE(sorvi::write_violation_rows_file(*doc->context(), batch));
  const std::vector<std::string> expected = lines_of(read_file(batch));
  ASSERT_GT(expected.size(), 5u);
  ASSERT_EQ(list_->topLevelItemCount(), static_cast<int>(expected.size()));
  for (int r = 0; r < list_->topLevelItemCount(); ++r) {
    EXPECT_EQ(row_line(r), expected[static_cast<size_t>(r)] + "\n");
    EXPECT_FALSE(list_->topLevelItem(r)->icon(0).isNull()) << r;
    EXPECT_EQ(list_->topLevelItem(r)->textAlignment(1) & Qt::AlignRight, Qt::AlignRight);
  }
  // Eight images, their mask colour clear.
  ASSERT_EQ(list_->image_count(), 8);
  const QImage image = list_->image(4).pixmap(16, 16).toImage();
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
  EXPECT_NE(qAlpha(image.pixel(8, 8)), 0);
}

TEST_F(ListsTest, ClickingAColumnTwiceSortsBothWays) {
  start();
  ASSERT_TRUE(open_violations());
  const int rows = list_->topLevelItemCount();
  ASSERT_GT(rows, 3);
  auto lines = [&] {
    std::vector<int> v;
    for (int r = 0; r < rows; ++r) v.push_back(std::stoi(list_->cell_text(r, 4)));
    return v;
  };
  // A click on the "Source Line" heading: largest first, then smallest first.
  list_->header()->sectionClicked(4);
  std::vector<int> down = lines();
  EXPECT_TRUE(std::is_sorted(down.rbegin(), down.rend()));
  EXPECT_GT(down.front(), down.back());
  list_->header()->sectionClicked(4);
  std::vector<int> up = lines();
  EXPECT_TRUE(std::is_sorted(up.begin(), up.end()));
  // Texts A to Z at the first click.
  list_->header()->sectionClicked(3);
  for (int r = 1; r < rows; ++r) {
    EXPECT_LE(QString::compare(list_->topLevelItem(r - 1)->text(3), list_->topLevelItem(r)->text(3),
                               Qt::CaseInsensitive),
              0);
  }
}

TEST_F(ListsTest, DoubleClickShowsTheRowsSourceLine) {
  start();
  sorvi::CSorviRefDoc* doc = open_violations();
  ASSERT_TRUE(doc);
  const std::vector<std::string> source = lines_of(read_file(set_.modules[0].source_path));
  int row = -1;
  for (int r = 0; r < list_->topLevelItemCount() && row < 0; ++r) {
    if (std::stoi(list_->cell_text(r, 4)) > 30) row = r;
  }
  ASSERT_GE(row, 0);
  const int line = std::stoi(list_->cell_text(row, 4));
  double_click(list_, list_->topLevelItem(row));
  sorvi::CSorviEditView* text = doc->view();
  EXPECT_EQ(text->line_text(text->caret_line() - 1).toStdString(), source[static_cast<size_t>(line - 1)]);
  // The line is at the top of the text.
  EXPECT_EQ(first_visible_line(text), text->caret_line() - 1);
  EXPECT_EQ(sorvi::startup_options().Start, 0);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(ListsTest, AfterEditsTheJumpWarnsOnce) {
  start();
  sorvi::CSorviRefDoc* doc = open_violations();
  ASSERT_TRUE(doc);
  int saves = 0;
  list_->set_save_handler([&] {
    ++saves;
    doc->view()->document()->setModified(false);
    return true;
  });
  list_->go_to_row(2);
  EXPECT_EQ(saves, 0);
  EXPECT_TRUE(messages_.empty());
  ASSERT_FALSE(doc->view()->isReadOnly());
  doc->view()->insertPlainText("edit");
  ASSERT_TRUE(doc->view()->document()->isModified());
  list_->go_to_row(3);
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(messages_, (std::vector<std::string>{sorvi::kViolationsMayNotMatch}));
  doc->view()->insertPlainText("edit");
  list_->go_to_row(4);
  EXPECT_EQ(saves, 2);
  EXPECT_EQ(messages_.size(), 1u);
  // A save that leaves the edits says nothing.
  sorvi::reset_violation_edit_warning();
  list_->set_save_handler([] { return false; });
  doc->view()->insertPlainText("edit");
  list_->go_to_row(5);
  EXPECT_EQ(messages_.size(), 1u);
}

TEST_F(ListsTest, ViolationHelpFromTheListOpensThePageAtTheStandard) {
  start();
  ASSERT_TRUE(open_violations());
  // The last row of the list: far down the page.
  const int row = list_->topLevelItemCount() - 1;
  char letter = 0;
  int number = 0;
  ASSERT_TRUE(sorvi::parse_violation_identifier(list_->cell_text(row, 1), &letter, &number));
  const std::string anchor = "standard_" + std::string(1, static_cast<char>(std::tolower(letter))) +
                             std::to_string(number);
  EXPECT_EQ(list_->violation_help_path(row), set_.suite_dir + "standards_info/html/standards.htm#" + anchor);
  QMenu* menu = list_->create_context_menu(row);
  ASSERT_EQ(menu->actions().size(), 1);
  EXPECT_EQ(menu->actions().front()->text(), "&Violation Help");
  menu->actions().front()->trigger();
  delete menu;
  process_events();
  sorvi::CSorviHtmlView* page = active_page();
  ASSERT_TRUE(page);
  EXPECT_EQ(frame()->active_document()->path_name(), set_.suite_dir + "standards_info/html/standards.htm");
  EXPECT_EQ(page->source().fragment().toStdString(), anchor);
  EXPECT_TRUE(sorvi::html_anchor().empty());
  EXPECT_GT(page->verticalScrollBar()->value(), 0);
  const int y = heading_y(page, number, letter);
  EXPECT_GE(y, 0);
  // Near the top, unless the page ends before.
  if (page->verticalScrollBar()->value() < page->verticalScrollBar()->maximum()) {
    EXPECT_LT(y, page->viewport()->height() / 4);
  }
  // A row without a number and a letter opens nothing.
  EXPECT_EQ(list_->violation_help_path(-1), "");
}

TEST_F(ListsTest, ChosenFontAndColourAreStoredAndComeBack) {
  start();
  ASSERT_TRUE(open_violations());
  QFont chosen = list_->font();
  chosen.setPointSizeF(15);
  chosen.setItalic(true);
  ASSERT_TRUE(list_->take_chosen_font(chosen, QColor(10, 20, 30)));
  EXPECT_EQ(list_->text_colour(), QColor(10, 20, 30));
  EXPECT_TRUE(list_->font().italic());
  const std::optional<sorvi::FontRecord> stored = sorvi::read_view_font("Violation View Font", sorvi::FontRecord());
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->Height, sorvi::logical_font_height(15, list_->logicalDpiY()));
  EXPECT_EQ(stored->Italic, 1);
  EXPECT_EQ(sorvi::read_view_colour("Violation View Text Colour", 0), sorvi::pack_colour(10, 20, 30));
  // A second list takes them at its first display.
  sorvi::CSorviRefDoc* other = qobject_cast<sorvi::CSorviRefDoc*>(open(work_ + "demo_1.sf1"));
  ASSERT_TRUE(other);
  sorvi::CViolationListView* second = qobject_cast<sorvi::CMSVCSrcChildFrame*>(other->frame())->violation_list();
  ASSERT_NE(second, list_);
  EXPECT_TRUE(second->font().italic());
  EXPECT_NEAR(second->font().pointSizeF(), 15, 0.5);
  EXPECT_EQ(second->text_colour(), QColor(10, 20, 30));
}

TEST_F(ListsTest, FontCommandGoesToTheListWithTheFocus) {
  start();
  ASSERT_TRUE(open_violations());
  frame()->activateWindow();
  list_->setFocus();
  process_events();
  ASSERT_EQ(QApplication::focusWidget(), list_);
  QString shown;
  QTimer::singleShot(0, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog) shown = QString::fromLatin1(dialog->metaObject()->className());
    if (auto* d = qobject_cast<QDialog*>(dialog)) d->reject();
  });
  frame()->command_action("Font")->trigger();
  EXPECT_EQ(shown, "sorvi::CListFontDialog");
}

TEST_F(ListsTest, DefaultColourSettingGivesBlackText) {
  set_profile("", "USE_DEFAULT_COLOUR=TRUE");
  start();
  sorvi::write_view_colour("Violation View Text Colour", sorvi::pack_colour(200, 0, 0));
  ASSERT_TRUE(open_violations());
  EXPECT_EQ(list_->text_colour(), QColor(0, 0, 0));
}

// ---- the HTML view ----

TEST_F(ListsTest, ViolationHelpFromTheSourceViewShowsTheAnchor) {
  start();
  const std::string path = dir_.file("report.txt");
  write_file(path, "code line\n(M) STATIC VIOLATION     : 27 X : Global variable not initialised.\n");
  CSorviDocument* doc = open(path);
  ASSERT_TRUE(doc);
  doc->view()->setTextCursor(QTextCursor(doc->view()->document()->findBlockByNumber(1)));
  frame()->command_action("Violation Help")->trigger();
  process_events();
  sorvi::CSorviHtmlView* page = active_page();
  ASSERT_TRUE(page);
  EXPECT_EQ(page->source().fragment(), "standard_x27");
  EXPECT_GT(page->verticalScrollBar()->value(), 0);
  const int y = heading_y(page, 27, 'X');
  EXPECT_GE(y, 0);
  // Near the top, unless the page ends before.
  if (page->verticalScrollBar()->value() < page->verticalScrollBar()->maximum()) {
    EXPECT_LT(y, page->viewport()->height() / 4);
  }
  EXPECT_EQ(frame()->line_pane_text(), "");
  EXPECT_EQ(frame()->menu_resource(), 130);
  EXPECT_FALSE(page->busy());
}

TEST_F(ListsTest, ActivatingAPageHidesTheAnnotationBars) {
  start();
  ASSERT_TRUE(open(work_ + "demo_1.ref"));
  sorvi::CViewBars* bars = frame()->view_bars();
  ASSERT_TRUE(bars->bar(sorvi::ViewBar::Annotation)->isVisibleTo(frame()));
  ASSERT_TRUE(open(set_.suite_dir + "standards_info/html/standards.htm"));
  EXPECT_FALSE(bars->bar(sorvi::ViewBar::Annotation)->isVisibleTo(frame()));
  EXPECT_FALSE(bars->bar(sorvi::ViewBar::Layout)->isVisibleTo(frame()));
  EXPECT_FALSE(bars->bar(sorvi::ViewBar::Navigation)->isVisibleTo(frame()));
  EXPECT_EQ(frame()->windowTitle(), "Vexa Sorvi - standards.htm");
}

TEST_F(ListsTest, BusyWhileLoadingThenBackAndForward) {
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
  page->navigate(QUrl::fromLocalFile(QString::fromStdString(second)).toString());
  EXPECT_EQ(panes, QStringList{"BUSY"});
  EXPECT_EQ(frame()->line_pane_text(), "");
  EXPECT_EQ(page->source().toLocalFile().toStdString(), second);
  EXPECT_TRUE(page->command("Back")->isEnabled());
  page->command("Back")->trigger();
  EXPECT_EQ(page->source().toLocalFile().toStdString(), first);
  EXPECT_TRUE(page->command("Forward")->isEnabled());
  page->command("Forward")->trigger();
  EXPECT_EQ(page->source().toLocalFile().toStdString(), second);
  page->command("Refresh")->trigger();
  EXPECT_EQ(page->source().toLocalFile().toStdString(), second);
  EXPECT_EQ(panes.size(), 4);
  EXPECT_EQ(frame()->line_pane_text(), "");
}

TEST_F(ListsTest, AnAnchorAskedForAnOpenPageIsShownOnActivation) {
  start();
  auto* doc = qobject_cast<sorvi::CSorviHtmlDoc*>(open(set_.suite_dir + "standards_info/html/standards.htm"));
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->html_view()->source().fragment(), "");
  EXPECT_EQ(doc->html_view()->verticalScrollBar()->value(), 0);
  sorvi::html_anchor() = "#standard_x27";
  doc->on_activate();
  EXPECT_EQ(doc->html_view()->source().fragment(), "standard_x27");
  EXPECT_GT(doc->html_view()->verticalScrollBar()->value(), 0);
  EXPECT_TRUE(sorvi::html_anchor().empty());
}

TEST_F(ListsTest, TextSizeIsStoredOnlyWhenItChanges) {
  start();
  const std::string page_path = set_.suite_dir + "standards_info/html/standards.htm";
  ASSERT_TRUE(open(page_path));
  sorvi::CSorviHtmlView* page = active_page();
  ASSERT_TRUE(page);
  EXPECT_EQ(page->text_size(), 0);
  EXPECT_DOUBLE_EQ(page->font().pointSizeF(), page->point_size_of(0));
  EXPECT_EQ(read_file(set_.profile_path).find("SORVI_HTML_FONT_SIZE"), std::string::npos);

  page->command("Larger")->trigger();
  EXPECT_EQ(page->text_size(), 3);
  EXPECT_DOUBLE_EQ(page->font().pointSizeF(), page->point_size_of(3));
  EXPECT_GT(page->point_size_of(3), page->point_size_of(0));
  EXPECT_NE(read_file(set_.profile_path).find("SORVI_HTML_FONT_SIZE=3"), std::string::npos);

  // The same size again leaves the profile alone.
  struct utimbuf old_time = {1000000000, 1000000000};
  ASSERT_EQ(utime(set_.profile_path.c_str(), &old_time), 0);
  page->command("Larger")->trigger();
  page->refresh();
  struct stat st {};
  ASSERT_EQ(stat(set_.profile_path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, 1000000000);
  EXPECT_DOUBLE_EQ(page->font().pointSizeF(), page->point_size_of(3));

  // A new page takes the stored size.
  sorvi::html_anchor().clear();
  ASSERT_TRUE(open(set_.suite_dir + "Standards_and_MISRA_info/Standard/standard.html"));
  EXPECT_EQ(active_page()->text_size(), 3);
}

TEST_F(ListsTest, AStoredSizeOutOfRangeIsTheSmallest) {
  set_profile("", "SORVI_HTML_FONT_SIZE=7");
  start();
  ASSERT_TRUE(open(set_.suite_dir + "standards_info/html/standards.htm"));
  sorvi::CSorviHtmlView* page = active_page();
  ASSERT_TRUE(page);
  EXPECT_EQ(page->text_size(), 0);
  EXPECT_DOUBLE_EQ(page->font().pointSizeF(), page->point_size_of(0));
  EXPECT_TRUE(page->command("Smallest")->isChecked());
}

TEST_F(ListsTest, PageSearchSaveAndPrint) {
  start();
  const std::string path = set_.suite_dir + "standards_info/html/standards.htm";
  ASSERT_TRUE(open(path));
  sorvi::CSorviHtmlView* page = active_page();
  ASSERT_TRUE(page);
  EXPECT_TRUE(page->find_text("global variable", true, false));
  EXPECT_EQ(page->textCursor().selectedText().toLower(), "global variable");
  EXPECT_TRUE(messages_.empty());
  // Backward from there finds nothing before the first match; with case, no upper-case form.
  EXPECT_FALSE(page->find_text("global variable", false, false));
  EXPECT_FALSE(page->find_text("GLOBAL VARIABLE", true, true));
  EXPECT_EQ(messages_, (std::vector<std::string>(2, "Search String not found!")));
  frame()->command_action("Find")->trigger();
  ASSERT_TRUE(page->find_dialog());
  page->find_dialog()->close();

  const std::string copy = dir_.file("saved.htm");
  ASSERT_TRUE(page->save_page(copy));
  EXPECT_EQ(read_file(copy), read_file(path));

  QPrinter printer(QPrinter::ScreenResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(dir_.file("page.pdf")));
  page->print(&printer);
  EXPECT_EQ(read_file(dir_.file("page.pdf")).substr(0, 5), "%PDF-");
}

TEST_F(ListsTest, AMissingPageIsNotOpened) {
  start();
  EXPECT_EQ(open(dir_.file("absent.htm#standard_s1")), nullptr);
  EXPECT_TRUE(sorvi::html_anchor().empty());
  EXPECT_EQ(messages_.size(), 1u);
}

}  // namespace
