// Texts are bytes: a text that is valid UTF-8 is shown as UTF-8, any other
// as Latin-1, and goes back to bytes the same way.
#pragma once

#include <QString>
#include <string>

namespace sorvi {

struct DisplayText {
  QString text;
  bool utf8 = true;
};

DisplayText to_display_text(const std::string& bytes);
std::string to_bytes(const QString& text, bool utf8);

}  // namespace sorvi
