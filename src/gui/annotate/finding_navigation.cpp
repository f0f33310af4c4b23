#include "gui/annotate/finding_navigation.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStatusBar>
#include <algorithm>

#include "annotate/annotated_lines.h"
#include "gui/annotate/annotated_view.h"
#include "gui/app/document.h"
#include "gui/app/main_frame.h"

namespace sorvi {

// ---- the index -------------------------------------------------------------------

void FindingIndex::restart(bool coverage, bool pass_fail) {
  for (std::vector<uint32_t>& s : starts_) std::vector<uint32_t>().swap(s);
  lines_ = 0;
  previous_ = -1;
  coverage_ = coverage;
  pass_fail_ = pass_fail;
}

int FindingIndex::kind_of(int style, bool note) const {
  if (note) {
    // Violations and their cross-references, procedure-level violations and
    // possible UR anomalies; coverage notes of blocks not executed;
    // data-flow headings and names.
    if (style == kStyleViolation || style == kStyleProcViolation) return static_cast<int>(FindingKind::Violation);
    if (style == kStyleNotExecuted) return static_cast<int>(FindingKind::NeverRan);
    if (style == kStyleDataflow) return static_cast<int>(FindingKind::Dataflow);
    return -1;
  }
  // Code lines highlighted as not executed.
  const bool never_ran = style == kStyleNotExecuted || style == kStyleNotInstrumented ||
                         (pass_fail_ && style == kStyleViolation);
  return never_ran ? static_cast<int>(FindingKind::NeverRan) : -1;
}

void FindingIndex::line(int style, bool note) {
  const int kind = kind_of(style, note);
  if (kind >= 0 && kind != previous_) starts_[kind].push_back(lines_);
  previous_ = kind;
  ++lines_;
}

int FindingIndex::find(FindingKind kind, int line, bool forward, bool* wrapped) const {
  const std::vector<uint32_t>& s = starts_[static_cast<int>(kind)];
  *wrapped = false;
  if (s.empty()) return -1;
  const auto at = static_cast<uint32_t>(std::max(line, 0));
  if (forward) {
    auto it = std::upper_bound(s.begin(), s.end(), at);
    if (it != s.end()) return static_cast<int>(*it);
    *wrapped = true;
    return static_cast<int>(s.front());
  }
  auto it = std::lower_bound(s.begin(), s.end(), at);
  if (it != s.begin()) return static_cast<int>(*(it - 1));
  *wrapped = true;
  return static_cast<int>(s.back());
}

// ---- the commands ------------------------------------------------------------------

namespace {

struct FindingCommand {
  FindingKind kind;
  bool forward;
  const char* name;
  const char* text;
  QKeyCombination key;
  const char* prompt;
};

const FindingCommand kCommands[] = {
    {FindingKind::Violation, true, "next_violation", "Next &Violation", QKeyCombination(Qt::Key_F8),
     "Go to the next violation line"},
    {FindingKind::Violation, false, "previous_violation", "Pre&vious Violation", Qt::SHIFT | Qt::Key_F8,
     "Go to the previous violation line"},
    {FindingKind::NeverRan, true, "next_not_run", "Next Line &Not Run", QKeyCombination(Qt::Key_F7),
     "Go to the next line that never ran (coverage shown)"},
    {FindingKind::NeverRan, false, "previous_not_run", "Previous &Line Not Run", Qt::SHIFT | Qt::Key_F7,
     "Go to the previous line that never ran (coverage shown)"},
    {FindingKind::Dataflow, true, "next_dataflow", "Next &Data-Flow Note", QKeyCombination(Qt::Key_F9),
     "Go to the next data-flow note"},
    {FindingKind::Dataflow, false, "previous_dataflow", "Previous Data-&Flow Note", Qt::SHIFT | Qt::Key_F9,
     "Go to the previous data-flow note"},
};

CAnnotatedView* active_annotated_view(const CSorviFrame* frame) {
  CSorviDocument* document = frame->active_document();
  return document ? qobject_cast<CAnnotatedView*>(document->view()) : nullptr;
}

QString missing_text(FindingKind kind) {
  switch (kind) {
    case FindingKind::Violation:
      return QObject::tr("No violation line");
    case FindingKind::NeverRan:
      return QObject::tr("No line that never ran");
    default:
      return QObject::tr("No data-flow note");
  }
}

void go_to_finding(CSorviFrame* frame, FindingKind kind, bool forward) {
  QStatusBar* bar = frame->statusBar();
  CAnnotatedView* view = active_annotated_view(frame);
  if (!view) {
    bar->showMessage(QObject::tr("No annotated text is active"));
    return;
  }
  const FindingIndex& findings = view->findings();
  if (kind == FindingKind::NeverRan && !findings.coverage_shown()) {
    bar->showMessage(QObject::tr("Coverage is not shown"));
    return;
  }
  bool wrapped = false;
  const int line = findings.find(kind, view->caret_line_index(), forward, &wrapped);
  // An edited text may have fewer lines than were generated.
  if (line < 0 || line >= view->line_count()) {
    bar->showMessage(missing_text(kind));
    return;
  }
  view->go_to_finding(line);
  if (wrapped) {
    bar->showMessage(forward ? QObject::tr("Passed the end; continued from the start")
                             : QObject::tr("Passed the start; continued from the end"));
  } else {
    bar->clearMessage();
  }
}

}  // namespace

void add_finding_commands(CSorviFrame* frame, QMenu* view_menu) {
  QMenu* menu = view_menu->addMenu(QObject::tr("Go To &Finding"));
  menu->setObjectName(QStringLiteral("go_to_finding"));
  for (const FindingCommand& c : kCommands) {
    QAction* action = menu->addAction(QObject::tr(c.text));
    action->setObjectName(QString::fromLatin1(c.name));
    action->setShortcut(QKeySequence(c.key));
    action->setStatusTip(QObject::tr(c.prompt));
    action->setToolTip(QString(QObject::tr(c.text)).remove(QLatin1Char('&')));
    frame->addAction(action);  // the key works whichever menu shows
    const FindingKind kind = c.kind;
    const bool forward = c.forward;
    QObject::connect(action, &QAction::triggered, frame, [frame, kind, forward] { go_to_finding(frame, kind, forward); });
  }
  // The submenu shows while an annotated text is active.
  auto update = [frame, menu] { menu->menuAction()->setVisible(active_annotated_view(frame) != nullptr); };
  QObject::connect(view_menu, &QMenu::aboutToShow, menu, update);
  QObject::connect(frame->mdi_area(), &QMdiArea::subWindowActivated, menu, update, Qt::QueuedConnection);
  update();
}

}  // namespace sorvi
