// Moving from finding to finding in the annotated views. As the lines of a
// generation arrive, a FindingIndex keeps where each run of violation lines,
// of lines that never ran and of data-flow notes begins (a run: lines of the
// same kind one after another, such as a code line's violations with their
// cross-references, or a block's code lines that never ran); the View menu's
// "Go To Finding" commands move the caret to the next or previous start.
#pragma once

#include <cstdint>
#include <vector>

class QMenu;

namespace sorvi {

class CSorviFrame;

enum class FindingKind { Violation, NeverRan, Dataflow };

class FindingIndex {
 public:
  // Forgets the lines of the last generation. `coverage`: coverage is shown;
  // `pass_fail`: a highlighted code line that never ran has the violation
  // style (the pass/fail colour set).
  void restart(bool coverage, bool pass_fail);
  // The next line of the text, its style and whether it is an annotation.
  void line(int style, bool note);

  bool coverage_shown() const { return coverage_; }
  // The start of the nearest run of `kind` after `line` (or before it),
  // both from 0. Past the last one the search goes on from the first (past
  // the first, from the last) and sets `wrapped`. -1 when there is none.
  int find(FindingKind kind, int line, bool forward, bool* wrapped) const;

 private:
  static constexpr int kKinds = 3;
  int kind_of(int style, bool note) const;

  std::vector<uint32_t> starts_[kKinds];
  uint32_t lines_ = 0;
  int previous_ = -1;  // the kind of the line before, -1 for none
  bool coverage_ = false;
  bool pass_fail_ = false;
};

// Adds the "Go To Finding" submenu to the frame's View menu: next and
// previous violation (F8, Shift+F8), line not run (F7, Shift+F7) and
// data-flow note (F9, Shift+F9), acting on the active annotated view. The
// keys work whichever menu shows.
void add_finding_commands(CSorviFrame* frame, QMenu* view_menu);

}  // namespace sorvi
