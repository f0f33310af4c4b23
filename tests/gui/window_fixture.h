// Shared set-up of the window tests: a generated sample set in a scratch
// directory that the profile variables and the current directory point at,
// and the program's window started on it with a command line's options.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/message_box.h"
#include "config/startup_options.h"
#include "gui/annotate/annotated_view.h"
#include "gui/app/document.h"
#include "gui/app/document_manager.h"
#include "gui/app/main_frame.h"
#include "gui/app/sorvi_app.h"
#include "gui/app/view_bars.h"
#include "gui/views/sorvi_edit_view.h"
#include "samplegen/sample_set_writer.h"
#include "support/test_support.h"

// The toolkit's own entry for a key as the keyboard gives it to the
// window's shortcuts (what its test library uses).
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k, Qt::KeyboardModifiers mods,
                                               const QString& text, bool autorep, ushort count);

namespace sorvi_gui_test {

// Presses a key of the active window's shortcuts; true when one took it.
inline bool press_shortcut(QObject* target, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  return qt_sendShortcutOverrideEvent(target, 0, key, mods, QString(), false, 1);
}

inline void process_events() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

// Runs the event loop until the condition holds or a generous limit passes.
inline bool wait_until(const std::function<bool()>& done, int limit_ms = 30000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < limit_ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

// The first line of a text view from `from` holding the text, or -1.
inline int line_with(const sorvi::CSorviEditView* view, const QString& text, int from = 0) {
  for (int at = from; at < view->line_count(); ++at) {
    if (view->line_text(at).contains(text)) return at;
  }
  return -1;
}

class WindowTest : public ::testing::Test {
 protected:
  // The sample set: made by the first of make_set, add_to_profile and start.
  void make_set() {
    ASSERT_FALSE(made_);
    made_ = true;
    sorvi_sample::SampleSetOptions options;
    options.output_dir = dir_.path() + "/set";
    options.seed = 7;
    options.target_lines = 400;
    options.procedures = 6;
    set_ = sorvi_sample::write_sample_set(options);
    ASSERT_TRUE(set_.ok) << set_.error;
    work_ = set_.work_dir;
    const std::pair<std::string, std::string> env[] = {
        {"KELVAR", set_.root}, {"PROGRAMDATA", dir_.path() + "/programdata"},
        {"XDG_CONFIG_HOME", dir_.path() + "/config"}, {"XDG_RUNTIME_DIR", dir_.path()}};
    for (const auto& [name, value] : env) env_.push_back(std::make_unique<sorvi_test::ScopedEnv>(name, value));
    cwd_ = std::make_unique<sorvi_test::ScopedCwd>(work_);
  }

  // Adds a line to the profile's main section before the program starts.
  void add_to_profile(const std::string& line) {
    if (!made_) make_set();
    std::string ini = sorvi_test::read_file(set_.profile_path);
    ini.insert(ini.find('\n', ini.find("[C/C++ Vexa Kelvar]")) + 1, line + "\n");
    sorvi_test::write_file(set_.profile_path, ini);
  }

  // Starts the program's window with the options of a command line.
  void start(std::vector<std::string> options = {}) {
    if (!made_) make_set();
    sorvi_test::reset_core_state();
    sorvi::startup_options().Language = 2;
    for (const std::string& o : options) ASSERT_TRUE(sorvi::ParseOptionWord(o)) << o;
    sorvi::set_message_box_handler([this](const std::string& text) { messages_.push_back(text); });
    app_ = std::make_unique<sorvi::CSorviApp>();
    ASSERT_TRUE(app_->InitInstance("", false));
  }

  void TearDown() override {
    app_.reset();
    sorvi::set_message_box_handler(nullptr);
    sorvi_test::reset_core_state();
  }

  sorvi::CSorviDocument* open(const std::string& name) {
    sorvi::CSorviDocument* doc = app_->documents()->open_document(name);
    process_events();
    if (doc) text_complete(doc->view());
    return doc;
  }
  // An annotated text arrives step by step: waits for all of it.
  static void text_complete(sorvi::CSorviEditView* view) {
    auto* annotated = qobject_cast<sorvi::CAnnotatedView*>(view);
    if (annotated) { EXPECT_TRUE(wait_until([annotated] { return !annotated->filling(); })); }
  }
  sorvi::CSorviFrame* frame() { return app_->frame(); }
  QAbstractButton* control(sorvi::BarControl c) { return frame()->view_bars()->control(c); }
  void click(sorvi::BarControl c) {
    ASSERT_TRUE(control(c)->isEnabled());
    control(c)->click();
    process_events();
    if (sorvi::CSorviDocument* doc = frame()->active_document()) text_complete(doc->view());
  }

  sorvi_test::TempDir dir_;
  sorvi_sample::SampleSetSummary set_;
  std::string work_;
  std::vector<std::unique_ptr<sorvi_test::ScopedEnv>> env_;
  std::unique_ptr<sorvi_test::ScopedCwd> cwd_;
  std::unique_ptr<sorvi::CSorviApp> app_;
  std::vector<std::string> messages_;
  bool made_ = false;
};

}  // namespace sorvi_gui_test
