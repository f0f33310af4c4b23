// The program's documents on a generated module, driving the real widgets:
// opening each kind through the document kinds, the texts and colours the
// views show, the bar toggles and their enabling, positioning and search,
// the procedure view's block navigation, activation of an open document,
// and a command line forwarded from a second start.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMdiArea>
#include <QProcess>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
#include <QThread>
#include <QToolBar>

#include "annotate/annotated_lines.h"
#include "app/recent_files.h"
#include "base/message_box.h"
#include "config/startup_options.h"
#include "gui/annotate/sorvi_ref_doc.h"
#include "gui/annotate/sorvi_ref_view.h"
#include "gui/annotate/sorvi_xtx_doc.h"
#include "gui/annotate/sorvi_xtx_view.h"
#include "gui/app/child_frames.h"
#include "gui/app/document_manager.h"
#include "gui/app/main_frame.h"
#include "gui/app/sorvi_app.h"
#include "gui/app/status_bars.h"
#include "gui/app/view_bars.h"
#include "gui/views/sorvi_edit_doc.h"
#include "gui/views/sorvi_edit_view.h"
#include "gui/views/sorvi_html_doc.h"
#include "gui/views/sorvi_html_view.h"
#include "gui/views/violation_list_view.h"
#include "samplegen/sample_set_writer.h"
#include "support/test_support.h"
#include "window_fixture.h"

namespace {

using sorvi::BarControl;
using sorvi::CSorviDocument;
using sorvi::DocKind;
using sorvi_test::read_file;
using sorvi_test::write_file;

}  // namespace

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

const QColor kRed(255, 0, 0);
const QColor kBlack(0, 0, 0);

using sorvi_gui_test::process_events;

class DocumentsTest : public sorvi_gui_test::WindowTest {
 protected:
  sorvi::CViewBars* bars() { return frame()->view_bars(); }
  QAbstractButton* control(BarControl c) { return bars()->control(c); }
  void click(BarControl c) {
    QAbstractButton* b = control(c);
    ASSERT_TRUE(b->isEnabled()) << b->text().toStdString();
    b->click();
    process_events();
  }

  // A procedure's name (not main) and the line of its definition.
  const sorvi_sample::SampleProcedure& procedure() const { return set_.modules[0].procedures.front(); }
  QString definition() const { return QString::fromStdString(procedure().name + "(int"); }

  // The line of the procedure's definition (its declaration ends in ';').
  int definition_line(const sorvi::CSorviEditView* view) const {
    for (int at = line_with(view, definition()); at >= 0; at = line_with(view, definition(), at + 1)) {
      if (!view->line_text(at).trimmed().endsWith(QLatin1Char(';'))) return at;
    }
    return -1;
  }

  // The first line of the view holding the text, or -1.
  static int line_with(const sorvi::CSorviEditView* view, const QString& text, int from = 0) {
    const QTextDocument* doc = view->document();
    for (QTextBlock b = doc->findBlockByNumber(from); b.isValid(); b = b.next()) {
      if (b.text().contains(text)) return b.blockNumber();
    }
    return -1;
  }

};

TEST_F(DocumentsTest, ReformattedFileOpensAnnotatedInColour) {
  start();
  auto* doc = qobject_cast<sorvi::CSorviRefDoc*>(open(work_ + "demo_1.ref"));
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->kind(), DocKind::Reformatted);
  EXPECT_EQ(doc->title(), "demo.c - Reformatted");
  EXPECT_EQ(frame()->windowTitle(), "Vexa Sorvi - demo.c - Reformatted");
  EXPECT_EQ(doc->path_name(), "");  // the annotated kinds record no path
  ASSERT_TRUE(doc->context()->annotated);

  sorvi::CSorviRefView* view = doc->ref_view();
  EXPECT_TRUE(view->isReadOnly());
  EXPECT_EQ(view->font().family(), view->font().family());
  const int violation = line_with(view, "VIOLATION");
  ASSERT_GE(violation, 0);
  EXPECT_EQ(view->line_style(violation), sorvi::kStyleViolation);
  EXPECT_EQ(view->line_colour(violation), kRed);
  const int rule = line_with(view, QString(78, QLatin1Char('=')));
  ASSERT_GE(rule, 0);
  EXPECT_EQ(view->line_colour(rule), kBlack);
  const int code = definition_line(view);
  ASSERT_GE(code, 0);
  EXPECT_EQ(view->line_colour(code), view->palette().color(QPalette::Text));

  // The frame: maximised, the column heading above, the model below.
  auto* child = qobject_cast<sorvi::CXtxSorviChildFrame*>(doc->frame());
  ASSERT_TRUE(child);
  EXPECT_TRUE(child->isMaximized());
  EXPECT_EQ(child->header_bar()->text(), "   Ref    Src Proc BkCnt Block X       Statement");
  EXPECT_EQ(child->bottom_bar()->text().toStdString().rfind(work_ + "demo_1.ref  Standards Model: ", 0), 0u);

  // The bars of a reformatted document.
  EXPECT_TRUE(bars()->bar(sorvi::ViewBar::Annotation)->isVisibleTo(frame()));
  EXPECT_TRUE(bars()->bar(sorvi::ViewBar::Layout)->isVisibleTo(frame()));
  EXPECT_FALSE(bars()->bar(sorvi::ViewBar::Navigation)->isVisibleTo(frame()));
  EXPECT_TRUE(control(BarControl::Annotations)->isChecked());
  EXPECT_TRUE(control(BarControl::Violations)->isChecked());
  EXPECT_EQ(frame()->menu_resource(), 132);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(DocumentsTest, LinesAreColouredAsTheyComeIntoView) {
  start();
  auto* doc = qobject_cast<sorvi::CSorviRefDoc*>(open(work_ + "demo_1.ref"));
  ASSERT_TRUE(doc);
  sorvi::CSorviEditView* view = doc->view();
  view->viewport()->grab();
  const QTextBlock last = view->document()->lastBlock();
  int visible_coloured = 0;
  const QTextBlock top = view->cursorForPosition(QPoint(0, 0)).block();
  for (QTextBlock b = top; b.isValid() && b.blockNumber() < top.blockNumber() + 20; b = b.next()) {
    if (view->line_style(b.blockNumber()) == sorvi::kStyleViolation) {
      ASSERT_FALSE(b.layout()->formats().isEmpty()) << b.text().toStdString();
      EXPECT_EQ(b.layout()->formats().front().format.foreground().color(), kRed);
      ++visible_coloured;
    }
  }
  EXPECT_GT(visible_coloured, 0);
  // A line far out of sight waits until it is shown.
  int far = last.blockNumber();
  while (far > 0 && view->line_style(far) != sorvi::kStyleViolation) --far;
  ASSERT_GT(far, 100);
  EXPECT_TRUE(view->document()->findBlockByNumber(far).layout()->formats().isEmpty());
  EXPECT_EQ(view->line_colour(far), kRed);
}

TEST_F(DocumentsTest, StartLineIsFoundInTheAnnotatedText) {
  start({"Start=40"});
  auto* doc = qobject_cast<sorvi::CSorviRefDoc*>(open(work_ + "demo_1.ref"));
  ASSERT_TRUE(doc);
  sorvi::CSorviEditView* view = doc->view();
  // Annotation lines stand above it: the caret is on the display line that
  // shows reformatted line 40.
  EXPECT_GT(view->caret_line(), 40);
  EXPECT_TRUE(view->line_text(view->caret_line() - 1).startsWith("    40 ")) << view->line_text(view->caret_line() - 1).toStdString();
  EXPECT_EQ(sorvi::startup_options().Start, 0);
}

TEST_F(DocumentsTest, ChosenFontIsStoredAndTheTextRewritten) {
  start();
  auto* doc = qobject_cast<sorvi::CSorviRefDoc*>(open(work_ + "demo_1.ref"));
  ASSERT_TRUE(doc);
  sorvi::CSorviEditView* view = doc->view();
  QFont chosen = view->font();
  chosen.setPointSize(14);
  chosen.setBold(true);
  const int lines = view->document()->blockCount();
  click(BarControl::Violations);  // the text changes, and the font brings it back
  ASSERT_LT(view->document()->blockCount(), lines);
  doc->context()->showStandards = true;
  ASSERT_TRUE(view->take_chosen_font(chosen));
  EXPECT_EQ(view->font().pointSize(), 14);
  EXPECT_EQ(view->document()->blockCount(), lines);
  const std::string settings = read_file(dir_.path() + "/config/Vexa/Sorvi.ini");
  EXPECT_NE(settings.find("[Font]"), std::string::npos) << settings;
  EXPECT_NE(settings.find("Height=140"), std::string::npos);
  EXPECT_NE(settings.find("Weight=700"), std::string::npos);
  // The frame's heading and status line follow the view's font.
  EXPECT_EQ(doc->frame()->header_bar()->font().pointSize(), 14);
  EXPECT_EQ(doc->frame()->bottom_bar()->font().pointSize(), 14);
}

TEST_F(DocumentsTest, CaretLineAndTheFileItComesFrom) {
  start();
  auto* doc = qobject_cast<sorvi::CSorviRefDoc*>(open(work_ + "demo_1.ref"));
  ASSERT_TRUE(doc);
  sorvi::CSorviEditView* view = doc->view();
  const int code = definition_line(view);
  ASSERT_GE(code, 0);
  QTextCursor c(view->document()->findBlockByNumber(code));
  c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 4);
  view->setTextCursor(c);
  EXPECT_EQ(frame()->line_pane_text(), QStringLiteral("Ln %1, Col 5").arg(code + 1));
  EXPECT_EQ(frame()->file_pane_text(), "<main file>");
  const int header = line_with(view, "#define DEMO_LIMIT");
  ASSERT_GE(header, 0);
  view->setTextCursor(QTextCursor(view->document()->findBlockByNumber(header)));
  EXPECT_EQ(frame()->file_pane_text().toStdString(), set_.modules[0].header_path);
}

TEST_F(DocumentsTest, CoverageOnForcesBlocksOn) {
  set_profile("SORVI_AREF_COVERAGE=TRUE", "SORVI_AREF_COVERAGE=FALSE");
  set_profile("SORVI_AREF_DATAFLOW=TRUE", "SORVI_AREF_DATAFLOW=FALSE");
  start();
  auto* doc = qobject_cast<sorvi::CSorviRefDoc*>(open(work_ + "demo_1.ref"));
  ASSERT_TRUE(doc);
  sorvi::CSorviEditView* view = doc->view();
  const QString block_rule(78, QLatin1Char('-'));
  ASSERT_TRUE(control(BarControl::Blocks)->isChecked());
  click(BarControl::Blocks);
  EXPECT_FALSE(doc->context()->showBlocks);
  EXPECT_EQ(line_with(view, block_rule), -1);
  EXPECT_EQ(line_with(view, "Combined Coverage"), -1);
  ASSERT_FALSE(control(BarControl::Coverage)->isChecked());

  click(BarControl::Coverage);
  EXPECT_TRUE(control(BarControl::Coverage)->isChecked());
  EXPECT_TRUE(control(BarControl::Blocks)->isChecked());
  EXPECT_GE(line_with(view, block_rule), 0);
  const int note = line_with(view, "Combined Coverage");
  ASSERT_GE(note, 0);
  EXPECT_EQ(view->line_colour(note), QColor(255, 0, 128));
  // Blocks cannot be switched off while the notes need them.
  EXPECT_FALSE(control(BarControl::Blocks)->isEnabled());
  EXPECT_TRUE(control(BarControl::Combined)->isEnabled());
}

TEST_F(DocumentsTest, CaretStaysOnItsCodeLineWhenViolationsReturn) {
  start();
  auto* doc = qobject_cast<sorvi::CSorviRefDoc*>(open(work_ + "demo_1.ref"));
  ASSERT_TRUE(doc);
  sorvi::CSorviEditView* view = doc->view();
  click(BarControl::Violations);
  ASSERT_EQ(line_with(view, "VIOLATION"), -1);
  const int count = view->document()->blockCount();
  // The code line before the first procedure: only line violations come
  // back above it.
  const int target = line_with(view, QString(78, QLatin1Char('='))) - 1;
  ASSERT_GT(target, 0);
  const QString text = view->line_text(target);
  view->setTextCursor(QTextCursor(view->document()->findBlockByNumber(target)));
  click(BarControl::Violations);
  EXPECT_GT(view->document()->blockCount(), count);
  const int violation = line_with(view, "VIOLATION");
  ASSERT_GE(violation, 0);
  ASSERT_LT(violation, target);
  EXPECT_GT(view->caret_line() - 1, target);
  EXPECT_EQ(view->line_text(view->caret_line() - 1), text);
}

TEST_F(DocumentsTest, AllLeavesADisabledBoxAlone) {
  make_set(sorvi_sample::kSampleAllFiles & ~sorvi_sample::kSampleDataflow);
  set_profile("SORVI_AREF_DATAFLOW=TRUE", "SORVI_AREF_DATAFLOW=FALSE");
  start();
  auto* doc = qobject_cast<sorvi::CSorviRefDoc*>(open(work_ + "demo_1.ref"));
  ASSERT_TRUE(doc);
  EXPECT_FALSE(control(BarControl::Dataflow)->isEnabled());
  EXPECT_FALSE(control(BarControl::Dataflow)->isChecked());
  click(BarControl::Code);
  click(BarControl::Violations);
  ASSERT_FALSE(doc->context()->showCode);
  click(BarControl::AllAnnotations);
  EXPECT_TRUE(control(BarControl::Code)->isChecked());
  EXPECT_TRUE(control(BarControl::Violations)->isChecked());
  EXPECT_TRUE(control(BarControl::Coverage)->isChecked());
  EXPECT_FALSE(control(BarControl::Dataflow)->isChecked());
  EXPECT_FALSE(doc->context()->showDataflow);
  EXPECT_FALSE(control(BarControl::AllAnnotations)->isEnabled());
  EXPECT_GE(definition_line(doc->view()), 0);
}

TEST_F(DocumentsTest, WithoutRefButtonsTheTogglesWaitForAnnotations) {
  set_profile("SORVI_AREF_ANNOTATED=TRUE", "SORVI_AREF_ANNOTATED=FALSE");
  set_profile("ENABLE_REF_BUTTONS=", "ENABLE_REF_BUTTONS=FALSE");
  start();
  auto* doc = qobject_cast<sorvi::CSorviRefDoc*>(open(work_ + "demo_1.ref"));
  ASSERT_TRUE(doc);
  ASSERT_FALSE(doc->context()->annotated);
  // Not annotated: the reformatted file itself, in the view's colour.
  EXPECT_EQ(doc->view()->line_text(0).trimmed(), "1  Kelvar reformatted source");
  EXPECT_EQ(qobject_cast<sorvi::CChildFrame*>(doc->frame())->header_bar()->text(), "  Line       Statement");
  for (BarControl c : {BarControl::Code, BarControl::Coverage, BarControl::Violations, BarControl::Dataflow}) {
    EXPECT_FALSE(control(c)->isEnabled()) << control(c)->text().toStdString();
  }
  EXPECT_FALSE(control(BarControl::RefLines)->isEnabled());
  click(BarControl::Annotations);
  EXPECT_TRUE(doc->context()->annotated);
  EXPECT_TRUE(control(BarControl::Code)->isEnabled());
  EXPECT_TRUE(control(BarControl::Violations)->isEnabled());
  EXPECT_TRUE(control(BarControl::RefLines)->isEnabled());
  EXPECT_GE(line_with(doc->view(), "VIOLATION"), 0);
}

TEST_F(DocumentsTest, RefreshRebuildsAndKeepsTheSwitches) {
  start();
  auto* doc = qobject_cast<sorvi::CSorviRefDoc*>(open(work_ + "demo_1.ref"));
  ASSERT_TRUE(doc);
  click(BarControl::Violations);
  click(BarControl::ExeFlag);
  const sorvi::AnnotationContext* before = doc->context();
  frame()->command_action("Refresh")->trigger();
  process_events();
  EXPECT_NE(doc->context(), before);
  EXPECT_FALSE(doc->context()->showStandards);
  EXPECT_FALSE(doc->context()->showExeFlag);
  EXPECT_FALSE(control(BarControl::Violations)->isChecked());
  EXPECT_EQ(line_with(doc->view(), "VIOLATION"), -1);
  EXPECT_GE(definition_line(doc->view()), 0);
}

TEST_F(DocumentsTest, AnnotatedSourceAndViolationsNeedALanguage) {
  start();
  CSorviDocument* sif = open(work_ + "demo_1.sif");
  ASSERT_TRUE(sif);
  EXPECT_EQ(sif->kind(), DocKind::AnnotatedSource);
  EXPECT_TRUE(qobject_cast<sorvi::CSrcSorviChildFrame*>(sif->frame()));
  EXPECT_FALSE(qobject_cast<sorvi::CMSVCSrcChildFrame*>(sif->frame()));
  EXPECT_EQ(sif->title(), "demo.c");
  // The listing: source lines with the violations between them.
  const int violation = line_with(sif->view(), "VIOLATION");
  ASSERT_GE(violation, 0);
  EXPECT_EQ(sif->view()->line_colour(violation), kRed);
  EXPECT_FALSE(control(BarControl::Coverage)->isVisibleTo(frame()));

  CSorviDocument* sf1 = open(work_ + "demo_1.sf1");
  ASSERT_TRUE(sf1);
  EXPECT_EQ(sf1->kind(), DocKind::Violations);
  auto* split = qobject_cast<sorvi::CMSVCSrcChildFrame*>(sf1->frame());
  ASSERT_TRUE(split);
  EXPECT_EQ(split->splitter()->count(), 2);
  EXPECT_EQ(split->splitter()->widget(0), sf1->view());
  EXPECT_TRUE(qobject_cast<sorvi::CViolationListView*>(split->list_view()));
  const QList<int> sizes = split->splitter()->sizes();
  EXPECT_GT(sizes[0], 5 * sizes[1]);
  // A listing of violations records its source file and hides the bars.
  EXPECT_EQ(sf1->path_name(), set_.modules[0].source_path);
  EXPECT_FALSE(bars()->bar(sorvi::ViewBar::Annotation)->isVisibleTo(frame()));
  EXPECT_FALSE(sf1->view()->isReadOnly());  // WRITE_SORVI defaults on for it
  EXPECT_EQ(frame()->menu_resource(), 136);

  // Without a language both open as plain text.
  sorvi::startup_options().Language = 0;
  CSorviDocument* plain = open(work_ + "demo_1.sf1");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->kind(), DocKind::PlainSource);
  EXPECT_TRUE(qobject_cast<sorvi::CSorviEditDoc*>(plain));
  EXPECT_EQ(plain->view()->toPlainText().toStdString() + "", read_file(work_ + "demo_1.sf1"));
}

TEST_F(DocumentsTest, ProcedureViewWidensItsBlockRange) {
  make_set();
  write_file(work_ + "demo_1.xtx", read_file(work_ + "demo_1.ref"));
  int procedure = 0;
  std::string name;
  for (const sorvi_sample::SampleProcedure& p : set_.modules[0].procedures) {
    if (p.number > 1 && p.block_count >= 10 && !p.dummy_start) {
      procedure = p.number;
      name = p.name;
      break;
    }
  }
  ASSERT_GT(procedure, 0) << "the set has no procedure of ten blocks";
  start({"Procnum=" + std::to_string(procedure), "Block=7"});
  auto* doc = qobject_cast<sorvi::CSorviXtxDoc*>(open(work_ + "demo_1.xtx"));
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->title(), "demo.c - Procedure Code");
  EXPECT_EQ(sorvi::startup_options().Procnum, -1);
  auto* child = qobject_cast<sorvi::CXtxSorviChildFrame*>(doc->frame());
  ASSERT_TRUE(child);
  EXPECT_EQ(child->header_bar()->text(), " Line Block       Statement");
  const std::string prefix = "demo_1 : " + name + " : ";
  EXPECT_EQ(child->bottom_bar()->text().toStdString(), prefix + "Showing block 7");
  EXPECT_TRUE(bars()->bar(sorvi::ViewBar::Navigation)->isVisibleTo(frame()));
  EXPECT_FALSE(bars()->bar(sorvi::ViewBar::Layout)->isVisibleTo(frame()));
  const int one_block = doc->view()->document()->blockCount();
  EXPECT_GT(one_block, 1);
  const int rule = line_with(doc->view(), QString(78, QLatin1Char('-')));
  if (rule >= 0) {
    EXPECT_EQ(doc->view()->line_colour(rule), kBlack);
  }

  click(BarControl::Next);
  EXPECT_EQ(child->bottom_bar()->text().toStdString(), prefix + "Showing blocks 7 to 8");
  EXPECT_GT(doc->view()->document()->blockCount(), one_block);
  click(BarControl::Previous);
  EXPECT_EQ(child->bottom_bar()->text().toStdString(), prefix + "Showing blocks 6 to 8");
  click(BarControl::AllBlocks);
  EXPECT_FALSE(control(BarControl::AllBlocks)->isEnabled());
  EXPECT_FALSE(control(BarControl::Previous)->isEnabled());
  EXPECT_FALSE(control(BarControl::Next)->isEnabled());
}

TEST_F(DocumentsTest, UnknownProcedureLeavesTheViewEmpty) {
  make_set();
  write_file(work_ + "demo_1.xtx", read_file(work_ + "demo_1.ref"));
  start({"Procnum=77"});
  auto* doc = qobject_cast<sorvi::CSorviXtxDoc*>(open(work_ + "demo_1.xtx"));
  ASSERT_TRUE(doc);
  EXPECT_TRUE(doc->view()->toPlainText().isEmpty());
  EXPECT_EQ(doc->frame()->bottom_bar()->text(), "demo_1 - unannotated");
  EXPECT_FALSE(control(BarControl::Next)->isEnabled());
  EXPECT_FALSE(control(BarControl::AllBlocks)->isEnabled());
}

class PlainDocumentsTest : public DocumentsTest {
 protected:
  std::string numbered_file(int lines) {
    std::string text;
    for (int i = 1; i <= lines; ++i) text += "line " + std::to_string(i) + "\n";
    const std::string path = dir_.file("numbered.txt");
    write_file(path, text);
    return path;
  }
};

TEST_F(PlainDocumentsTest, StartAndEndSelectWholeLines) {
  const std::string path = numbered_file(30);
  start({"Start=10", "End=12"});
  CSorviDocument* doc = open(path);
  ASSERT_TRUE(doc);
  EXPECT_TRUE(qobject_cast<sorvi::CSorviEditDoc*>(doc));
  EXPECT_TRUE(qobject_cast<sorvi::CChildFrame*>(doc->frame())->isMaximized());
  EXPECT_EQ(doc->view()->textCursor().selectedText(),
            QStringLiteral("line 10\u2029line 11\u2029line 12\u2029"));
  EXPECT_EQ(sorvi::startup_options().Start, 0);
  EXPECT_EQ(sorvi::startup_options().End, 0);
  EXPECT_EQ(frame()->windowTitle(), "Vexa Sorvi - numbered.txt");
  EXPECT_EQ(frame()->menu_resource(), 129);
}

TEST_F(PlainDocumentsTest, StartAlonePutsTheCaretAtItsLine) {
  const std::string path = numbered_file(30);
  start({"Start=10"});
  CSorviDocument* doc = open(path);
  ASSERT_TRUE(doc);
  const QTextCursor c = doc->view()->textCursor();
  EXPECT_FALSE(c.hasSelection());
  EXPECT_EQ(c.blockNumber(), 9);
  EXPECT_EQ(c.positionInBlock(), 0);
  EXPECT_EQ(frame()->line_pane_text(), "Ln 10, Col 1");
}

TEST_F(PlainDocumentsTest, FindTextOnOpeningAndSearchBothWays) {
  const std::string path = dir_.file("search.txt");
  write_file(path, "a needle\nneedles here\nthe needle\nNEEDLE again\nend of text\n");
  start({"FindText=needle"});
  CSorviDocument* doc = open(path);
  ASSERT_TRUE(doc);
  sorvi::CSorviEditView* view = doc->view();
  // Whole words and case: the first "needle" on its own.
  EXPECT_EQ(view->textCursor().selectedText(), "needle");
  EXPECT_EQ(view->textCursor().selectionStart(), 2);

  // Backward from the end: the last of the matches before the caret,
  // without regard to case.
  QTextCursor end(view->document());
  end.movePosition(QTextCursor::End);
  view->setTextCursor(end);
  ASSERT_TRUE(view->find_text("needle", false, false));
  EXPECT_EQ(view->textCursor().selectedText(), "NEEDLE");
  ASSERT_TRUE(view->find_text("needle", false, true));
  EXPECT_EQ(view->textCursor().blockNumber(), 2);
  // Forward from the last match finds nothing and says so.
  view->setTextCursor(end);
  ASSERT_TRUE(view->find_text("needle", false, false));
  EXPECT_FALSE(view->find_text("needle", true, false));
  EXPECT_EQ(messages_, (std::vector<std::string>{"Search String not found!"}));
  EXPECT_EQ(view->textCursor().selectedText(), "NEEDLE");

  // The search dialog asks the same.
  view->setTextCursor(QTextCursor(view->document()));
  view->open_find_dialog();
  ASSERT_TRUE(view->find_dialog());
  view->find_dialog()->text_edit()->setText("here");
  view->find_dialog()->find_next();
  EXPECT_EQ(view->textCursor().selectedText(), "here");
}

TEST_F(PlainDocumentsTest, BackwardSearchSelectsTheThirdOfThreeMatches) {
  const std::string path = dir_.file("three.txt");
  std::string text;
  for (int i = 0; i < 3; ++i) text += "x match " + std::to_string(i) + "\n";
  text += "caret line\n";
  write_file(path, text);
  start();
  CSorviDocument* doc = open(path);
  ASSERT_TRUE(doc);
  sorvi::CSorviEditView* view = doc->view();
  view->setTextCursor(QTextCursor(view->document()->findBlockByNumber(3)));
  ASSERT_TRUE(view->find_text("match", false, false));
  EXPECT_EQ(view->textCursor().blockNumber(), 2);
  EXPECT_EQ(view->textCursor().selectedText(), "match");
}

TEST_F(PlainDocumentsTest, AnOpenFileIsActivatedNotOpenedAgain) {
  const std::string a = numbered_file(5);
  const std::string b = dir_.file("other.txt");
  write_file(b, "other\n");
  start();
  CSorviDocument* first = open(a);
  CSorviDocument* second = open(b);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(frame()->active_document(), second);
  EXPECT_EQ(open(a), first);
  EXPECT_EQ(frame()->active_document(), first);
  EXPECT_EQ(frame()->mdi_area()->subWindowList().size(), 2);
  EXPECT_EQ(frame()->windowTitle(), "Vexa Sorvi - numbered.txt");
  EXPECT_EQ(sorvi::recent_files(), (std::vector<std::string>{b, a}));

  // Closing the documents brings back the frame's own caption and menu.
  frame()->command_action("Close")->trigger();
  process_events();
  EXPECT_EQ(app_->documents()->documents().size(), 1u);
  app_->documents()->close_document(app_->documents()->documents().front());
  process_events();
  EXPECT_EQ(frame()->windowTitle(), "Vexa Sorvi");
  EXPECT_EQ(frame()->menu_resource(), 128);
  EXPECT_EQ(frame()->line_pane_text(), "");
  EXPECT_EQ(frame()->active_document(), nullptr);
}

TEST_F(PlainDocumentsTest, ChildFramesStayMaximised) {
  start();
  CSorviDocument* doc = open(numbered_file(3));
  ASSERT_TRUE(doc);
  doc->frame()->showNormal();
  process_events();
  EXPECT_TRUE(doc->frame()->isMaximized());
}

TEST_F(PlainDocumentsTest, FailuresSayWhyUnlessInBatchMode) {
  start();
  EXPECT_EQ(open(dir_.file("missing.txt")), nullptr);
  EXPECT_EQ(open(work_ + "missing.ref"), nullptr);
  EXPECT_EQ(messages_, (std::vector<std::string>{"Failed to open document", "Failed to create document"}));
  EXPECT_TRUE(frame()->mdi_area()->subWindowList().isEmpty());
  messages_.clear();
  sorvi::startup_options().VMODE = true;
  EXPECT_EQ(open(dir_.file("missing.txt")), nullptr);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(PlainDocumentsTest, BytesShowAsUtf8OrLatin1) {
  const std::string latin = dir_.file("latin.txt");
  write_file(latin, "caf\xe9\n");
  const std::string utf8 = dir_.file("utf8.txt");
  write_file(utf8, "caf\xc3\xa9\n");
  start();
  CSorviDocument* a = open(latin);
  CSorviDocument* b = open(utf8);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->view()->line_text(0), QString::fromUtf8("caf\xc3\xa9"));
  EXPECT_EQ(b->view()->line_text(0), QString::fromUtf8("caf\xc3\xa9"));
  EXPECT_EQ(a->view()->text_bytes(), "caf\xe9\n");
}

TEST_F(PlainDocumentsTest, ViolationHelpOpensTheStandardsPage) {
  const std::string path = dir_.file("report.txt");
  write_file(path, "code line\n(M) STATIC VIOLATION     : 78 S : Macro parameter not in brackets.\n");
  start();
  CSorviDocument* doc = open(path);
  ASSERT_TRUE(doc);
  sorvi::CSorviEditView* view = doc->view();
  EXPECT_FALSE(view->violation_help_enabled());
  view->setTextCursor(QTextCursor(view->document()->findBlockByNumber(1)));
  ASSERT_TRUE(view->violation_help_enabled());
  EXPECT_EQ(view->violation_help_path(), set_.suite_dir + "standards_info/html/standards.htm#standard_s78");
  frame()->command_action("Violation Help")->trigger();
  process_events();
  CSorviDocument* page = frame()->active_document();
  ASSERT_NE(page, doc);
  // The page opens as the HTML kind, at the standard's anchor.
  EXPECT_EQ(page->kind(), DocKind::Html);
  EXPECT_EQ(page->path_name(), set_.suite_dir + "standards_info/html/standards.htm");
  EXPECT_TRUE(sorvi::html_anchor().empty());
  auto* html = qobject_cast<sorvi::CSorviHtmlDoc*>(page);
  ASSERT_TRUE(html);
  EXPECT_EQ(html->html_view()->source().fragment(), "standard_s78");
  EXPECT_GT(html->html_view()->document()->blockCount(), 1);
}

TEST_F(DocumentsTest, ColumnHeadingScrollsWithTheText) {
  start();
  auto* doc = qobject_cast<sorvi::CSorviRefDoc*>(open(work_ + "demo_1.ref"));
  ASSERT_TRUE(doc);
  frame()->resize(500, 400);
  process_events();
  sorvi::CScrollSorviStatusBar* heading = doc->frame()->header_bar();
  ASSERT_TRUE(heading);
  QScrollBar* scroll = doc->view()->horizontalScrollBar();
  ASSERT_GT(scroll->maximum(), 30);
  const int x = heading->text_x();
  scroll->setValue(30);
  EXPECT_EQ(heading->text_x(), x - 30);
  EXPECT_EQ(heading->font(), doc->view()->font());
}

TEST_F(DocumentsTest, ForwardedCommandLineOpensItsFileInTheRunningInstance) {
  set_profile("ONE_SORVI=", "ONE_SORVI=TRUE");
  start();
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("KELVAR", QString::fromStdString(set_.root));
  env.insert("XDG_RUNTIME_DIR", QString::fromStdString(dir_.path()));
  env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir_.path() + "/config"));
  env.insert("PROGRAMDATA", QString::fromStdString(dir_.path() + "/programdata"));
  env.insert("QT_QPA_PLATFORM", "offscreen");
  QProcess second;
  second.setProcessEnvironment(env);
  second.setWorkingDirectory(QString::fromStdString(work_));
  second.start(SORVI_EXE, {"demo_1.ref", "-Language=2"});
  QElapsedTimer t;
  t.start();
  while (second.state() != QProcess::NotRunning && t.elapsed() < 20000) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  if (second.state() != QProcess::NotRunning) {
    second.kill();
    second.waitForFinished(5000);
    FAIL() << "the second start did not end: " << second.readAllStandardError().toStdString();
  }
  EXPECT_EQ(second.exitCode(), 0);
  while (app_->documents()->documents().empty() && t.elapsed() < 25000) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  ASSERT_EQ(app_->documents()->documents().size(), 1u);
  EXPECT_EQ(frame()->windowTitle(), "Vexa Sorvi - demo.c - Reformatted");
}

}  // namespace
