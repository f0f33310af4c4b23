#include "gui/app/sorvi_app.h"

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QStatusBar>
#include <cstdlib>
#include <unistd.h>

#include "app/batch.h"
#include "app/command_line.h"
#include "app/startup.h"
#include "annotate/ref_document.h"
#include "base/fatal_report.h"
#include "base/message_box.h"
#include "config/coverage_labels.h"
#include "config/profile.h"
#include "config/startup_options.h"
#include "gui/annotate/sorvi_ref_doc.h"
#include "gui/annotate/sorvi_xtx_doc.h"
#include "gui/app/document_manager.h"
#include "gui/app/main_frame.h"
#include "gui/app/single_instance_server.h"
#include "standards/penalty_catalogue.h"
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
  connect(frame_->command_action(QStringLiteral("New")), &QAction::triggered, this, &CSorviApp::new_document);
  if (get_profile_bool("ONE_SORVI", false, false)) {
    server_ = new SingleInstanceServer([this] { frame_->bring_to_front(); },
                                       [this](const std::vector<uint8_t>& payload) { OnCopyData(payload); }, this);
    if (!server_->listen()) {
      // The window runs on; it only cannot take the command lines of
      // later starts, which open windows of their own.
      const QString why =
          QStringLiteral("Sorvi: later starts cannot hand over to this window: %1").arg(server_->failure());
      qWarning("%s", qPrintable(why));
      frame_->statusBar()->showMessage(why);
    }
  }
  if (open_file && !open_document(file_name)) return false;
  if (startup_options().CoverageMode) {
    fill_coverage_labels(startup_options().CoveragePassFail);
    frame_->show_coverage_legend();
  }
  frame_->show_placed();
  return true;
}

bool CSorviApp::new_document() {
  if (documents_ && documents_->new_document()) return true;
  message_box("Failed to create new document");
  return false;
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

std::string CSorviApp::standards_repository() const {
  // The GLH file of an open annotated document, else the GlhFile= option.
  for (CSorviDocument* doc : documents_ ? documents_->documents() : std::vector<CSorviDocument*>()) {
    std::string repository;
    if (auto* ref = qobject_cast<CSorviRefDoc*>(doc); ref && ref->ref_document()) {
      repository = ref->ref_document()->repository;
    } else if (auto* xtx = qobject_cast<CSorviXtxDoc*>(doc); xtx && xtx->xtx_document()) {
      repository = xtx->xtx_document()->repository;
    }
    if (!repository.empty()) return repository;
  }
  return startup_options().GlhFile;
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
  // The standards model follows the forwarded Language= and
  // ExternalStandard= (and StandardsModel=): the language's penalty texts
  // and report configuration are read again, for the documents already
  // open too.
  release_penalty_catalogue(language);
  load_document_standards(standards_repository());
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
  // Ties the windows to the installed menu entry (sorvi.desktop) on Wayland.
  QGuiApplication::setDesktopFileName(QStringLiteral("sorvi"));
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
