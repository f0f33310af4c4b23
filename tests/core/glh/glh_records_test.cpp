// Decoding of GL record rows and the mapping of document names. (Type
// names are read through the repository opens of glh_library_test.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "glh/glh_internals.h"

namespace sorvi {
namespace {

GlRow row(int span, int text_length, int first_part, const std::string& name, int type = 90) {
  GlRow r;
  std::memset(&r, 0, sizeof r);
  r.fields[kGlFieldType] = type;
  r.fields[kGlFieldRows] = span;
  r.fields[kGlFieldTextLength] = text_length;
  r.fields[kGlFieldFirstPart] = first_part;
  std::memcpy(r.name, name.data(), std::min(name.size(), sizeof r.name));
  return r;
}

GlRow continuation(int remaining, const std::string& name) {
  return row(remaining, static_cast<int>(name.size()), 0, name, 0);
}

std::string text(const std::optional<std::string>& t) { return t ? *t : "-"; }

// One line per record: key, value, type, rows, text length and first part.
std::string decoded(const std::vector<GlRow>& rows, long long limit) {
  std::vector<GlhRecord> out;
  if (!glh_decode_rows(rows.data(), rows.size(), limit, out)) return out.empty() ? "fails" : "fails, keeps records";
  std::string dump;
  for (const GlhRecord& r : out) {
    dump += text(r.key) + " " + text(r.value);
    for (int f : {kGlFieldType, kGlFieldRows, kGlFieldTextLength, kGlFieldFirstPart})
      dump += " " + std::to_string(r.fields[f]);
    dump += "\n";
  }
  return dump;
}

TEST(GlhRowDecoding, RowsDecodeIntoKeysAndValues) {
  GlRow unterminated = row(1, 1001, 0, std::string(kGlNameSize, 'x'));
  GlRow empty;
  std::memset(&empty, 0, sizeof empty);
  std::vector<GlRow> eleven = {row(11, 1, 0, "s")};
  for (int remaining = 10; remaining >= 1; --remaining) eleven.push_back(continuation(remaining, "t"));
  eleven.push_back(row(1, 4, 0, "next"));
  struct Case {
    const char* what;
    std::vector<GlRow> rows;
    long long limit;
    std::string records;
  };
  const Case cases[] = {
      {"key and value around the separator", {row(1, 7, 3, "abc|def")}, -1, "abc def 90 0 7 3\n"},
      {"first part as long as the text is all key", {row(1, 7, 7, "abc|def")}, -1, "abc|def - 90 0 7 7\n"},
      {"no first part is all value", {row(0, 7, 0, "abc|def")}, -1, "- abc|def 90 0 7 0\n"},
      {"no text gives neither", {row(1, 0, 0, "")}, -1, "- - 90 0 0 0\n"},
      {"length beyond the text keeps only the key", {row(1, 12, 3, "abc|def")}, -1, "abc - 90 0 12 3\n"},
      {"first part beyond the text is cut to it", {row(1, 40, 30, "abc|def")}, -1, "abc|def - 90 0 40 30\n"},
      {"a name without terminator stays in its field", {unterminated}, -1,
       "- " + std::string(kGlNameSize, 'x') + " 90 0 1001 0\n"},
      {"a record of several rows is concatenated",
       {row(2, 1000, 0, "aa", 80), continuation(1, "bb"), row(1, 3, 0, "xyz", 80)}, -1,
       "- aabb 80 0 1002 0\n- xyz 80 0 3 0\n"},
      {"empty rows and rows of longer records are no records",
       {row(1, 1, 0, "a"), empty, row(3, 1, 0, "b"), continuation(2, "c"), continuation(1, "d"), row(0, 1, 0, "e")},
       -1, "- a 90 0 1 0\n- bcd 90 0 3 0\n- e 90 0 1 0\n"},
      {"an eleven-row record is skipped as a zero record", eleven, -1, "- - 0 0 0 0\n- next 90 0 4 0\n"},
      {"a record running past the last row fails the whole read",
       {row(1, 2, 0, "ok"), row(3, 1, 0, "a"), continuation(1, "c")}, -1, "fails"},
      {"the row limit stops the walk and leaves zero slots",
       {row(1, 1, 0, "a"), row(1, 1, 0, "b"), row(1, 1, 0, "c")}, 2, "- a 90 0 1 0\n- b 90 0 1 0\n- - 0 0 0 0\n"},
      {"no rows", {}, -1, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(decoded(c.rows, c.limit), c.records) << c.what;
}

TEST(GlhNames, QuestionMarkOpensALevelAndSlashStaysInTheName) {
  EXPECT_EQ(glh_map_name("a?b/c"), "a/b\\c");
  EXPECT_EQ(glh_map_name("/src/demo.c"), "\\src\\demo.c");
  EXPECT_EQ(glh_map_name("$$VEXA_PENALTIES$$"), "$$VEXA_PENALTIES$$");
}

}  // namespace
}  // namespace sorvi
