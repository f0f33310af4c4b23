// Start-up of the real program: batch mode and the missing display, the
// fatal report file, and the single-instance hand-over between a running
// window and a second start of the program; then the main frame's own
// commands and what it keeps.
#include <gtest/gtest.h>

#include <filesystem>

#include <QHelpEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "app/command_line.h"
#include "app/single_instance.h"
#include "gui/app/single_instance_server.h"

#include "config/startup_options.h"
#include "gui/views/sorvi_html_doc.h"
#include "gui/views/sorvi_html_view.h"
#include "standards/penalty_catalogue.h"
#include "window_fixture.h"

namespace {

using sorvi_gui_test::process_events;
using sorvi_gui_test::wait_until;
using sorvi_test::file_exists;
using sorvi_test::read_file;
using sorvi_test::run_program;
using sorvi_test::TempDir;
using sorvi_test::write_file;

// A stream socket at a path: listening (a squatter's), or connected to one
// (-1 when nobody listens there).
int unix_socket(const std::string& path, bool listening) {
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  path.copy(a.sun_path, sizeof a.sun_path - 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | (listening ? SOCK_NONBLOCK : 0), 0);
  const timeval limit{60, 0};  // nothing here waits for ever
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  const bool ok = listening ? bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(fd, 8) == 0
                            : connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  if (!ok) close(fd);
  return ok ? fd : -1;
}

TEST(HandOverPathTest, ASquattedSocketPathIsNeitherJoinedNorTaken) {
  for (const std::string squat : {"file", "symlink", "open directory", "foreign socket", "foreign directory"}) {
    if (squat.rfind("foreign", 0) == 0 && geteuid() != 0) continue;  // only root can give files away
    TempDir tmp;
    sorvi_test::ScopedEnv runtime("XDG_RUNTIME_DIR", std::nullopt), tmpdir("TMPDIR", tmp.path());
    const std::string path = sorvi::single_instance_socket_path();
    const std::string dir = path.substr(0, path.rfind('/'));
    mkdir(dir.c_str(), 0700);
    const std::string target = squat == "symlink" ? tmp.file("elsewhere") : path;
    const int squatter = squat == "file" ? -1 : unix_socket(target, true);
    if (squat == "file") sorvi_test::write_file(path, "");
    if (squat == "symlink") { ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0); }
    if (squat == "open directory") { ASSERT_EQ(chmod(dir.c_str(), 0777), 0); }
    if (squat == "foreign socket") { ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0); }
    if (squat == "foreign directory") { ASSERT_EQ(chown(dir.c_str(), 65534, 65534), 0); }
    struct stat before {}, after {};
    lstat(path.c_str(), &before);
    const bool handed = sorvi::hand_over_to_running_instance({"sorvi", "-Procnum=1"}) != sorvi::HandOver::NoInstance;
    const bool listening = sorvi::SingleInstanceServer({}, {}).listen();
    int reached = 0;
    for (int fd; squatter >= 0 && (fd = accept(squatter, nullptr, nullptr)) >= 0; ++reached) close(fd);
    const bool kept = lstat(path.c_str(), &after) == 0 && after.st_ino == before.st_ino;
    EXPECT_EQ(squat + (handed ? ": handed" : ": kept") + (listening ? ", listening" : ", closed") + ", reached " +
                  std::to_string(reached) + (kept ? ", left alone" : ", replaced"),
              squat + ": kept, closed, reached 0, left alone");
    if (squatter >= 0) close(squatter);
  }
}

TEST(ProgramTest, BatchModeNeedsNoDisplayAndTheWindowSaysWhyItCannotOpen) {
  sorvi_test::ProfileFixture profile;
  const std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + profile.dir().path(),
                                        "XDG_CONFIG_HOME=" + profile.dir().file("config"), "QT_QPA_PLATFORM",
                                        "DISPLAY", "WAYLAND_DISPLAY"};
  const std::pair<std::vector<std::string>, std::string> rows[] = {
      {{"-Help", "-VMODE"}, "0|" + std::string(sorvi::help_text()) + "|"},
      {{"-VMODE", "/no/such/file.ref"}, "0||"},
      {{}, "1||Sorvi needs a display for its window (set DISPLAY, or use -VMODE to write reports)\n"},
  };
  for (const auto& [args, expected] : rows) {
    const sorvi_test::RunResult r = run_program(SORVI_EXE, args, env, profile.dir().path(), 60);
    EXPECT_EQ(std::to_string(r.status) + "|" + r.out + "|" + r.err, expected) << args.size();
    EXPECT_FALSE(file_exists(profile.dir().file("sorvi.err")));
  }
}

TEST(ProgramTest, MissingProfileSectionLeavesOnlyTheReportInTheErrorFile) {
  TempDir dir;
  sorvi_test::write_file(dir.file("Kelvar.ini"), "[Elsewhere]\nA=1\n");
  sorvi_test::RunResult r = run_program(
      SORVI_EXE, {"-VMODE"}, {"KELVAR=" + dir.path(), "PROGRAMDATA=" + dir.file("pd"), "QT_QPA_PLATFORM=offscreen"},
      dir.path(), 60);
  EXPECT_EQ(r.status, 0);
  // The boxed report alone: its first banner line, the missing section, its closing lines.
  const std::string err = read_file(dir.file("sorvi.err"));
  EXPECT_EQ(err.substr(0, 61), " ************************************************************");
  EXPECT_NE(err.find("\n Required Section \"[C/C++ Vexa Kelvar]\"\n not found in " + dir.path() + "/Kelvar.ini\n"),
            std::string::npos);
  const std::string closing = "\n ****   Issue found while running Quorvane   ****\n " + std::string(60, '*') + "\n\n\n";
  EXPECT_EQ(err.substr(err.size() - std::min(err.size(), closing.size())), closing);
}

// A window started in this process with ONE_SORVI set, and second starts
// of the real program beside it (with this process's variables).
class HandOverTest : public sorvi_gui_test::WindowTest {
 protected:
  void SetUp() override {
    add_to_profile("ONE_SORVI=TRUE");
    second_env_ = QProcessEnvironment::systemEnvironment();
  }

  // Runs a second start while the window takes messages, until it ends
  // (its exit status) or `until` holds (-1, and the start is ended). What
  // it writes goes to a file, so it never waits for a reader.
  int second_start(const QStringList& args, const std::function<bool()>& until = [] { return false; }) {
    QProcess second;
    second.setProcessEnvironment(second_env_);
    second.setWorkingDirectory(QString::fromStdString(work_));
    second.setProcessChannelMode(QProcess::MergedChannels);
    second.setStandardOutputFile(QString::fromStdString(dir_.file("second.out")));
    second.start(SORVI_EXE, args);
    const bool ended = wait_until([&] { return second.state() == QProcess::NotRunning || until(); }, 60000);
    const bool running = !ended || second.state() != QProcess::NotRunning;
    if (running) second.kill();
    second.waitForFinished(10000);
    out_ = read_file(dir_.file("second.out"));
    return running ? -1 : second.exitCode();
  }
  QProcessEnvironment second_env_;
  std::string out_;
};

TEST_F(HandOverTest, SecondStartHandsItsCommandLineToTheRunningWindow) {
  start();
  // Options alone: stored, and the window says that no document was named.
  EXPECT_EQ(second_start({"-Procnum=5", "/Start=3"}), 0) << out_;
  EXPECT_EQ(out_, "");
  ASSERT_TRUE(wait_until([&] { return !messages_.empty(); }));
  EXPECT_EQ(messages_, (std::vector<std::string>{"Unable to determine document name"}));
  EXPECT_EQ(sorvi::startup_options().Procnum, 5);
  EXPECT_EQ(sorvi::startup_options().Start, 3);
  // A file: the window opens it.
  EXPECT_EQ(second_start({"demo_1.ref", "-Language=2"}), 0) << out_;
  ASSERT_TRUE(wait_until([&] { return !app_->documents()->documents().empty(); }));
  EXPECT_EQ(frame()->windowTitle(), "Vexa Sorvi - demo.c - Reformatted");
  // The standards are read again with a forwarded external standard.
  ASSERT_TRUE(sorvi::find_penalty_catalogue(2));
  const std::string before = sorvi::find_penalty_catalogue(2)->external_standard;
  app_->OnCopyData(sorvi::build_forwarded_command_line({"sorvi", "-ExternalStandard=MISRA-C:2004"}));
  EXPECT_EQ(before + " -> " + sorvi::find_penalty_catalogue(2)->external_standard, " -> MISRA-C:2004");
}

TEST_F(HandOverTest, BatchStartBesideARunningWindowWritesItsOwnReport) {
  start();
  EXPECT_EQ(second_start({"-VMODE", "demo_1.ref", "-Language=2"}), 0) << out_;
  EXPECT_TRUE(file_exists(work_ + "demo_1.aref.rtf"));
  EXPECT_TRUE(app_->documents()->documents().empty());
  // A forwarded command line neither turns the window to batch mode nor
  // ends it with a language that cannot be configured.
  app_->OnCopyData(sorvi::build_forwarded_command_line({"sorvi", "-VMODE", "-Language=99", "demo_1.ref"}));
  EXPECT_FALSE(sorvi::startup_options().VMODE);
  EXPECT_EQ(sorvi::startup_options().Language, 2);
  EXPECT_EQ(messages_, (std::vector<std::string>{"Cannot configure Standards for language code \"99\""}));
  EXPECT_TRUE(app_->documents()->documents().empty());
}

TEST_F(HandOverTest, AFloodOfBadCommandLinesLeavesTheWindowAlive) {
  const std::string path = sorvi::single_instance_socket_path();
  auto flood = [&] {  // once the started program listens
    const int idle = unix_socket(path, false);  // a connection that never sends
    if (idle < 0) return false;
    const char bad[] = {9, 0, 0, 0, 'a', 0};  // nine arguments announced, one sent
    for (int i = 0, fd; i < 4000 && (fd = unix_socket(path, false)) >= 0; ++i) {
      send(fd, bad, sizeof bad, MSG_NOSIGNAL);
      close(fd);
    }
    // An oversized command line is answered with a refusal.
    const int big = unix_socket(path, false);
    const std::string huge = std::string("\x02\0\0\0", 4) + std::string(2 << 20, 'a');
    send(big, huge.data(), huge.size(), MSG_NOSIGNAL);
    char answer = 1;
    EXPECT_EQ(recv(big, &answer, 1, 0) == 1 && answer == 0, true) << "refusal";
    EXPECT_EQ(sorvi::hand_over_to_running_instance({"sorvi", "-Procnum=1"}), sorvi::HandOver::Forwarded);
    pollfd p{idle, POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 60000) == 1 && recv(idle, &answer, 1, 0) == 0, true) << "the idle connection is dropped";
    close(big);
    close(idle);
    return true;
  };
  EXPECT_EQ(second_start({}, flood), -1) << "the window ended: " << out_;
}

TEST_F(HandOverTest, SecondStartWithoutArgumentsOpensASecondWindow) {
  start();
  // On the minimal platform a painted window is saved as an image file in
  // the working directory.
  second_env_.insert("QT_QPA_PLATFORM", "minimal");
  second_env_.insert("QT_DEBUG_BACKINGSTORE", "1");
  const std::string image = work_ + "output0000.png";
  EXPECT_EQ(second_start({}, [&] { return file_exists(image); }), -1) << out_;
  EXPECT_TRUE(file_exists(image));
  EXPECT_TRUE(messages_.empty());
  // The second window says that it cannot take later starts' command lines.
  EXPECT_NE(out_.find("cannot hand over to this window: another Sorvi window takes them"), std::string::npos) << out_;
}

// The main frame's own commands: its menus and keys per document kind, the
// Window menu, help, File > New, web archives, the lock keys and the
// window's placement.
class FrameTest : public sorvi_gui_test::WindowTest {
 protected:
  // The visible menus: each command with its keys ("+") and, when it has
  // no fly-by prompt or tool tip, a "!"; submenus in brackets.
  static std::string menu_dump(const QList<QAction*>& actions) {
    std::string out;
    for (QAction* a : actions) {
      if (!a->isVisible() || a->isSeparator() || a->data().isValid()) continue;
      out += (out.empty() ? "" : " ") + a->text().remove('&').toStdString();
      if (a->menu()) {
        out += "[" + menu_dump(a->menu()->actions()) + "]";
        continue;
      }
      for (const QKeySequence& k : a->shortcuts()) out += "+" + k.toString().toStdString();
      if (a->statusTip().isEmpty() || a->toolTip().isEmpty()) out += "!";
    }
    return out;
  }
  std::string menus() { return menu_dump(frame()->menuBar()->actions()); }
};

TEST_F(FrameTest, WindowMenuListsTheDocumentsArrangesThemAndF6GoesRound) {
  make_set();
  write_file(dir_.file("notes.txt"), "notes\n");
  start();
  frame()->activateWindow();
  ASSERT_TRUE(wait_until([&] { return frame()->isActiveWindow(); }));
  ASSERT_TRUE(open(dir_.file("notes.txt")) && open(work_ + "demo_1.ref"));
  QMdiArea* area = frame()->mdi_area();
  // What the window shows: each frame, maximised or where it is in halves
  // of the area's width and height, and the active document.
  auto state = [&] {
    process_events();
    std::string out;
    const int w = area->viewport()->width(), h = area->viewport()->height();
    for (QMdiSubWindow* f : area->subWindowList()) {
      const QRect g = f->geometry();
      out += f->isMaximized() ? std::string("max ")
                              : QString::asprintf("%d,%d %dx%d ", g.x() * 2 / w, g.y() * 2 / h, g.width() * 2 / w,
                                                  g.height() * 2 / h).toStdString();
    }
    return out + frame()->active_document()->title().toStdString();
  };
  auto list = [&] {
    emit frame()->window_menu()->aboutToShow();
    std::string out;
    for (QAction* a : frame()->window_menu()->actions()) {
      if (a->isCheckable()) out += a->text().toStdString() + (a->isChecked() ? "* " : " ");
    }
    return out;
  };
  EXPECT_EQ(list(), "&1 notes.txt &2 demo.c - Reformatted* ");
  frame()->window_menu()->actions().at(frame()->window_menu()->actions().size() - 2)->trigger();
  EXPECT_EQ(state(), "max 0,0 0x0 notes.txt");
  // An arrangement stands, through a change of window, until the user
  // maximises one again.
  frame()->command_action("Tile Vertically")->trigger();
  EXPECT_EQ(state(), "0,0 1x2 1,0 1x2 notes.txt");
  frame()->command_action("Tile Horizontally")->trigger();
  EXPECT_EQ(state(), "0,0 2x1 0,1 2x1 notes.txt");
  EXPECT_TRUE(sorvi_gui_test::press_shortcut(frame(), Qt::Key_F6));
  EXPECT_EQ(state(), "0,0 2x1 0,1 2x1 demo.c - Reformatted");
  area->currentSubWindow()->showMaximized();
  EXPECT_TRUE(sorvi_gui_test::press_shortcut(frame(), Qt::Key_F6, Qt::ShiftModifier));
  EXPECT_EQ(state().substr(0, 4), "max ");
  EXPECT_EQ(list(), "&1 notes.txt* &2 demo.c - Reformatted ");
}

TEST_F(FrameTest, EmptyFrameOpensHelpMakesANewDocumentShowsTheLockKeysAndKeepsItsPlacement) {
  start();
  frame()->activateWindow();
  ASSERT_TRUE(wait_until([&] { return frame()->isActiveWindow(); }));
  QStringList opened;
  frame()->set_help_opener([&](const QString& path) {
    opened << path;
    return true;
  });
  const QString help = QString::fromStdString(set_.suite_dir + "Help/Kelvar.pdf");
  // F1 with no document open; Shift+F1 and a click on a part of the window.
  EXPECT_TRUE(sorvi_gui_test::press_shortcut(frame(), Qt::Key_F1));
  EXPECT_TRUE(sorvi_gui_test::press_shortcut(frame(), Qt::Key_F1, Qt::ShiftModifier));
  QHelpEvent click(QEvent::WhatsThis, QPoint(5, 5), frame()->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(frame()->mdi_area(), &click);
  EXPECT_EQ(opened, QStringList({help, help}));

  // File > New: an untitled plain document.
  frame()->command_action("New")->trigger();
  process_events();
  ASSERT_EQ(app_->documents()->documents().size(), 1u);
  EXPECT_EQ(std::to_string(frame()->menu_resource()) + " " + frame()->windowTitle().toStdString(),
            "129 Vexa Sorvi - Sorvir1");
  EXPECT_EQ(frame()->active_document()->view()->line_count(), 1);
  EXPECT_TRUE(messages_.empty());

  // Help Topics follows the file at each refresh.
  QAction* topics = frame()->command_action("Help Topics");
  const bool before = topics->isEnabled();
  std::filesystem::create_directories(set_.suite_dir + "Help");
  write_file(help.toStdString(), "%PDF-1.4\n");
  frame()->set_menu_resource(frame()->menu_resource());
  EXPECT_EQ(std::to_string(before) + std::to_string(topics->isEnabled()), "01");

  // The lock keys as the keyboard tells them.
  frame()->set_lock_state_source([] { return 1 | 4; });
  frame()->update_lock_panes();
  std::string panes;
  for (const char* name : {"caps_pane", "num_pane", "scroll_pane"}) {
    panes += frame()->findChild<QLabel*>(name)->text().toStdString() + "|";
  }
  EXPECT_EQ(panes, "CAP||SCRL|");

  // The placement goes with the settings; a new window takes it.
  frame()->showNormal();
  frame()->setGeometry(40, 30, 700, 500);
  frame()->showMaximized();
  process_events();
  ASSERT_TRUE(frame()->close());
  sorvi::CSorviFrame next;
  next.show_placed();
  process_events();
  EXPECT_TRUE(next.isMaximized());
  EXPECT_EQ(next.normalGeometry(), QRect(40, 30, 700, 500));
}

TEST_F(FrameTest, WebArchiveShowsItsPageAndInlinePartsAndThePageCommandsActOnIt) {
  make_set();
  const QByteArray png = QByteArray::fromBase64(
      "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR4nGP4z8DwHwAFAAH/iZk9HQAAAABJRU5ErkJggg==");
  const std::string mht =
      "MIME-Version: 1.0\r\nContent-Type: multipart/related;\r\n\tboundary=\"==b==\"; type=\"text/html\"\r\n\r\n"
      "preamble\r\n--==b==\r\nContent-Type: text/html; charset=\"utf-8\"\r\n"
      "Content-Transfer-Encoding: quoted-printable\r\nContent-Location: http://example.com/a/page.htm\r\n\r\n"
      "<html><body><p>Caf=C3=A9 r=\r\nules</p><img src=3D\"img/dot.png\"><img src=3D\"cid:dot@x\"></body></html>\r\n"
      "--==b==\r\nContent-Type: image/png\r\nContent-Transfer-Encoding: base64\r\n"
      "Content-Location: http://example.com/a/img/dot.png\r\nContent-ID: <dot@x>\r\n\r\n" +
      png.toBase64().insert(20, "\r\n").toStdString() + "\r\n--==b==--\r\n";
  write_file(dir_.file("saved.mht"), mht);
  write_file(dir_.file("not.mht"), "<html>plain</html>");
  start();
  auto page = [&] {
    auto* html = qobject_cast<sorvi::CSorviHtmlDoc*>(frame()->active_document());
    return html ? html->html_view() : nullptr;
  };
  ASSERT_TRUE(open(dir_.file("not.mht")) && page());
  EXPECT_TRUE(page()->toPlainText().startsWith("This page cannot be shown")) << page()->toPlainText().toStdString();
  ASSERT_TRUE(open(dir_.file("saved.mht")) && page());
  EXPECT_EQ(page()->toPlainText().toStdString(), "Café rules\xef\xbf\xbc\xef\xbf\xbc");
  const QUrl beside = QUrl::fromLocalFile(QString::fromStdString(dir_.file("img/dot.png")));
  EXPECT_EQ(page()->loadResource(QTextDocument::ImageResource, beside).toByteArray(), png);
  EXPECT_EQ(page()->loadResource(QTextDocument::ImageResource, QUrl("cid:dot@x")).toByteArray(), png);
  // The frame's page commands: the text size checked, Back after a link.
  frame()->command_action("Large")->trigger();
  EXPECT_EQ(page()->text_size(), 3);
  EXPECT_TRUE(frame()->command_action("Large")->isChecked());
  EXPECT_FALSE(frame()->command_action("Back")->isEnabled());
  page()->navigate(QUrl::fromLocalFile(QString::fromStdString(dir_.file("not.mht"))).toString());
  ASSERT_TRUE(frame()->command_action("Back")->isEnabled());
  frame()->command_action("Back")->trigger();
  EXPECT_TRUE(page()->toPlainText().startsWith("Café"));
}

TEST_F(FrameTest, EachKindShowsItsMenusWithTheirKeysAndPrompts) {
  make_set();
  write_file(work_ + "demo_1.xtx", read_file(work_ + "demo_1.ref"));
  write_file(dir_.file("notes.txt"), "notes\n");
  start();
  // The keys of commands on no menu.
  std::string keys = " keys";
  for (QAction* a : frame()->actions()) {
    const QObjectList on = a->associatedObjects();
    if (std::none_of(on.begin(), on.end(), [](QObject* o) { return qobject_cast<QMenu*>(o); })) {
      keys += " " + a->text().toStdString() + "+" + a->shortcut().toString().toStdString();
    }
  }
  EXPECT_EQ(keys, " keys Next Window+F6 Previous Window+Shift+F6 Help+F1 Context Help+Shift+F1");
  const std::string file =
      "File[New+Ctrl+N Open...+Ctrl+O Close Save+Ctrl+S Save As... Print...+Ctrl+P Print Setup... Exit] ";
  const std::string edit = "Edit[Undo+Ctrl+Z Cut+Ctrl+X Copy+Ctrl+C Paste+Ctrl+V ";
  const std::string all = "Select All+Ctrl+A Find+Ctrl+F";
  const std::string finding =
      "Go To Finding[Next Violation+F8 Previous Violation+Shift+F8 Next Line Not Run+F7 Previous Line Not Run+Shift+F7 "
      "Next Data-Flow Note+F9 Previous Data-Flow Note+Shift+F9] ";
  const std::string bars = "Toolbar Status Bar] ";
  const std::string font = "Configure[Font] ";
  const std::string rest =
      "Window[Cascade Tile Horizontally Tile Vertically Arrange Icons] Help[Help Topics About Sorvi...]";
  const std::pair<std::string, std::string> rows[] = {
      {"", "128 File[New+Ctrl+N Open...+Ctrl+O Print Setup... Exit] View[" + bars +
               "Help[Manuals Online About Sorvi...]"},
      {work_ + "demo_1.ref",
       "132 " + file + edit + all + " Violation Help] View[Refresh+F5 " + finding + bars + font + rest},
      {work_ + "demo_1.xtx", "131 " + file + edit + all + " Violation Help] View[" + finding + bars + font + rest},
      {set_.suite_dir + "standards_info/html/standards.htm",
       "130 " + file + edit +
           "Find+Ctrl+F] View[Goto[Back+Alt+Left Forward+Alt+Right] Fonts[Largest Large Medium Small Smallest] "
           "Refresh+F5 " + bars + rest},
      {set_.tci_path, "134 " + file + edit + all + "] View[" + bars + font + rest},
      {work_ + "demo_1.sif", "135 " + file + edit + all + " Violation Help] View[" + finding + bars + font + rest},
      {work_ + "demo_1.sf1", "136 " + file + edit + all + " Replace+Ctrl+H] View[" + finding + bars + font + rest},
      {dir_.file("notes.txt"),
       "129 " + file + edit + all + " Replace+Ctrl+H Violation Help] View[" + bars + font + rest},
  };
  for (const auto& [path, expected] : rows) {
    if (!path.empty()) { ASSERT_TRUE(open(path)) << path; }
    EXPECT_EQ(std::to_string(frame()->menu_resource()) + " " + menus(), expected) << path;
  }
}

}  // namespace
