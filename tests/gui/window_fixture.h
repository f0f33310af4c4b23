// Shared set-up of the window tests: a generated sample set in a scratch
// directory that the profile variables and the current directory point at,
// and the program's window started on it with a command line's options.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>

#include <memory>
#include <string>
#include <vector>

#include "base/message_box.h"
#include "config/startup_options.h"
#include "gui/app/document_manager.h"
#include "gui/app/main_frame.h"
#include "gui/app/sorvi_app.h"
#include "samplegen/sample_set_writer.h"
#include "support/test_support.h"

namespace sorvi_gui_test {

inline void process_events() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

class WindowTest : public ::testing::Test {
 protected:
  // The sample set: made by the first of make_set, set_profile and start.
  void make_set(unsigned files = sorvi_sample::kSampleAllFiles, int procedures = 6, int lines = 400) {
    ASSERT_FALSE(made_);
    made_ = true;
    sorvi_sample::SampleSetOptions options;
    options.output_dir = dir_.path() + "/set";
    options.seed = 7;
    options.target_lines = lines;
    options.procedures = procedures;
    options.files = files;
    set_ = sorvi_sample::write_sample_set(options);
    ASSERT_TRUE(set_.ok) << set_.error;
    work_ = set_.work_dir;
    env_.push_back(std::make_unique<sorvi_test::ScopedEnv>("KELVAR", set_.root));
    env_.push_back(std::make_unique<sorvi_test::ScopedEnv>("PROGRAMDATA", dir_.path() + "/programdata"));
    env_.push_back(std::make_unique<sorvi_test::ScopedEnv>("XDG_CONFIG_HOME", dir_.path() + "/config"));
    env_.push_back(std::make_unique<sorvi_test::ScopedEnv>("XDG_RUNTIME_DIR", dir_.path()));
    cwd_ = std::make_unique<sorvi_test::ScopedCwd>(work_);
  }

  // Changes one line of the profile's main section before the program
  // starts, or adds `to` there when `from` is not in the profile.
  void set_profile(const std::string& from, const std::string& to) {
    if (!made_) make_set();
    std::string ini = sorvi_test::read_file(set_.profile_path);
    const size_t at = from.empty() ? std::string::npos : ini.find(from);
    if (at == std::string::npos) {
      ini.insert(ini.find('\n', ini.find("[C/C++ Vexa Kelvar]")) + 1, to + "\n");
    } else {
      ini.replace(at, from.size(), to);
    }
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
    return doc;
  }
  sorvi::CSorviFrame* frame() { return app_->frame(); }

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
