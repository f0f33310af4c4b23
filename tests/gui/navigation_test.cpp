// Moving from finding to finding on a generated module, through the window's
// commands: each command visits the starts of its findings in order, the
// caret at the start of the line and the line in the middle of the window,
// and goes on from the other end with a note in the status bar, also over
// code lines highlighted as never run in either colour set; Enter in
// the violation list jumps as a double click does; on a dark desktop the
// plain text follows the desktop's text colour and the status colours stay.
#include <gtest/gtest.h>

#include <QAction>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStatusBar>

#include "gui/annotate/sorvi_ref_doc.h"
#include "gui/app/child_frames.h"
#include "gui/views/violation_list_view.h"
#include "window_fixture.h"

namespace {

using sorvi_gui_test::line_with;
using sorvi_gui_test::process_events;

class NavigationTest : public sorvi_gui_test::WindowTest {
 protected:
  // The starts of the findings of a kind, told from the shown text alone:
  // 'v' violation, cross-reference and UR-anomaly lines, 'n' coverage notes
  // of blocks not executed, 'd' data-flow headings; a start is a line of the
  // kind after a line that is not.
  static std::vector<int> starts_by_text(const sorvi::CSorviEditView* view, char kind) {
    std::vector<int> starts;
    for (int line = 0, previous = '-'; line < view->line_count(); ++line) {
      const QString t = view->line_text(line);
      const char k = t.contains(QRegularExpression("VIOLATION|See also|UR ANOMALY")) ? 'v'
                     : t.contains("has not been executed")                         ? 'n'
                     : t.startsWith("Variables ")                                  ? 'd'
                                                                                   : '-';
      if (k == kind && previous != kind) starts.push_back(line);
      previous = k;
    }
    return starts;
  }
  // Triggers a command once more than there are starts, from line 0: the
  // lines landed on, "+" where the search went on from the other end, "?"
  // where the caret is not at the start of the line or the line not in the
  // middle of the window.
  std::string visit(sorvi::CSorviEditView* view, const std::string& command, size_t times) {
    QAction* action = frame()->findChild<QAction*>(QString::fromStdString(command));
    view->set_selection(0, 0);
    std::string out;
    for (size_t i = 0; action && i < times; ++i) {
      action->trigger();
      const int line = view->caret_line_index();
      const int top = std::min(std::max(0, line - view->visible_line_count() / 2), view->verticalScrollBar()->maximum());
      out += std::to_string(line) + (frame()->statusBar()->currentMessage().startsWith("Passed the ") ? "+" : "") +
             (view->caret() == view->line_start(line) && view->first_visible_line() == top ? " " : "? ");
    }
    return out;
  }
  // One kind's commands against its starts: from line 0 forward (a start
  // on line 0 comes last, after going on from the start) and backward, once
  // round and one more.
  void check_kind(sorvi::CSorviEditView* view, const std::string& name, const std::vector<int>& s,
                  const std::string& row) {
    ASSERT_GE(s.size(), 2u) << row << " " << name;
    const size_t top = s[0] == 0 ? 1 : 0;
    std::string forward, backward = std::to_string(s.back()) + "+ ";
    for (size_t i = top; i < s.size(); ++i) forward += std::to_string(s[i]) + " ";
    forward += std::to_string(s[0]) + "+ " + (top ? std::to_string(s[1]) + " " : "");
    for (size_t i = s.size() - 1; i-- > 0;) backward += std::to_string(s[i]) + " ";
    EXPECT_EQ(visit(view, "next_" + name, s.size() + 1), forward) << row;
    EXPECT_EQ(visit(view, "previous_" + name, s.size() + 1), backward + std::to_string(s.back()) + "+ ") << row;
  }
  void check_commands(sorvi::CSorviEditView* view, const std::string& row) {
    for (const auto& [kind, name] : {std::pair<char, std::string>{'v', "violation"}, {'n', "not_run"}, {'d', "dataflow"}}) {
      check_kind(view, name, starts_by_text(view, kind), row);
    }
  }
};

TEST_F(NavigationTest, CommandsVisitEachFindingAndGoOnFromTheOtherEnd) {
  for (const char* on : {"COVERAGE", "STANDARDS", "DATAFLOW"}) add_to_profile(std::string("SORVI_APROC_") + on + "=TRUE");
  start();
  auto* ref = qobject_cast<sorvi::CSorviRefDoc*>(open(work_ + "demo_1.ref"));
  ASSERT_TRUE(ref);
  check_commands(ref->view(), "ref");
  sorvi::CSorviDocument* xtx = open(work_ + "demo_1.xtx");
  ASSERT_TRUE(xtx);
  check_commands(xtx->view(), "xtx");

  // A dark desktop: the plain text and the black rules take the desktop's
  // text colour; a violation stays red.
  const QPalette light = QApplication::palette();
  QPalette dark = light;
  dark.setColor(QPalette::Base, QColor(30, 30, 30));
  dark.setColor(QPalette::Text, QColor(230, 230, 230));
  QApplication::setPalette(dark);
  process_events();
  const sorvi::CSorviEditView* view = ref->view();
  EXPECT_EQ(view->line_colour(0), QColor(230, 230, 230));
  EXPECT_EQ(view->line_colour(line_with(view, QString(78, QLatin1Char('=')))), QColor(230, 230, 230));
  EXPECT_EQ(view->line_colour(line_with(view, "VIOLATION")), QColor(255, 0, 0));
  QApplication::setPalette(light);

  // Enter on the violation list's last row shows its source line.
  auto* listing = qobject_cast<sorvi::CSorviRefDoc*>(open(work_ + "demo_1.sf1"));
  ASSERT_TRUE(listing);
  sorvi::CViolationListView* list = qobject_cast<sorvi::CMSVCSrcChildFrame*>(listing->frame())->violation_list();
  const int row = list->topLevelItemCount() - 1;
  list->setCurrentItem(list->topLevelItem(row));
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(list, &enter);
  process_events();
  const QStringList source = QString::fromStdString(sorvi_test::read_file(set_.modules[0].source_path)).split('\n');
  EXPECT_EQ(listing->view()->line_text(listing->view()->caret_line() - 1), source[std::stoi(list->cell_text(row, 4)) - 1]);
}

TEST_F(NavigationTest, HighlightedCodeLinesThatNeverRanInEitherColourSet) {
  make_set();
  for (const std::vector<std::string>& options : {std::vector<std::string>{"CoverageMode"}, {"CoverageMode", "CoveragePassFail"}}) {
    app_.reset();
    start(options);
    sorvi::CSorviDocument* doc = open(work_ + "demo_1.ref");
    ASSERT_TRUE(doc);
    // The code lines alone from reformatted line 7 on: line d shows
    // reformatted line d + 7. A start is the first line of a run in blocks
    // never executed.
    std::vector<int> starts;
    for (int d = 0, before = 0; d + 7 <= set_.modules[0].ref_lines; ++d) {
      int never = 0;
      for (const sorvi_sample::SampleBlock& b : set_.modules[0].blocks) {
        never |= !b.dummy && b.combined == 0 && b.start_line <= d + 7 && d + 7 <= b.end_line;
      }
      if (never && !before) starts.push_back(d);
      before = never;
    }
    check_kind(doc->view(), "not_run", starts, options.back());
  }
}

}  // namespace
