// Gathering annotated lines for a view: each line goes into the view's
// line store with its style, and through the caret mapping on the way.
#pragma once

#include "annotate/annotated_lines.h"
#include "annotate/caret_mapping.h"

namespace sorvi {

class LineStore;

class StyledLineCollector : public AnnotatedLineSink {
 public:
  StyledLineCollector(LineStore* store, CaretMapper* mapper) : store_(store), mapper_(mapper) {}
  void take(AnnotatedChunk&& chunk) override;

 private:
  LineStore* store_;
  CaretMapper* mapper_;
};

}  // namespace sorvi
