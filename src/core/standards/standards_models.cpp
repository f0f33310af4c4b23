#include "standards/standards_models.h"

#include "config/languages.h"
#include "config/model_names.h"
#include "config/profile.h"
#include "config/startup_options.h"

namespace sorvi {
namespace {

constexpr size_t kModelNameMax = 100;

}  // namespace

const std::vector<StandardsModel>& standards_models() {
  static const std::vector<StandardsModel> kModels = {
      {"MISRA-C:1998", "MISRA", "MISRA/DERA", false, {2, 6}},
      {"MISRA-C:2004", "", "MISRA-C2", false, {2, 6}},
      {"DERA", "", "MISRA/DERA", false, {2, 6}},
      {"JSF++ AV", "AV", "AV", false, {6}},
      {"GJB", "", "", false, {2}},
      {"HIC++", "", "", false, {6}},
      {"LMTCP", "", "", false, {2, 6}},
      {"EADS", "", "", true, {2, 6}},
      {"CMSE", "", "", false, {2}},
      {"CAST", "", "", false, {2}},
      {"MISRA-C++:2008", "", "", false, {6}},
      {"SEC-C", "", "", false, {2}},
      {"CERT", "", "", false, {2, 6, 13}},
      {"CWE", "", "", false, {2, 6}},
      {"NETRINO", "", "", false, {2, 6}},
      {"ESA-BSSC", "", "", false, {13}},
      {"JPL", "", "", false, {2, 6}},
      {"MISRA-AC", "", "", false, {2, 6}},
      {"FSB582-C", "", "", false, {2}},
      {"FSB582-C++", "", "", false, {6}},
      {"MISRA-C:2012", "", "", false, {2, 6}},
  };
  return kModels;
}

int find_standards_model(const std::string& name) {
  if (name.empty()) return -1;
  const std::vector<StandardsModel>& models = standards_models();
  for (size_t i = 0; i < models.size(); ++i) {
    const StandardsModel& m = models[i];
    if (name == m.name || (*m.short_name && name == m.short_name)) return static_cast<int>(i);
    if (m.prefix_match && name.compare(0, std::char_traits<char>::length(m.name), m.name) == 0) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

bool is_known_model(const std::string& name) { return find_standards_model(name) >= 0; }

std::string model_reference_token(int row) {
  if (row < 0 || row >= kStandardsModelCount) return std::string();
  const StandardsModel& m = standards_models()[static_cast<size_t>(row)];
  return *m.token ? m.token : m.name;
}

bool is_no_model(const std::string& name) { return name.empty() || name == kNoModelName; }

std::string language_variable_name(int language, const char* base) {
  if (language < 0 || language > 17) language = 0;
  return language_key_name(language, base ? base : "", true, true);
}

const char* language_file_prefix(int language) { return language_short_name(language); }

std::string select_standards_model(int language, const char* name) {
  std::string chosen;
  if (name && *name) {
    chosen = name;
  } else {
    const std::string key = language_variable_name(language, "STANDARDS_MODEL");
    const char* value = get_profile_string(key.c_str(), kNoModelName, false, nullptr);
    chosen = value ? value : kNoModelName;
  }
  return model_name_for_display(chosen);
}

std::string select_external_standard(int language) {
  // The ExternalStandard= option, when given, names it for this run.
  std::string name = startup_options().ExternalStandard;
  const char* value = name.empty() ? nullptr : name.c_str();
  if (!value) {
    const std::string key = language_variable_name(language, "EXTERNAL_STANDARD");
    value = get_profile_string(key.c_str(), nullptr, false, nullptr);
    name = value ? value : "";
  }
  if (!value) {
    value = get_profile_string("EXTERNAL_STANDARD", nullptr, false, nullptr);
    name = value ? value : "";
  }
  if (name.empty()) return std::string();
  name = model_name_for_display(name);
  if (!is_known_model(name)) return std::string();
  if (name.size() > kModelNameMax) name.resize(kModelNameMax);
  return name;
}

}  // namespace sorvi
