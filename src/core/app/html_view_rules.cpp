#include "app/html_view_rules.h"

#include "config/startup_options.h"
#include "help/help_links.h"

namespace sorvi {

std::string html_navigation_url(const std::string& document_path) {
  std::string url = html_document_url(document_path);
  if (!url.empty() && !html_anchor().empty()) {
    url += html_anchor();
    html_anchor().clear();
  }
  return url;
}

std::string html_late_anchor_url(const std::string& location) {
  if (location.empty() || location.find('#') != std::string::npos || html_anchor().empty()) return std::string();
  std::string url = location + html_anchor();
  html_anchor().clear();
  return url;
}

const char* const kHtmlTextSizeCommands[kHtmlTextSizeCount] = {"Largest", "Large", "Medium", "Small", "Smallest"};

int html_text_size_of_command(int command_index) {
  return command_index >= 0 && command_index < kHtmlTextSizeCount ? kHtmlTextSizeCount - 1 - command_index : 0;
}

double html_text_scale(int size) {
  static const double kScales[kHtmlTextSizeCount] = {0.75, 0.875, 1.0, 1.25, 1.5};
  return size >= 0 && size < kHtmlTextSizeCount ? kScales[size] : kScales[0];
}

bool html_text_size_to_store(int current, int chosen) { return current != chosen; }

}  // namespace sorvi
