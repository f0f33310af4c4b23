// Gathering annotated lines for a view: each line goes into the view's
// line store with its style, through the caret mapping on the way, and
// into the index of the findings. Lines come in chunks, or one by one from
// a pipelined sink.
#pragma once

#include "annotate/annotated_lines.h"
#include "annotate/caret_mapping.h"

namespace sorvi {

class FindingIndex;
class LineStore;

class StyledLineCollector : public AnnotatedLineSink, public AnnotatedLineWriter {
 public:
  StyledLineCollector(LineStore* store, CaretMapper* mapper, FindingIndex* findings = nullptr)
      : store_(store), mapper_(mapper), findings_(findings) {}
  void take(AnnotatedChunk&& chunk) override;
  void write(int style, const char* text, size_t size, bool note) override;

 private:
  LineStore* store_;
  CaretMapper* mapper_;
  FindingIndex* findings_;
};

}  // namespace sorvi
