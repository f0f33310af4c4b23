// The pieces of sorvi-export where a slip would go unseen in the outputs'
// totals: the SARIF level of each report category, coverage rates, and the
// merging of one header's coverage from two modules.
#include <gtest/gtest.h>

#include <cstdio>

#include "export/export_text.h"
#include "export/module_export.h"
#include "export/report_writers.h"

namespace {

using namespace sorvi_export;

TEST(ExportUnits, LevelFromCategory) {
  const struct {
    char category;
    const char* level;
  } rows[] = {{'M', "error"}, {'O', "warning"}, {'C', "note"}, {'I', "note"}, {' ', "warning"}};
  for (const auto& r : rows) EXPECT_STREQ(sarif_level(r.category), r.level) << r.category;
}

TEST(ExportUnits, Rates) {
  const struct {
    long long part, whole;
    const char* text;
  } rows[] = {{0, 4, "0.0000"}, {1, 3, "0.3333"}, {2, 3, "0.6667"}, {5, 5, "1.0000"}, {0, 0, "1.0000"}};
  for (const auto& r : rows) EXPECT_EQ(rate_text(r.part, r.whole), r.text) << r.part << "/" << r.whole;
}

std::string written(bool (*writer)(std::FILE*, const MergedExport&, const RunInfo&), const MergedExport& m) {
  char* text = nullptr;
  size_t size = 0;
  std::FILE* f = open_memstream(&text, &size);
  RunInfo run;
  run.version = "1.0";
  run.test_name = "Limit_values";
  EXPECT_TRUE(writer(f, m, run));
  std::fclose(f);
  std::string s(text, size);
  std::free(text);
  return s;
}

// Two modules include one header: its lines add up, the n-th branch of a
// line is one branch (taken when either module took it), a function is
// listed once with both counts.
TEST(ExportUnits, SharedHeaderMergedIntoOneRecord) {
  ModuleExport a, b;
  a.coverage["/p/inc/h.h"] = {{{3, 2}, {4, 0}}, {{4, -1}, {4, 1}}, {{"f", 3, 2}}};
  b.coverage["/p/inc/h.h"] = {{{3, 1}, {4, 0}, {5, 0}}, {{4, 3}, {4, 0}}, {{"f", 3, 1}}};
  b.coverage["/p/b.c"] = {{{7, 1}}, {}, {}};
  MergedExport m;
  add_module(m, std::move(a));
  add_module(m, std::move(b));

  EXPECT_EQ(written(write_lcov, m),
            "TN:Limit_values\nSF:/p/b.c\nFNF:0\nFNH:0\nBRF:0\nBRH:0\nDA:7,1\nLF:1\nLH:1\nend_of_record\n"
            "TN:Limit_values\nSF:/p/inc/h.h\nFN:3,f\nFNDA:3,f\nFNF:1\nFNH:1\nBRDA:4,0,0,3\nBRDA:4,0,1,1\nBRF:2\nBRH:2\n"
            "DA:3,3\nDA:4,0\nDA:5,0\nLF:3\nLH:1\nend_of_record\n");
  const std::string xml = written(write_cobertura, m);
  EXPECT_NE(xml.find("<coverage line-rate=\"0.5000\" branch-rate=\"1.0000\" lines-covered=\"2\" lines-valid=\"4\" "
                     "branches-covered=\"2\" branches-valid=\"2\""),
            std::string::npos)
      << xml;
  EXPECT_NE(xml.find("<package name=\"inc\" line-rate=\"0.3333\" branch-rate=\"1.0000\""), std::string::npos) << xml;
  EXPECT_NE(xml.find("<line number=\"4\" hits=\"0\" branch=\"true\" condition-coverage=\"100% (2/2)\">"),
            std::string::npos)
      << xml;
}

}  // namespace
