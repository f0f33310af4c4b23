// A large module in the window, beside its batch report: a 100,000-line
// and a 1,000,000-line module opened with every annotation on, on Qt's
// offscreen platform. Each run happens in a child process, so its peak
// memory is its own. The window run reports the time until the document
// is open (the module and its work files read, the first slice of lines
// made), to the first painted page and until the whole text is in
// (navigable); a toggle (coverage off, then on again, each until its whole
// text is in); a search that has to cross the whole text (no match, either
// case); the size of the text shown and the peak memory. The batch run reports its time and
// peak memory ("sorvi <stem>.ref -VMODE -Language=2 -Flags=2047").
//
// The sample sets are written once under SORVI_BENCH_DATA (default: the
// build tree's bench/data) and reused by later runs.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/batch.h"
#include "app/startup.h"
#include "base/file_utils.h"
#include "base/message_box.h"
#include "config/startup_options.h"
#include "gui/annotate/sorvi_ref_doc.h"
#include "gui/annotate/sorvi_ref_view.h"
#include "gui/app/document_manager.h"
#include "gui/app/sorvi_app.h"
#include "bench_sets.h"
#include "samplegen/sample_set_writer.h"

namespace {

using sorvi_bench::Set;

Set sample_set(int lines) { return sorvi_bench::module_set(lines); }

// Runs `job` in a child process that writes its figures to a pipe; gives
// back the figures, the wall time and the peak resident memory.
template <typename Job>
bool run_child(Job job, std::vector<double>* figures, double* seconds, double* peak_mb) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  const bool ok = sorvi_bench::run_child(
      [&] {
        close(fds[0]);
        std::vector<double> out;
        const int code = job(&out);
        std::string text;
        for (double v : out) text += std::to_string(v) + " ";
        return write(fds[1], text.data(), text.size()) < 0 ? 3 : code;
      },
      seconds, peak_mb);
  // The figures are a few bytes: they wait in the pipe until the child ended.
  close(fds[1]);
  std::string text;
  char buf[256];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
  close(fds[0]);
  figures->clear();
  size_t used = 0;
  for (size_t at = 0; at < text.size(); at += used) {
    figures->push_back(std::stod(text.substr(at), &used));
    while (at + used < text.size() && text[at + used] == ' ') ++used;
  }
  return ok;
}

// Notes when the view first paints with lines in it.
class PaintWatch : public QObject {
 public:
  explicit PaintWatch(sorvi::CLargeTextView* view) : view_(view) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && view_->line_count() > 1) painted = true;
    return false;
  }
  bool painted = false;

 private:
  sorvi::CLargeTextView* view_;
};

double seconds_since(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e9; }

bool wait_for(const std::function<bool()>& done) {
  while (!done()) QApplication::processEvents(QEventLoop::AllEvents, 5);
  return true;
}

// The process's peak resident size so far, in MB (VmHWM).
double peak_so_far_mb() {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return 0;
  char line[256];
  double kb = 0;
  while (std::fgets(line, sizeof line, f)) {
    if (std::strncmp(line, "VmHWM:", 6) == 0) kb = std::atof(line + 6);
  }
  std::fclose(f);
  return kb / 1024.0;
}

// In the child: the window on the module, every annotation on.
int window_run(const Set& set, std::vector<double>* out) {
  if (chdir(set.work.c_str()) != 0) return 1;
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  int argc = 1;
  char name[] = "sorvi";
  char* argv[] = {name, nullptr};
  QApplication qt(argc, argv);
  sorvi::set_message_box_handler([](const std::string&) {});
  sorvi::startup_options().Language = 2;
  if (!sorvi::ParseOptionWord("Flags=2047")) return 1;
  sorvi::CSorviApp app;
  if (!app.InitInstance("", false)) return 1;
  QApplication::processEvents();

  QElapsedTimer t;
  t.start();
  auto* doc = qobject_cast<sorvi::CSorviRefDoc*>(app.documents()->open_document(set.work + "demo_1.ref"));
  if (!doc) return 2;
  // Reading the module and its work files, and the first slice of lines.
  const double opened = seconds_since(t);
  sorvi::CSorviRefView* view = doc->ref_view();
  PaintWatch watch(view);
  view->viewport()->installEventFilter(&watch);
  view->viewport()->update();
  wait_for([&] { return watch.painted; });
  const double first_page = seconds_since(t);
  wait_for([&] { return !view->filling(); });
  const double navigable = seconds_since(t);
  const double text_lines = view->line_count();
  const double text_mb = static_cast<double>(view->store().size()) / (1024.0 * 1024.0);
  const double peak_open = peak_so_far_mb();

  double toggle[2];
  for (int i = 0; i < 2; ++i) {
    t.restart();
    doc->on_bar_command(sorvi::BarControl::Coverage, i == 1);
    wait_for([&] { return !view->filling(); });
    toggle[i] = seconds_since(t);
  }
  if (view->line_count() != text_lines) return 3;

  view->set_selection(0, 0);
  t.restart();
  const bool found = view->find_text(QStringLiteral("Text Found Nowhere"), true, false);
  const double find = seconds_since(t);
  if (found) return 4;
  *out = {opened, first_page, navigable, toggle[0], toggle[1], find, text_lines, text_mb, peak_open};
  return 0;
}

void BM_BatchReport(benchmark::State& state) {
  const Set set = sample_set(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    double seconds = 0, peak = 0;
    std::vector<double> figures;
    const bool ok = run_child(
        [&](std::vector<double>*) {
          if (chdir(set.work.c_str()) != 0) return 1;
          const std::vector<std::string> args = {"sorvi", "demo_1.ref", "-VMODE", "-Language=2", "-Flags=2047"};
          return sorvi::run_batch(sorvi::startup_parse_command_line(args));
        },
        &figures, &seconds, &peak);
    if (!ok) state.SkipWithError("batch run failed");
    state.SetIterationTime(seconds);
    state.counters["peak_MB"] = peak;
  }
  std::remove((set.work + "demo_1.aref.rtf").c_str());
}

void BM_WindowOpen(benchmark::State& state) {
  const Set set = sample_set(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    double seconds = 0, peak = 0;
    std::vector<double> f;
    const bool ok = run_child([&](std::vector<double>* out) { return window_run(set, out); }, &f, &seconds, &peak);
    if (!ok || f.size() != 9) {
      state.SkipWithError("window run failed");
      return;
    }
    state.SetIterationTime(f[2]);
    const char* names[] = {"opened_s",      "first_page_s", "navigable_s", "coverage_off_s",
                           "coverage_on_s", "find_s",       "text_lines",  "text_MB",
                           "peak_open_MB"};
    for (size_t i = 0; i < f.size(); ++i) state.counters[names[i]] = f[i];
    state.counters["peak_MB"] = peak;
  }
}

BENCHMARK(BM_BatchReport)->Arg(100000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_WindowOpen)->Arg(100000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
