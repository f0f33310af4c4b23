// sorvi: the source browser of the Kelvar code-analysis suite.
#include "app/report_hooks.h"
#include "base/process_info.h"
#include "gui/app/sorvi_app.h"

int main(int argc, char** argv) {
  sorvi::set_process_arguments(argc, argv);
  // The fatal-report channels come first: anything after may end through them.
  sorvi::install_report_hooks();
  return sorvi::run_sorvi(argc, argv);
}
