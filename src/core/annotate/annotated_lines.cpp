#include "annotate/annotated_lines.h"

namespace sorvi {

void AnnotatedLineList::add(int style, std::string text, bool note) {
  if (single_lines_) {
    add_view(style, text, note);
    return;
  }
  if (chunks_.empty() || chunks_.back().size() == kChunkSize) {
    chunks_.emplace_back();
    chunks_.back().reserve(kChunkSize);
  }
  chunks_.back().push_back(AnnotatedLine{style, std::move(text), note});
  ++count_;
  if (sink_ && chunks_.back().size() == kChunkSize) {
    sink_->take(std::move(chunks_.back()));
    chunks_.pop_back();
  }
}

void AnnotatedLineList::add_view(int style, std::string_view text, bool note) {
  if (single_lines_) {
    sink_->take_line(style, text, note);
    ++count_;
    return;
  }
  add(style, std::string(text), note);
}

void AnnotatedLineList::close() {
  if (!sink_) return;
  while (!chunks_.empty()) {
    sink_->take(std::move(chunks_.front()));
    chunks_.pop_front();
  }
}

AnnotatedChunk AnnotatedLineList::take_chunk() {
  if (chunks_.empty()) return AnnotatedChunk();
  AnnotatedChunk chunk = std::move(chunks_.front());
  chunks_.pop_front();
  return chunk;
}

std::vector<AnnotatedLine> AnnotatedLineList::lines() const {
  std::vector<AnnotatedLine> all;
  for (const AnnotatedChunk& c : chunks_) all.insert(all.end(), c.begin(), c.end());
  return all;
}

}  // namespace sorvi
