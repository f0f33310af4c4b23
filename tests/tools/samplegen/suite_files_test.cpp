// The suite side of a sample set read back by Sorvi's readers: the profile,
// the penalty catalogues and report configurations, the GLH file (its GLQ
// catalogue and its copies of the work files) and the standards pages.
#include <cstdio>

#include "base/file_utils.h"
#include "config/model_names.h"
#include "config/profile.h"
#include "glh/glh_util.h"
#include "samplegen_fixture.h"
#include "standards/penalty_catalogue.h"
#include "standards/report_config.h"
#include "standards/standards_models.h"
#include "samplegen/sample_suite_writer.h"
#include "workfiles/module_registry.h"
#include "workfiles/work_file_names.h"
#include "workfiles/work_file_opener.h"

namespace samplegen_test {
namespace {

using sorvi_sample::SampleStandard;

TEST(SampleProfile, DirectoryVariablesPointIntoTheSet) {
  SetEnvironment env(summary());
  EXPECT_STREQ(sorvi::profile_main_section(), "C/C++ Vexa Kelvar");
  EXPECT_EQ(std::string(sorvi::suite_file_path("c/cpen.dat")), summary().suite_dir + "c/cpen.dat");
  EXPECT_EQ(std::string(sorvi::work_file_path("staticid.dat")), summary().work_dir + "staticid.dat");
  EXPECT_EQ(std::string(sorvi::perm_file_path("Locks")), summary().perm_dir + "Locks");
  for (int language : {2, 6}) {
    EXPECT_TRUE(sorvi::is_regular_file(sorvi::language_data_path("pen.dat", language))) << language;
    EXPECT_TRUE(sorvi::is_regular_file(sorvi::language_data_path("report.dat", language))) << language;
  }
  EXPECT_TRUE(sorvi::get_profile_bool("SORVI_AREF_ANNOTATED", false, false));
}

// The catalogue of a language as pen.dat and as the GLH file give it.
void expect_catalogue(int language) {
  const std::vector<const SampleStandard*> list = sorvi_sample::standards_of_language(language);
  for (size_t i = 0; i < list.size(); ++i) {
    const SampleStandard& s = *list[i];
    const int index = sorvi::find_penalty_entry(s.letter, s.number, language);
    ASSERT_EQ(index, static_cast<int>(i)) << s.letter << s.number;
    const sorvi::PenaltyEntry& entry = *sorvi::penalty_entry(language, index);
    EXPECT_EQ(entry.text, sorvi_sample::standard_text(s));
    EXPECT_EQ(entry.standard_number, s.number);
    EXPECT_EQ(entry.letter, s.letter);
    EXPECT_EQ(entry.parameter, s.parameter);
    EXPECT_EQ(entry.penalty_number, static_cast<int>(i) + 1);
    EXPECT_EQ(*sorvi::penalty_references(language, index), sorvi_sample::standard_references(s, language));
  }
}

TEST(SampleStandards, PenaltyFilesLoadForCAndCpp) {
  SetEnvironment env(summary());
  for (int language : {2, 6}) {
    ASSERT_EQ(sorvi::load_penalty_catalogue(language, nullptr, false, false, nullptr), sorvi::kPenaltiesLoaded);
    expect_catalogue(language);
    const sorvi::int_list& flattened = sorvi::s_standard_numbers(language);
    EXPECT_EQ(flattened, (sorvi::int_list{78, 79}));
    EXPECT_EQ(
        sorvi::penalty_entry(language, static_cast<int>(sorvi_sample::standards_of_language(language).size()))->text,
        std::string("<No Text from ") + (language == 6 ? "cpp" : "c") + "pen.dat>");
  }
  // A standard whose text has a figure: the analysis may give another.
  const int index = sorvi::find_penalty_entry('C', 1, 2);
  EXPECT_EQ(sorvi::penalty_entry(2, index)->text, "Procedure exceeds 50 reformatted lines.");
  EXPECT_EQ(sorvi::penalty_entry(2, index)->has_parameter, 1);
}

TEST(SampleStandards, ReportFilesWithoutAModelReportEveryStandard) {
  SetEnvironment env(summary());
  for (int language : {2, 6}) {
    ASSERT_EQ(sorvi::load_penalty_catalogue(language, nullptr, false, false, nullptr), 0);
    ASSERT_EQ(sorvi::load_report_configuration(nullptr, language, sorvi::kNoModelName, nullptr), sorvi::kReportLoaded);
    const sorvi::ReportConfiguration& cfg = *sorvi::report_configuration(language);
    // Listed in their display forms ("MISRA" is shown as "MISRA-C:1998").
    std::vector<std::string> names;
    for (const std::string& name : sorvi_sample::report_model_names(language)) {
      names.push_back(sorvi::model_name_for_display(name));
    }
    EXPECT_EQ(cfg.model_names, names);
    for (const SampleStandard* s : sorvi_sample::standards_of_language(language)) {
      EXPECT_TRUE(sorvi::is_standard_reported(s->letter, s->number, language)) << s->letter << s->number;
      const int index = sorvi::find_penalty_entry(s->letter, s->number, language);
      EXPECT_EQ(sorvi::report_entry(language, index)->default_category_letter, s->category);
    }
    EXPECT_EQ(cfg.exclusions, (sorvi::charlist{"/usr/include/", "/opt/vexa/include/"}));
  }
  const int index = sorvi::find_penalty_entry('D', 69, 2);
  EXPECT_EQ(sorvi::report_entry(2, index)->needs_unit_test, 1);
  EXPECT_EQ(sorvi::report_entry(2, index)->value_a, 3);
  EXPECT_EQ(sorvi::report_entry(2, index)->value_b, 25000000);
}

TEST(SampleStandards, MisraC2004ModelHasCategoryTitlesAndLeavesOthersOut) {
  SetEnvironment env(summary());
  ASSERT_EQ(sorvi::load_penalty_catalogue(2, nullptr, false, false, nullptr), 0);
  ASSERT_EQ(sorvi::load_report_configuration(nullptr, 2, "MISRA-C:2004", nullptr), sorvi::kReportLoaded);
  EXPECT_EQ(sorvi::report_configuration(2)->model, "MISRA-C:2004");
  EXPECT_EQ(sorvi::category_title(2, 1), "Required");
  EXPECT_EQ(sorvi::category_title(2, 2), "Advisory");
  EXPECT_EQ(sorvi::category_title(2, 3), "Document");
  EXPECT_EQ(sorvi::category_title(2, 4), "Checking");
  int reported = 0;
  for (const SampleStandard* s : sorvi_sample::standards_of_language(2)) {
    EXPECT_EQ(sorvi::is_standard_reported(s->letter, s->number, 2), s->misra2004 != nullptr) << s->letter << s->number;
    reported += s->misra2004 != nullptr;
  }
  EXPECT_GT(reported, 10);
  const int index = sorvi::find_penalty_entry('S', 9, 2);
  EXPECT_EQ(sorvi::report_entry(2, index)->rule_number, 60);
  EXPECT_EQ(sorvi::report_entry(2, index)->category_letter, 'M');
}

TEST(SampleGlh, CatalogueFromTheGlqRepositoryEqualsPenDat) {
  SetEnvironment env(summary());
  const std::string glh = work_path(module(), ".glh");
  for (int language : {2, 6}) {
    ASSERT_EQ(sorvi::load_penalty_catalogue(language, nullptr, false, false, glh.c_str()), sorvi::kPenaltiesLoaded);
    expect_catalogue(language);
  }
  // The report configuration from the repository when report.dat is missing.
  ASSERT_EQ(sorvi::load_report_configuration((summary().root + "none.dat").c_str(), 2, nullptr, glh.c_str()), 0);
  EXPECT_EQ(sorvi::report_configuration(2)->model_descriptions, sorvi_sample::report_model_descriptions(2));
  for (const SampleStandard* s : sorvi_sample::standards_of_language(2)) {
    EXPECT_TRUE(sorvi::is_standard_reported(s->letter, s->number, 2));
  }
}

TEST(SampleGlh, WorkFileCopiesEqualTheFilesOnDisk) {
  SetEnvironment env(summary());
  const SampleModule& m = module();
  const std::string glh = work_path(m, ".glh");
  ASSERT_EQ(m.glh_documents.size(), 13u);
  sorvi_test::TempDir out;
  for (const std::string& name : m.glh_documents) {
    ASSERT_EQ(sorvi::glh_work_file_present(m.source_path.c_str(), name.c_str(), glh.c_str()), 1) << name;
    const std::string copy = out.file(name);
    ASSERT_EQ(sorvi::glh_extract_text(m.source_path.c_str(), name.c_str(), glh.c_str(), copy.c_str(), 0), 1);
    EXPECT_EQ(sorvi_test::read_file(copy), sorvi_test::read_file(summary().work_dir + name)) << name;
  }
  EXPECT_TRUE(sorvi::glh_text_storage_is_chunked(m.source_path.c_str(), (m.stem + ".ref").c_str(), glh.c_str()));
  EXPECT_FALSE(sorvi::glh_text_storage_is_chunked(m.source_path.c_str(), (m.stem + ".sif").c_str(), glh.c_str()));
  ASSERT_EQ(sorvi::glh_work_file_present("$$CFG_REPOSITORY$$", "staticid", glh.c_str()), 1);
}

TEST(SampleGlh, ReadersFallBackToTheRepositoryWhenAFileIsGone) {
  // A copy of the set whose plain work files are deleted, but for the GLH file.
  sorvi_test::TempDir dir;
  SampleSetOptions o;
  o.output_dir = dir.file("set");
  o.target_lines = 150;
  const SampleSetSummary s = sorvi_sample::write_sample_set(o);
  ASSERT_TRUE(s.ok) << s.error;
  const SampleModule& m = s.modules[0];
  const std::string glh = s.work_dir + m.stem + ".glh";
  const std::string sif = s.work_dir + m.stem + ".sif";
  const std::string sif_text = sorvi_test::read_file(sif);
  ASSERT_EQ(std::remove(sif.c_str()), 0);
  ASSERT_EQ(std::remove((s.work_dir + "staticid.dat").c_str()), 0);
  SetEnvironment env(s);

  for (int mode : {sorvi::kOpenPlainFirst, sorvi::kOpenRepositoryFirst, sorvi::kOpenDatasetFirst}) {
    sorvi::WorkFile file = sorvi::open_work_file(sif.c_str(), glh.c_str(), m.source_path.c_str(), nullptr, mode);
    FILE* stream = sorvi::work_file_stream(file.get());
    ASSERT_NE(stream, nullptr) << mode;
    std::string text;
    for (int c = std::fgetc(stream); c != EOF; c = std::fgetc(stream)) text += static_cast<char>(c);
    EXPECT_EQ(text, sif_text) << mode;
  }
  // The registry comes from the GLH file's copy.
  ASSERT_TRUE(sorvi::load_module_registry(s.work_dir.c_str(), glh.c_str()));
  EXPECT_EQ(sorvi::module_number_of(m.source_path.c_str(), false, glh.c_str()), 1);

  // A test case's counts, also when the result file is gone.
  const std::string tc = sorvi::test_case_result_file((s.work_dir + m.stem + ".pol").c_str(), 2, s.tests_dir.c_str());
  const std::string tc_text = sorvi_test::read_file(tc);
  ASSERT_EQ(std::remove(tc.c_str()), 0);
  sorvi::WorkFile counts =
      sorvi::open_test_case_work_file((s.work_dir + m.stem + ".pol").c_str(), 2, s.tests_dir.c_str(),
                                      s.sequence.c_str(), m.source_path.c_str(), glh.c_str());
  FILE* stream = sorvi::work_file_stream(counts.get());
  ASSERT_NE(stream, nullptr);
  std::string text;
  for (int c = std::fgetc(stream); c != EOF; c = std::fgetc(stream)) text += static_cast<char>(c);
  EXPECT_EQ(text, tc_text);
}

TEST(SampleHelpPages, EveryStandardHasItsAnchorInBothLayouts) {
  const std::string current = sorvi_test::read_file(summary().suite_dir + "standards_info/html/standards.htm");
  const std::string older =
      sorvi_test::read_file(summary().suite_dir + "Standards_and_MISRA_info/Standard/standard.html");
  for (const SampleStandard& s : sorvi_sample::sample_standards()) {
    const char lower = static_cast<char>(s.letter - 'A' + 'a');
    const std::string anchor = "standard_" + std::string(1, lower) + std::to_string(s.number);
    EXPECT_NE(current.find("name=\"" + anchor + "\""), std::string::npos) << anchor;
    EXPECT_NE(current.find("id=\"" + anchor + "\""), std::string::npos) << anchor;
    EXPECT_NE(older.find("<a name=\"" + anchor + "\">"), std::string::npos) << anchor;
  }
  // Well formed enough for any HTML view: every element opened is closed.
  for (const std::string* page : {&current, &older}) {
    for (const char* tag : {"html", "head", "body", "h1", "h2", "h3", "p", "ul", "li", "table", "tr", "td", "a"}) {
      size_t opened = 0;
      size_t closed = 0;
      const std::string open_a = std::string("<") + tag + ">";
      const std::string open_b = std::string("<") + tag + " ";
      const std::string close = std::string("</") + tag + ">";
      for (size_t p = page->find(open_a); p != std::string::npos; p = page->find(open_a, p + 1)) ++opened;
      for (size_t p = page->find(open_b); p != std::string::npos; p = page->find(open_b, p + 1)) ++opened;
      for (size_t p = page->find(close); p != std::string::npos; p = page->find(close, p + 1)) ++closed;
      EXPECT_EQ(opened, closed) << tag;
    }
  }
}

}  // namespace
}  // namespace samplegen_test
