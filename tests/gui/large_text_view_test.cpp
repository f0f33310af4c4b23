// The text view of large read-only texts: keyboard selection and Copy
// across lines of different styles, a search far beyond the lines in
// sight, the last line of a long text, a line wider than the window,
// editing with undo, the alternative keys and replacing, and
// the generation that fills an annotated view step by step (the caret kept
// on its code line across a toggle, a window closed while lines arrive).
#include <gtest/gtest.h>

#include <QClipboard>
#include <QKeyEvent>
#include <QScrollBar>
#include <string>
#include <tuple>

#include "gui/annotate/sorvi_ref_doc.h"
#include "gui/annotate/sorvi_ref_view.h"
#include "gui/app/child_frames.h"
#include "gui/views/sorvi_edit_view.h"
#include "window_fixture.h"

namespace {

using sorvi::BarControl;

void press(QWidget* w, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent event(QEvent::KeyPress, key, modifiers);
  QApplication::sendEvent(w, &event);
}

// The caret, the selection and the colours of its lines.
std::string dump(sorvi::CLargeTextView& view) {
  std::string out = std::to_string(view.caret_line_index()) + ":" + std::to_string(view.caret_column()) + " '" +
                    view.selected_text().toStdString() + "'";
  const int from = static_cast<int>(view.store().line_of(view.selection_start()));
  for (int line = from; line <= view.caret_line_index(); ++line) out += " " + view.line_colour(line).name().toStdString();
  return out;
}

TEST(LargeTextView, KeyboardSelectionAndCopyAcrossStyledLines) {
  sorvi::CLargeTextView view;
  QColor colours[9];
  for (int i = 0; i < 9; ++i) colours[i] = QColor(i * 20, 0, 0);
  view.set_style_colours(colours);
  view.begin_lines();
  const std::pair<const char*, uint8_t> lines[] = {{"int a;", 0}, {"-- rule", 2}, {"executed", 4}, {"x\xC3\xA9y", 6}};
  for (const auto& [text, style] : lines) view.line_store().append(text, style);
  view.lines_arrived();
  const std::pair<std::vector<std::pair<int, Qt::KeyboardModifiers>>, std::string> rows[] = {
      {{{Qt::Key_Down, Qt::ShiftModifier}, {Qt::Key_End, Qt::ShiftModifier}},
       "1:7 'int a;\n-- rule' #000000 #000000"},
      {{{Qt::Key_Down, Qt::NoModifier}, {Qt::Key_Right, Qt::NoModifier}, {Qt::Key_Down, Qt::ShiftModifier},
        {Qt::Key_Down, Qt::ShiftModifier}, {Qt::Key_Right, Qt::ShiftModifier}},
       "3:2 '- rule\nexecuted\nx\xC3\xA9' #000000 #140000 #3c0000"},
      {{{Qt::Key_End, Qt::ControlModifier}, {Qt::Key_Left, Qt::ShiftModifier}, {Qt::Key_Left, Qt::ShiftModifier}},
       "3:1 '\xC3\xA9y' #3c0000"},
  };
  for (const auto& [keys, expected] : rows) {
    view.set_selection(0, 0);
    for (const auto& [key, modifiers] : keys) press(&view, key, modifiers);
    EXPECT_EQ(dump(view), expected);
  }
  press(&view, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "\xC3\xA9y");
}

TEST(LargeTextView, FindsFarBeyondTheLinesInSightBothWays) {
  std::string text;
  for (int i = 0; i < 200000; ++i) text += (i == 150000 || i == 180000 ? "a Needle here\n" : "line\n");
  sorvi::CSorviEditView view(nullptr);
  view.resize(400, 300);
  view.set_text_bytes(text);
  ASSERT_TRUE(view.find_text("needle", true, false));
  EXPECT_EQ(view.caret_line_index(), 150000);
  EXPECT_EQ(view.selected_text().toStdString(), "Needle");
  EXPECT_LE(view.first_visible_line(), 150000);
  EXPECT_GT(view.first_visible_line() + view.visible_line_count(), 150000);
  ASSERT_TRUE(view.find_text("Needle", true, true));
  EXPECT_EQ(view.caret_line_index(), 180000);
  view.set_selection(view.store().size(), view.store().size());
  ASSERT_TRUE(view.find_text("Needle", false, true));
  EXPECT_EQ(view.caret_line_index(), 180000);
}

TEST(LargeTextView, GoesToTheLastLineAndAlongALineWiderThanTheWindow) {
  std::string text;
  for (int i = 0; i < 300000; ++i) text += "line " + std::to_string(i) + "\n";
  text += std::string(5000, 'w') + "<end>";
  sorvi::CLargeTextView view;
  view.resize(400, 300);
  view.set_text_bytes(text);
  press(&view, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(view.caret_line_index(), 300000);
  EXPECT_EQ(view.caret_column(), 5005);
  EXPECT_EQ(view.first_visible_line(), view.verticalScrollBar()->maximum());
  EXPECT_EQ(view.first_visible_line() + view.visible_line_count(), 300001);
  QScrollBar* h = view.horizontalScrollBar();
  EXPECT_GT(h->value(), 0);
  EXPECT_GE(h->maximum(), h->value());
  press(&view, Qt::Key_Home);
  EXPECT_EQ(h->value(), 0);
  EXPECT_EQ(view.line_text(view.caret_line_index()).right(5).toStdString(), "<end>");
}

TEST(LargeTextView, WritableTextTakesTypingUndoAndReplacing) {
  std::string text;
  for (int i = 0; i < 10000; ++i) text += "line " + std::to_string(i) + "\n";
  sorvi::CSorviEditView view(nullptr);
  view.set_text_bytes(text);
  view.setReadOnly(false);
  view.set_selection(5, 5);
  // The head of the text, '*' when modified, and the clipboard after each key.
  auto state = [&] {
    return view.text_bytes().substr(0, 15) + (view.is_modified() ? "*" : "") + "|" +
           QApplication::clipboard()->text().toStdString();
  };
  QApplication::clipboard()->clear();
  const std::tuple<int, Qt::KeyboardModifiers, QString, std::string> keys[] = {
      {Qt::Key_A, Qt::NoModifier, "A", "line A0\nline 1\n*|"},  {Qt::Key_B, Qt::NoModifier, "B", "line AB0\nline 1*|"},
      {Qt::Key_Return, Qt::NoModifier, "\r", "line AB\n0\nline *|"}, {Qt::Key_Backspace, Qt::NoModifier, "", "line AB0\nline 1*|"},
      {Qt::Key_Delete, Qt::NoModifier, "", "line AB\nline 1\n*|"},  {Qt::Key_Z, Qt::ControlModifier, "", "line AB0\nline 1*|"},
      {Qt::Key_Backspace, Qt::AltModifier, "", "line AB\n0\nline *|"}, {Qt::Key_Z, Qt::ControlModifier, "", "line AB0\nline 1*|"},
      {Qt::Key_Z, Qt::ControlModifier, "", "line 0\nline 1\nl|"},   {Qt::Key_Right, Qt::ShiftModifier, "", "line 0\nline 1\nl|"},
      {Qt::Key_Insert, Qt::ControlModifier, "", "line 0\nline 1\nl|0"}, {Qt::Key_Delete, Qt::ShiftModifier, "", "line \nline 1\nli*|0"},
      {Qt::Key_Insert, Qt::ShiftModifier, "", "line 0\nline 1\nl*|0"},
  };
  for (const auto& [key, modifiers, typed, expected] : keys) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers, typed);
    QApplication::sendEvent(&view, &event);
    EXPECT_EQ(state(), expected) << key;
  }
  // Replace All as one edit that undo takes back whole; Replace takes the
  // selected match and goes on to the next.
  using Step = sorvi::CSorviFindDialog::ReplaceStep;
  ASSERT_TRUE(view.replace_step("LINE", "row", false, true, Step::ReplaceAll));
  EXPECT_EQ(view.line_text(9999).toStdString(), "row 9999");
  view.undo();
  EXPECT_TRUE(view.text_bytes() == text);
  view.set_selection(3, 3);
  ASSERT_TRUE(view.replace_step("line", "row", true, true, Step::Replace));
  ASSERT_TRUE(view.replace_step("line", "row", true, true, Step::Replace));
  EXPECT_EQ(view.text_bytes().substr(0, 14) + "|" + view.selected_text().toStdString(), "line 0\nrow 1\nl|line");
  view.set_selection(view.line_start(9000) + 2, view.line_start(9000) + 2);
  EXPECT_EQ(view.line_text(view.caret_line_index()).toStdString(), "line 9000");
}

class GeneratedTextTest : public sorvi_gui_test::WindowTest {
 protected:
  void TearDown() override {
    sorvi::CAnnotatedView::set_slice(std::chrono::milliseconds(25));
    WindowTest::TearDown();
  }
};

TEST_F(GeneratedTextTest, ToggleKeepsTheCaretOnItsCodeLine) {
  start();
  auto* doc = qobject_cast<sorvi::CSorviRefDoc*>(open(work_ + "demo_1.ref"));
  ASSERT_TRUE(doc);
  sorvi::CSorviRefView* view = doc->ref_view();
  click(BarControl::Violations);
  const int line = view->line_count() * 3 / 4;
  view->set_selection(view->line_start(line), view->line_start(line));
  const QString shown = view->line_text(line);
  sorvi::CAnnotatedView::set_slice(std::chrono::microseconds(0));
  control(BarControl::Violations)->click();
  EXPECT_TRUE(view->filling());
  ASSERT_TRUE(sorvi_gui_test::wait_until([&] { return !view->filling(); }));
  EXPECT_GT(view->caret_line_index(), line);
  EXPECT_EQ(view->line_text(view->caret_line_index()), shown);
  EXPECT_EQ(view->caret_line_index(), view->first_visible_line());
}

TEST_F(GeneratedTextTest, ClosingWhileLinesArriveEndsTheGeneration) {
  sorvi::CAnnotatedView::set_slice(std::chrono::microseconds(0));
  start();
  auto* doc = qobject_cast<sorvi::CSorviRefDoc*>(app_->documents()->open_document(work_ + "demo_1.ref"));
  ASSERT_TRUE(doc);
  QPointer<sorvi::CSorviRefView> view = doc->ref_view();
  ASSERT_TRUE(view->filling());
  // A turn of the event loop brings the next chunk of lines.
  const int first = view->line_count();
  for (int turn = 0; turn < 100 && view->line_count() == first; ++turn) QApplication::processEvents();
  EXPECT_GT(view->line_count(), first);
  ASSERT_TRUE(view->filling());
  EXPECT_EQ(view->verticalScrollBar()->maximum(), view->line_count() - view->visible_line_count());
  doc->frame()->close();
  EXPECT_TRUE(sorvi_gui_test::wait_until([&] {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return view.isNull();
  }));
}

}  // namespace
