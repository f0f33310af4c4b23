#include "config/model_names.h"

#include "config/profile.h"

namespace sorvi {

std::string model_name_for_matching(const std::string& name) {
  if (!get_profile_bool("CONVERT_MODEL_STRINGS", true, false)) return name;
  if (name == "MISRA-C:1998") return "MISRA";
  if (name == "JSF++ AV") return "AV";
  return name;
}

std::string model_name_for_display(const std::string& name) {
  if (name == "MISRA-C2" && get_profile_bool("CONVERT_MISRA_2_MODEL_STR", true, false)) return "MISRA-C:2004";
  if (!get_profile_bool("CONVERT_MODEL_STRINGS", true, false)) return name;
  if (name == "MISRA") return "MISRA-C:1998";
  if (name == "AV") return "JSF++ AV";
  return name;
}

}  // namespace sorvi
