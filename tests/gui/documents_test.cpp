// Wiring of the program's documents on a generated module, through the real
// widgets: every kind opens with its document class, frame, menu and bars;
// the reformatted document shows its stored font, its colours and one
// toggle; the procedure view walks its blocks; edits are not lost without
// a question; a text prints to a PDF file.
#include <gtest/gtest.h>

#include <filesystem>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QTimer>
#include <QToolBar>
#include <deque>

#include "gui/annotate/sorvi_ref_doc.h"
#include "gui/annotate/sorvi_ref_view.h"
#include "gui/annotate/sorvi_xtx_doc.h"
#include "gui/app/child_frames.h"
#include "gui/app/status_bars.h"
#include "gui/views/sorvi_edit_view.h"
#include "gui/views/violation_list_view.h"
#include "window_fixture.h"

namespace {

using sorvi::BarControl;
using sorvi_gui_test::line_with;
using sorvi_gui_test::process_events;
using sorvi_test::read_file;
using sorvi_test::write_file;

class DocumentsTest : public sorvi_gui_test::WindowTest {
 protected:
  bool bar_shown(sorvi::ViewBar b) { return frame()->view_bars()->bar(b)->isVisibleTo(frame()); }
  // What the window shows of the opened document: its class, its frame's
  // class, the frame's menu and caption, and the annotation, navigation and
  // layout bars; or the messages of a refusal.
  std::string dump(sorvi::CSorviDocument* doc) {
    std::string out;
    for (const std::string& m : messages_) out += "refused: " + m + "\n";
    messages_.clear();
    if (!doc) return out;
    return out + doc->metaObject()->className() + " " + doc->frame()->metaObject()->className() + " " +
           std::to_string(frame()->menu_resource()) + " '" + frame()->windowTitle().toStdString() + "' " +
           (bar_shown(sorvi::ViewBar::Annotation) ? "A" : "-") + (bar_shown(sorvi::ViewBar::Navigation) ? "N" : "-") +
           (bar_shown(sorvi::ViewBar::Layout) ? "L" : "-");
  }

  // Answers the modal dialogs as they come, one answer each: a message
  // box's button ("Yes", "No", "Cancel"), the file of a file dialog (""
  // cancels it), or the acceptance of another; `answered_` says what asked.
  void answer(std::vector<std::string> answers) {
    auto pending = std::make_shared<std::deque<std::string>>(answers.begin(), answers.end());
    auto last = std::make_shared<QPointer<QWidget>>();
    auto* timer = new QTimer(frame());
    QObject::connect(timer, &QTimer::timeout, timer, [this, timer, pending, last] {
      auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!modal || modal == *last || pending->empty()) return;
      *last = modal;
      const std::string a = pending->front();
      pending->pop_front();
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        answered_ += box->text().toStdString() + " ";
        box->button(a == "Yes" ? QMessageBox::Yes : a == "No" ? QMessageBox::No : QMessageBox::Cancel)->click();
      } else if (auto* files = qobject_cast<QFileDialog*>(modal)) {
        answered_ += "file dialog ";
        // Typed, as selectFile() leaves a focused name field as it is.
        files->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(a));
        QMetaObject::invokeMethod(files, a.empty() ? "reject" : "accept");
      } else {
        modal->done(QDialog::Accepted);
      }
    });
    timer->start(10);
  }
  std::string answered_;
};

TEST_F(DocumentsTest, EachKindOpensWithItsDocumentFrameAndBars) {
  make_set();
  write_file(work_ + "demo_1.xtx", read_file(work_ + "demo_1.ref"));
  write_file(dir_.file("notes.txt"), "notes\n");
  write_file(dir_.file("run.thi"), set_.report_path + "\n-10\n1\n2\nA\nB\n1\nx\n");
  write_file(dir_.file("short.thi"), set_.report_path + "\n-10\n2\n2\nA\nB\n1\nx\n");
  start();
  const std::pair<std::string, std::string> rows[] = {
      {work_ + "demo_1.ref", "sorvi::CSorviRefDoc sorvi::CXtxSorviChildFrame 132 'Vexa Sorvi - demo.c - Reformatted' A-L"},
      {work_ + "demo_1.sif", "sorvi::CSorviRefDoc sorvi::CSrcSorviChildFrame 135 'Vexa Sorvi - demo.c' A-L"},
      {work_ + "demo_1.sf1", "sorvi::CSorviRefDoc sorvi::CMSVCSrcChildFrame 136 'Vexa Sorvi - demo.c' ---"},
      {work_ + "demo_1.xtx", "sorvi::CSorviXtxDoc sorvi::CXtxSorviChildFrame 131 'Vexa Sorvi - demo.c - Procedure Code' AN-"},
      {dir_.file("notes.txt"), "sorvi::CSorviEditDoc sorvi::CChildFrame 129 'Vexa Sorvi - notes.txt' ---"},
      {set_.suite_dir + "standards_info/html/standards.htm",
       "sorvi::CSorviHtmlDoc sorvi::CChildFrame 130 'Vexa Sorvi - standards.htm' ---"},
      {set_.tci_path, "sorvi::CSorviRListDoc sorvi::CListChildFrame 134 'Vexa Sorvi - nightly_report.txt' ---"},
      {dir_.file("run.thi"), "sorvi::CSorviRListDoc sorvi::CListChildFrame 133 'Vexa Sorvi - nightly_report.txt' ---"},
      {dir_.file("short.thi"), "refused: Unable to open document\n" + dir_.file("short.thi") + "\n"},
      {dir_.file("missing.txt"), "refused: Failed to open document\n"},
  };
  for (const auto& [path, expected] : rows) EXPECT_EQ(dump(open(path)), expected) << path;
}

TEST_F(DocumentsTest, ReformattedTextShowsTheStoredFontItsColoursAndOneToggle) {
  make_set();
  std::filesystem::create_directories(dir_.path() + "/config/Vexa");
  write_file(dir_.path() + "/config/Vexa/Sorvi.ini", "[Font]\nHeight=130\nWeight=700\nFaceName=Sorvi Test Mono\n");
  start();
  auto* doc = qobject_cast<sorvi::CSorviRefDoc*>(open(work_ + "demo_1.ref"));
  ASSERT_TRUE(doc);
  sorvi::CSorviEditView* view = doc->view();
  const QFont font = view->font();
  EXPECT_EQ(font.family() + QString(" %1 %2").arg(font.pointSize()).arg(font.bold()), "Sorvi Test Mono 13 1");
  EXPECT_EQ(doc->frame()->header_bar()->font(), font);

  // A violation is drawn red, a rule black.
  EXPECT_EQ(view->line_colour(line_with(view, "VIOLATION")), QColor(255, 0, 0));
  EXPECT_EQ(view->line_colour(line_with(view, QString(78, QLatin1Char('=')))), QColor(0, 0, 0));

  // Violations off and on again.
  const int lines = view->line_count();
  click(BarControl::Violations);
  EXPECT_EQ(line_with(view, "VIOLATION"), -1);
  click(BarControl::Violations);
  EXPECT_EQ(view->line_count(), lines);
  EXPECT_TRUE(messages_.empty());

  // The font command stores the text colour chosen with the font and
  // shows the text in it.
  ASSERT_TRUE(view->take_chosen_font(font, QColor(0, 0, 160)));
  text_complete(view);
  EXPECT_EQ(sorvi::read_view_colour("Font", 0), sorvi::pack_colour(0, 0, 160));
  EXPECT_EQ(view->palette().color(QPalette::Text), QColor(0, 0, 160));

  // Save As gives the document its name; Save then writes there unasked.
  const std::string copy = dir_.file("copy.txt");
  answer({copy});
  doc->save_as();
  write_file(copy, "old");
  answered_.clear();
  answer({""});
  doc->save();
  EXPECT_EQ(answered_ + doc->title().toStdString(), "copy.txt");
  EXPECT_TRUE(read_file(copy) == view->text_bytes());
}

TEST_F(DocumentsTest, ProcedureViewWidensItsBlockRange) {
  make_set();
  write_file(work_ + "demo_1.xtx", read_file(work_ + "demo_1.ref"));
  const sorvi_sample::SampleProcedure* procedure = nullptr;
  for (const sorvi_sample::SampleProcedure& p : set_.modules[0].procedures) {
    if (!procedure && p.number > 1 && p.block_count >= 10 && !p.dummy_start) procedure = &p;
  }
  ASSERT_TRUE(procedure) << "the set has no procedure of ten blocks";
  start({"Procnum=" + std::to_string(procedure->number), "Block=7"});
  auto* doc = qobject_cast<sorvi::CSorviXtxDoc*>(open(work_ + "demo_1.xtx"));
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->frame()->header_bar()->text(), " Line Block       Statement");
  auto status = [&] { return doc->frame()->bottom_bar()->text().toStdString(); };
  const std::string prefix = "demo_1 : " + procedure->name + " : ";
  EXPECT_EQ(status(), prefix + "Showing block 7");
  const int one_block = doc->view()->line_count();
  click(BarControl::Next);
  EXPECT_EQ(status(), prefix + "Showing blocks 7 to 8");
  EXPECT_GT(doc->view()->line_count(), one_block);
  click(BarControl::Previous);
  EXPECT_EQ(status(), prefix + "Showing blocks 6 to 8");
}

TEST_F(DocumentsTest, CoverageModeShowsTheLegendInStatusOrder) {
  start({"CoverageMode"});
  ASSERT_TRUE(frame()->legend_bar()->isVisibleTo(frame()));
  QStringList texts;
  for (int i = 0; i < 4; ++i) {
    if (auto* l = frame()->legend_bar()->findChild<QLabel*>(QStringLiteral("legend_text_%1").arg(1401 + i))) {
      texts << l->text();
    }
  }
  EXPECT_EQ(texts, (QStringList{"Not Executed", "Executed", "Branch/Decision not executed", "Not executable"}));
}

TEST_F(DocumentsTest, UnsavedEditsAskBeforeTheyAreLost) {
  start();
  const std::string saved = dir_.file("saved.c");
  QPointer<sorvi::CSorviDocument> doc;
  // Each row edits the listing (opening it when closed), does one thing and
  // answers the questions: what was asked, then whether the document is
  // open and still edited, and what the saved file begins with.
  const std::tuple<std::string, std::vector<std::string>, std::string> rows[] = {
      {"close", {"Cancel"}, "Save changes to demo.c? | open edited"},
      {"end", {"Cancel"}, "Save changes to demo.c? | open edited"},
      {"jump", {"Yes", ""}, "Save changes to demo.c? file dialog | open edited"},
      {"undo", {}, "| open"},
      {"close", {"Yes", saved}, "Save changes to demo.c? file dialog | closed X"},
      {"close", {"No"}, "Save changes to demo.c? | closed X"},
      {"undo close", {}, "| closed X"},
  };
  for (const auto& [action, steps, expected] : rows) {
    if (!doc) doc = open(work_ + "demo_1.sf1");
    ASSERT_TRUE(doc);
    sorvi::CSorviEditView* view = doc->view();
    ASSERT_FALSE(view->isReadOnly());
    if (!doc->is_modified()) {
      view->set_selection(0, 0);
      QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "X");
      QApplication::sendEvent(view, &key);
    }
    const std::string before = view->text_bytes();
    answered_.clear();
    answer(steps);
    if (action == "end") {
      EXPECT_FALSE(frame()->close());
    }
    if (action == "jump") qobject_cast<sorvi::CMSVCSrcChildFrame*>(doc->frame())->violation_list()->go_to_row(0);
    if (action.find("undo") == 0) {
      frame()->command_action("Undo")->trigger();
      frame()->command_action("Replace")->trigger();
      EXPECT_TRUE(view->replace_dialog() && view->replace_dialog()->isVisible());
    }
    if (action.find("close") != std::string::npos) doc->frame()->close();
    process_events();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    std::string state = answered_ + "| " + (doc ? "open" : "closed");
    if (doc) {
      state += doc->is_modified() ? " edited" : "";
      EXPECT_EQ(view->text_bytes() == before, doc->is_modified()) << action;
    }
    if (std::filesystem::exists(saved)) state += " " + read_file(saved).substr(0, 1);
    EXPECT_EQ(state, expected) << action;
  }
}

TEST_F(DocumentsTest, PrintsATextToAPdfFileWithHalfInchMargins) {
  make_set();
  std::string text;
  for (int i = 0; i < 500; ++i) text += "line " + std::to_string(i) + "\n";
  write_file(dir_.file("notes.txt"), text);
  start();
  sorvi::CSorviDocument* doc = open(dir_.file("notes.txt"));
  ASSERT_TRUE(doc);
  QPrinter* printer = app_->documents()->printer();
  printer->setOutputFormat(QPrinter::PdfFormat);
  auto print_to = [&](const std::string& pdf) {
    printer->setOutputFileName(QString::fromStdString(pdf));
    answer({"accept"});
    frame()->command_action("Print...")->trigger();
  };
  print_to(dir_.file("notes.pdf"));
  // The lines a page holds inside margins of 36 points.
  const double dots = printer->resolution() / 72.0;
  const double height = (printer->pageLayout().fullRect(QPageLayout::Point).height() - 72) * dots;
  const int per_page = static_cast<int>(height) / QFontMetrics(QFont(doc->view()->font(), printer), printer).lineSpacing();
  const int pages = (doc->view()->line_count() + per_page - 1) / per_page;
  const QString pdf = QString::fromStdString(read_file(dir_.file("notes.pdf")));
  EXPECT_GT(pages, 1);
  EXPECT_EQ(pdf.count(QRegularExpression("/Type\\s*/Page\\b")), pages);
  EXPECT_TRUE(messages_.empty());
  print_to(dir_.file("missing/notes.pdf"));
  EXPECT_EQ(messages_, std::vector<std::string>{"printing failed"});
}

}  // namespace
