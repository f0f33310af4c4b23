// The suite side of a sample set: the GLQ catalogue in the GLH file says
// what pen.dat says, and the standards pages hold an anchor for every
// standard.
#include <algorithm>
#include <sstream>

#include "samplegen/sample_suite_writer.h"
#include "samplegen_fixture.h"
#include "standards/penalty_catalogue.h"

namespace samplegen_test {
namespace {

// The C and C++ catalogues as loaded, one line per entry, with what both
// sources carry (the repository has no "Not Used" mark and no "s" list).
std::string catalogue_dump(const char* glh) {
  std::ostringstream out;
  for (int language : {2, 6}) {
    out << language << ": " << sorvi::load_penalty_catalogue(language, nullptr, false, false, glh) << '\n';
    for (int index = 0; index < 1000; ++index) {
      const sorvi::PenaltyEntry* e = sorvi::penalty_entry(language, index);
      if (!e || !e->letter) break;
      out << e->penalty_number << ' ' << e->letter << e->standard_number << " [" << e->text << "] " << e->parameter
          << ' ' << e->has_parameter << ' ' << e->is_mr << ' ' << e->code_d;
      for (const std::string& reference : *sorvi::penalty_references(language, index)) out << " {" << reference << '}';
      out << '\n';
    }
  }
  return out.str();
}

TEST(SampleGlh, CatalogueFromTheGlqRepositoryEqualsPenDat) {
  const SampleSetSummary& set = shared_set();
  const std::string from_pen = [&] {
    SetEnvironment env(set);
    return catalogue_dump(nullptr);
  }();
  SetEnvironment env(set);
  EXPECT_EQ(catalogue_dump((set.work_dir + set.modules.at(0).stem + ".glh").c_str()), from_pen);
  EXPECT_EQ(static_cast<size_t>(std::count(from_pen.begin(), from_pen.end(), '\n')),
            2 + sorvi_sample::standards_of_language(2).size() + sorvi_sample::standards_of_language(6).size());
}

TEST(SampleHelpPages, EveryStandardHasItsAnchorInBothLayouts) {
  const std::string suite = shared_set().suite_dir;
  const std::string current = sorvi_test::read_file(suite + "standards_info/html/standards.htm");
  const std::string older = sorvi_test::read_file(suite + "Standards_and_MISRA_info/Standard/standard.html");
  for (const sorvi_sample::SampleStandard& s : sorvi_sample::sample_standards()) {
    const std::string anchor = "standard_" + std::string(1, static_cast<char>(s.letter - 'A' + 'a')) +
                               std::to_string(s.number);
    EXPECT_NE(current.find("name=\"" + anchor + "\""), std::string::npos) << anchor;
    EXPECT_NE(current.find("id=\"" + anchor + "\""), std::string::npos) << anchor;
    EXPECT_NE(older.find("<a name=\"" + anchor + "\">"), std::string::npos) << anchor;
  }
}

}  // namespace
}  // namespace samplegen_test
