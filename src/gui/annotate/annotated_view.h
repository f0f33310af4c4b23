// CAnnotatedView: the base of the views that show generated lines. A
// generation fills the view step by step: the first lines are on screen at
// once, the rest arrive in slices between which the event loop paints and
// takes input, and the scroll bars grow as they come. Stopping (a new
// generation, a toggle, the view or its document going away) never waits
// for the rest of the text.
#pragma once

#include <QTimer>
#include <chrono>
#include <memory>

#include "annotate/caret_mapping.h"
#include "gui/annotate/finding_navigation.h"
#include "gui/views/sorvi_edit_view.h"

namespace sorvi {

struct AnnotationContext;
class StepwiseGeneration;
class StyledLineCollector;

class CAnnotatedView : public CSorviEditView {
  Q_OBJECT
 public:
  explicit CAnnotatedView(CSorviDocument* document, QWidget* parent = nullptr);
  ~CAnnotatedView() override;

  // True while lines are still arriving.
  bool filling() const { return generation_ != nullptr; }
  // Ends a generation that is still running; the lines so far stay.
  void stop_generation();
  // Lets a running generation deliver the rest of its lines now.
  void complete_text() override;
  // How long a generation runs between two turns of the event loop (it
  // hands back at the end of a chunk of lines once the time is used up).
  static void set_slice(std::chrono::microseconds slice);
  // Where the findings of the lines so far are, and moving the caret to
  // the start of a line in the middle of the window.
  const FindingIndex& findings() const { return findings_; }
  void go_to_finding(int line);

 signals:
  // Every line of the generation is in the view.
  void generation_finished();

 protected:
  // Generates the context's lines into the view, mapping `caret_line`
  // (1-based, 0: none) past the lines of kinds just switched on.
  void generate(AnnotationContext* context, int caret_line);
  // After each slice: whether every line is in. The caret's mapped line is
  // known once mapped_caret() is not negative.
  virtual void lines_grew(bool complete) = 0;
  int mapped_caret() const;
  // Whether a placement may happen now: the lines that Start=/End= or the
  // 1-based `line` (0: none) ask for are in, with a window full after
  // them; EndOfFile waits for the whole text.
  bool placement_ready(int line, bool complete) const;
  void user_moved() override;
  bool user_has_moved() const { return user_moved_; }

 private:
  void run_slice();

  std::unique_ptr<CaretMapper> mapper_;
  std::unique_ptr<StyledLineCollector> collector_;
  std::unique_ptr<StepwiseGeneration> generation_;
  QTimer slices_;
  FindingIndex findings_;
  bool user_moved_ = false;
};

}  // namespace sorvi
