#include "gui/annotate/styled_lines.h"

#include <cstdint>

#include "gui/annotate/finding_navigation.h"
#include "gui/views/line_store.h"

namespace sorvi {

void StyledLineCollector::take(AnnotatedChunk&& chunk) {
  for (const AnnotatedLine& line : chunk) write(line.style, line.text.data(), line.text.size(), line.note);
  AnnotatedChunk().swap(chunk);
}

void StyledLineCollector::write(int style, const char* text, size_t size, bool note) {
  if (mapper_) mapper_->line(style);
  if (findings_) findings_->line(style, note);
  store_->append(std::string_view(text, size), static_cast<uint8_t>(style >= 0 && style < 256 ? style : 0));
}

}  // namespace sorvi
