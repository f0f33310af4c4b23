// Shows a message to the user: a dialog when the program has a window
// system, standard error otherwise. The GUI layer installs the dialog.
#pragma once

#include <functional>
#include <string>

namespace sorvi {

void message_box(const std::string& text);
// Installs the way messages are shown; an empty handler restores the default
// (the text and a newline on the original standard error).
void set_message_box_handler(std::function<void(const std::string&)> handler);

}  // namespace sorvi
