// Standards-model name conversions between the names users and the suite's
// tools pass around and the names that "report.dat" lists.
#pragma once

#include <string>

namespace sorvi {

// Under "CONVERT_MODEL_STRINGS": "MISRA-C:1998" becomes "MISRA" and
// "JSF++ AV" becomes "AV" (the names "report.dat" matches against).
std::string model_name_for_matching(const std::string& name);
// Under "CONVERT_MODEL_STRINGS": "MISRA" becomes "MISRA-C:1998" and "AV"
// becomes "JSF++ AV"; under "CONVERT_MISRA_2_MODEL_STR": "MISRA-C2"
// becomes "MISRA-C:2004".
std::string model_name_for_display(const std::string& name);

}  // namespace sorvi
