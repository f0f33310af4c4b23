// Gathering annotated lines for a view: the texts joined into one text
// with a style per line, the caret mapped on the way. The view takes the
// text at once and colours each line by its style as it comes into sight.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "annotate/annotated_lines.h"
#include "annotate/caret_mapping.h"

namespace sorvi {

// Takes the generator's chunks: the texts joined by newlines, the styles,
// and the caret mapping when a mapper is given.
class StyledLineCollector : public AnnotatedLineSink {
 public:
  explicit StyledLineCollector(CaretMapper* mapper = nullptr) : mapper_(mapper) {}
  void take(AnnotatedChunk&& chunk) override;

  std::string text;
  std::vector<uint8_t> styles;

 private:
  CaretMapper* mapper_;
};

}  // namespace sorvi
