#include "app/report_hooks.h"

#include <string>

#include "base/fatal_report.h"
#include "base/message_box.h"
#include "config/startup_options.h"

namespace sorvi {

void install_report_hooks() {
  set_channel_a_hook([](int code, const char* text) { report_error(code, text); });
  set_channel_b_hook([](int code, const char* text) {
    if (startup_options().VMODE) {
      report_error(code, text);
      return;
    }
    std::string message = "Cannot execute Sorvi command\n";
    if (text && *text) message += text;
    message_box(message);
    process_exit(1);
  });
}

}  // namespace sorvi
