// Wiring of the program's documents on a generated module, through the real
// widgets: every kind opens with its document class, frame, menu and bars;
// the reformatted document shows its stored font, its colours and one
// toggle; the procedure view walks its blocks.
#include <gtest/gtest.h>

#include <filesystem>
#include <QLabel>
#include <QToolBar>

#include "gui/annotate/sorvi_ref_doc.h"
#include "gui/annotate/sorvi_ref_view.h"
#include "gui/annotate/sorvi_xtx_doc.h"
#include "gui/app/child_frames.h"
#include "gui/app/status_bars.h"
#include "gui/views/sorvi_edit_view.h"
#include "window_fixture.h"

namespace {

using sorvi::BarControl;
using sorvi_gui_test::line_with;
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

}  // namespace
