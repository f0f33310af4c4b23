#include "gui/annotate/styled_lines.h"

#include <cstdint>

#include "gui/annotate/finding_navigation.h"
#include "gui/views/line_store.h"

namespace sorvi {

void StyledLineCollector::take(AnnotatedChunk&& chunk) {
  for (const AnnotatedLine& line : chunk) {
    if (mapper_) mapper_->line(line.style);
    if (findings_) findings_->line(line.style, line.note);
    store_->append(line.text, static_cast<uint8_t>(line.style >= 0 && line.style < 256 ? line.style : 0));
  }
  AnnotatedChunk().swap(chunk);
}

}  // namespace sorvi
