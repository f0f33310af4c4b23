#include "app/core_state.h"

#include "annotate/annotation_generator.h"
#include "annotate/caret_mapping.h"
#include "annotate/view_bars.h"
#include "app/list_view_rules.h"
#include "app/view_positioning.h"
#include "help/help_links.h"
#include "base/allocation_faults.h"
#include "base/file_utils.h"
#include "config/coverage_labels.h"
#include "config/display_settings.h"
#include "config/profile.h"
#include "config/settings_store.h"
#include "config/startup_options.h"
#include "glh/glh_api.h"
#include "glh/glh_util.h"
#include "locking/daemon_client.h"
#include "locking/named_lock.h"
#include "standards/report_config.h"
#include "workfiles/block_file.h"
#include "workfiles/index_file.h"
#include "workfiles/module_registry.h"

namespace sorvi {

void reset_core_state() {
  reset_profile();
  reset_startup_options();
  reset_settings_store();
  clear_coverage_labels();
  reset_status_colours();
  reset_file_utils_state();
  reset_allocation_faults();
  reset_glh_diagnostics();
  reset_glh_block_size();
  release_standards_data();
  reset_module_registry();
  reset_index_records();
  reset_locking();
  reset_daemon_client();
  reset_line_number_width();
  reset_annotation_state();
  reset_help_links();
  clear_just_switched_on();
  reset_view_bars();
  reset_remembered_line();
  reset_violation_edit_warning();
}

}  // namespace sorvi
