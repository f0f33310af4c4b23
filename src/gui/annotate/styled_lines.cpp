#include "gui/annotate/styled_lines.h"

namespace sorvi {

void StyledLineCollector::take(AnnotatedChunk&& chunk) {
  for (AnnotatedLine& line : chunk) {
    if (mapper_) mapper_->line(line.style);
    if (!styles.empty()) text += '\n';
    text += line.text;
    styles.push_back(static_cast<uint8_t>(line.style >= 0 && line.style < 256 ? line.style : 0));
    std::string().swap(line.text);
  }
  AnnotatedChunk().swap(chunk);
}

}  // namespace sorvi
