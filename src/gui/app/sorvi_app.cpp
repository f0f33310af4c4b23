#include "gui/app/sorvi_app.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdlib>
#include <unistd.h>

#include "app/batch.h"
#include "app/command_line.h"
#include "app/startup.h"
#include "base/fatal_report.h"
#include "base/message_box.h"
#include "config/coverage_labels.h"
#include "config/profile.h"
#include "config/startup_options.h"
#include "gui/app/document_manager.h"
#include "gui/app/main_frame.h"
#include "gui/app/single_instance_server.h"
#include "standards/report_config.h"

namespace sorvi {

bool display_available() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform && *platform) return true;
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x && *x) || (wayland && *wayland);
}

void install_toolkit_message_handler() {
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) {
    QByteArray line = message.toLocal8Bit() + '\n';
    ssize_t ignored = write(original_stderr_fd(), line.constData(), static_cast<size_t>(line.size()));
    (void)ignored;
  });
}

CSorviApp::CSorviApp() = default;
CSorviApp::~CSorviApp() = default;

bool CSorviApp::InitInstance(const std::string& file_name, bool open_file) {
  frame_ = std::make_unique<CSorviFrame>();
  documents_ = new CDocumentManager(frame_.get());
  if (get_profile_bool("ONE_SORVI", false, false)) {
    server_ = new SingleInstanceServer([this] { frame_->bring_to_front(); },
                                       [this](const std::vector<uint8_t>& payload) { OnCopyData(payload); }, this);
    server_->listen();
  }
  if (open_file && !open_document(file_name)) return false;
  if (startup_options().CoverageMode) {
    fill_coverage_labels(startup_options().CoveragePassFail);
    frame_->show_coverage_legend();
  }
  frame_->show();
  return true;
}

bool CSorviApp::open_document(const std::string& file_name) {
  return documents_ && documents_->open_document(file_name) != nullptr;
}

void CSorviApp::OnCopyData(const std::vector<uint8_t>& payload) {
  // A message box shown here runs its own event loop, in which further
  // command lines may arrive: they wait, the latest one only, until the
  // box is closed, so no more than one such box is ever shown at a time.
  pending_ = payload;
  if (handling_) return;
  handling_ = true;
  while (pending_) {
    const std::vector<uint8_t> next = std::move(*pending_);
    pending_.reset();
    take_command_line(next);
  }
  handling_ = false;
}

void CSorviApp::take_command_line(const std::vector<uint8_t>& payload) {
  const StartupOptions before = startup_options();
  const std::string file_name = receive_forwarded_command_line(payload);
  // The window never turns to batch mode.
  startup_options().VMODE = before.VMODE;
  const int language = startup_options().Language;
  if (language < 0 || language > 17) {
    // Refused whole: the window keeps its options and says why.
    startup_options() = before;
    message_box("Cannot configure Standards for language code \"" + std::to_string(language) + "\"");
    return;
  }
  if (file_name.empty()) {
    message_box("Unable to determine document name");
    return;
  }
  if (open_document(file_name)) frame_->bring_to_front();
}

int run_sorvi(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  if (!startup_before_window(args)) return 0;
  CSorviCommandLineInfo info = startup_parse_command_line(args);
  if (startup_options().VMODE) {
    const int status = run_batch(info);
    release_standards_data();
    return status;
  }

  if (!display_available()) {
    message_box("Sorvi needs a display for its window (set DISPLAY, or use -VMODE to write reports)");
    return 1;
  }
  install_toolkit_message_handler();
  QApplication app(argc, argv);
  QApplication::setApplicationName("Sorvi");
  QApplication::setOrganizationName("Vexa");
  QApplication::setApplicationVersion(QStringLiteral(SORVI_VERSION));
  set_message_box_handler([](const std::string& text) {
    QMessageBox::information(nullptr, QStringLiteral("Sorvi"), QString::fromLocal8Bit(text.c_str()));
  });
  CSorviApp sorvi_app;
  if (!sorvi_app.InitInstance(info.file_name, info.shell_command == ShellCommand::FileOpen)) return 0;
  int status = app.exec();
  // The per-language penalty catalogues and report configurations go with
  // the application.
  release_standards_data();
  set_message_box_handler(nullptr);
  return status;
}

}  // namespace sorvi
