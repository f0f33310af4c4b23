// Decoding of GL record rows, name mapping and repository type names.
#include <gtest/gtest.h>

#include <cstring>
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
  std::memcpy(r.name, name.data(), name.size());
  return r;
}

GlRow continuation(int remaining, const std::string& name) {
  return row(remaining, static_cast<int>(name.size()), 0, name, 0);
}

GlhRecord decode_one(const GlRow& r) {
  std::vector<GlhRecord> out;
  EXPECT_TRUE(glh_decode_rows(&r, 1, -1, out));
  EXPECT_EQ(out.size(), 1u);
  return out.empty() ? GlhRecord() : out[0];
}

TEST(GlhKeyValueSplit, KeyAndValueAroundTheSeparator) {
  GlhRecord rec = decode_one(row(1, 7, 3, "abc|def"));
  EXPECT_EQ(rec.key, std::optional<std::string>("abc"));
  EXPECT_EQ(rec.value, std::optional<std::string>("def"));
  EXPECT_EQ(rec.fields[kGlFieldRows], 0);
  EXPECT_EQ(rec.fields[kGlFieldTextLength], 7);
  EXPECT_EQ(rec.fields[kGlFieldFirstPart], 3);
  EXPECT_EQ(rec.fields[kGlFieldType], 90);
}

TEST(GlhKeyValueSplit, FirstPartAsLongAsTheTextIsAllKey) {
  GlhRecord rec = decode_one(row(1, 7, 7, "abc|def"));
  EXPECT_EQ(rec.key, std::optional<std::string>("abc|def"));
  EXPECT_FALSE(rec.value.has_value());
}

TEST(GlhKeyValueSplit, NoFirstPartIsAllValue) {
  GlhRecord rec = decode_one(row(0, 7, 0, "abc|def"));
  EXPECT_FALSE(rec.key.has_value());
  EXPECT_EQ(rec.value, std::optional<std::string>("abc|def"));
}

TEST(GlhKeyValueSplit, NoTextGivesNeither) {
  GlhRecord rec = decode_one(row(1, 0, 0, ""));
  EXPECT_FALSE(rec.key.has_value());
  EXPECT_FALSE(rec.value.has_value());
}

TEST(GlhKeyValueSplit, LengthBeyondTheTextKeepsOnlyTheKey) {
  GlhRecord rec = decode_one(row(1, 12, 3, "abc|def"));
  EXPECT_EQ(rec.key, std::optional<std::string>("abc"));
  EXPECT_FALSE(rec.value.has_value());
}

TEST(GlhKeyValueSplit, FirstPartBeyondTheTextIsCutToIt) {
  GlhRecord rec = decode_one(row(1, 40, 30, "abc|def"));
  EXPECT_EQ(rec.key, std::optional<std::string>("abc|def"));
  EXPECT_FALSE(rec.value.has_value());
}

TEST(GlhKeyValueSplit, NameWithoutTerminatorStaysInsideItsField) {
  GlRow r = row(1, 1001, 0, "");
  std::memset(r.name, 'x', sizeof r.name);
  GlhRecord rec = decode_one(r);
  ASSERT_TRUE(rec.value.has_value());
  EXPECT_EQ(rec.value->size(), kGlNameSize);
}

TEST(GlhRowDecoding, MultiRowTextIsConcatenatedAndListedAsLong) {
  const std::string a(1000, 'a'), b(500, 'b');
  std::vector<GlRow> rows = {row(2, 1000, 0, a, 80), continuation(1, b), row(1, 3, 0, "xyz", 80)};
  std::vector<GlhRecord> out;
  ASSERT_TRUE(glh_decode_rows(rows.data(), rows.size(), -1, out));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].value, std::optional<std::string>(a + b));
  EXPECT_EQ(out[0].fields[kGlFieldTextLength], 1500);
  EXPECT_EQ(out[0].fields[kGlFieldRows], 0);
  EXPECT_EQ(out[1].value, std::optional<std::string>("xyz"));
  EXPECT_EQ(glh_long_records(out), (std::vector<std::pair<int, int>>{{0, 1}}));
}

TEST(GlhRowDecoding, CountSkipsEmptyRowsAndRowsOfLongerRecords) {
  GlRow empty;
  std::memset(&empty, 0, sizeof empty);
  std::vector<GlRow> rows = {row(1, 1, 0, "a"), empty, row(3, 1, 0, "b"), continuation(2, "c"), continuation(1, "d"),
                             row(0, 1, 0, "e")};
  EXPECT_EQ(glh_count_records(rows.data(), rows.size()), 3u);
  std::vector<GlhRecord> out;
  ASSERT_TRUE(glh_decode_rows(rows.data(), rows.size(), -1, out));
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].value, std::optional<std::string>("a"));
  EXPECT_EQ(out[1].value, std::optional<std::string>("bcd"));
  EXPECT_EQ(out[1].fields[kGlFieldTextLength], 3);
  EXPECT_EQ(out[2].value, std::optional<std::string>("e"));
}

TEST(GlhRowDecoding, ElevenRowRecordIsSkippedAsAZeroRecord) {
  std::vector<GlRow> rows = {row(11, 1, 0, "s")};
  for (int remaining = 10; remaining >= 1; --remaining) rows.push_back(continuation(remaining, "t"));
  rows.push_back(row(1, 4, 0, "next"));
  std::vector<GlhRecord> out;
  ASSERT_TRUE(glh_decode_rows(rows.data(), rows.size(), -1, out));
  ASSERT_EQ(out.size(), 2u);
  for (int32_t f : out[0].fields) EXPECT_EQ(f, 0);
  EXPECT_FALSE(out[0].key.has_value());
  EXPECT_FALSE(out[0].value.has_value());
  EXPECT_EQ(out[1].value, std::optional<std::string>("next"));
}

TEST(GlhRowDecoding, RecordRunningPastTheLastRowFailsTheWholeRead) {
  // A three-row record whose middle row is missing.
  std::vector<GlRow> rows = {row(1, 2, 0, "ok"), row(3, 1, 0, "a"), continuation(1, "c")};
  ASSERT_EQ(glh_count_records(rows.data(), rows.size()), 2u);
  std::vector<GlhRecord> out;
  EXPECT_FALSE(glh_decode_rows(rows.data(), rows.size(), -1, out));
  EXPECT_TRUE(out.empty());
}

TEST(GlhRowDecoding, RowLimitStopsTheWalkAndLeavesZeroSlots) {
  std::vector<GlRow> rows = {row(1, 1, 0, "a"), row(1, 1, 0, "b"), row(1, 1, 0, "c")};
  std::vector<GlhRecord> out;
  ASSERT_TRUE(glh_decode_rows(rows.data(), rows.size(), 2, out));
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[1].value, std::optional<std::string>("b"));
  EXPECT_EQ(out[2].fields[kGlFieldType], 0);
  EXPECT_FALSE(out[2].value.has_value());
}

TEST(GlhRowDecoding, NoRowsGiveNoRecords) {
  std::vector<GlhRecord> out;
  EXPECT_TRUE(glh_decode_rows(nullptr, 0, -1, out));
  EXPECT_TRUE(out.empty());
}

TEST(GlhNames, QuestionMarkOpensALevelAndSlashStaysInTheName) {
  EXPECT_EQ(glh_map_name("a?b/c"), "a/b\\c");
  EXPECT_EQ(glh_map_name("/src/demo.c"), "\\src\\demo.c");
  EXPECT_EQ(glh_map_name("$$VEXA_PENALTIES$$"), "$$VEXA_PENALTIES$$");
}

TEST(GlhNames, TypeComesFromTheFirstThreeLettersInEitherCase) {
  EXPECT_EQ(glh_type_code("glq"), kGlhTypeGLQ);
  EXPECT_EQ(glh_type_code("GLQ_Repository"), kGlhTypeGLQ);
  EXPECT_EQ(glh_type_code("gLqanything"), kGlhTypeGLQ);
  EXPECT_EQ(glh_type_code("GLK"), kGlhTypeGLC);
  EXPECT_EQ(glh_type_code("doc"), kGlhTypeDOC);
  EXPECT_EQ(glh_type_code("dyn"), kGlhTypeDYN);
  EXPECT_EQ(glh_type_code("GLB"), kGlhTypeGLB);
  EXPECT_EQ(glh_type_code("GLS"), kGlhTypeGLS);
  EXPECT_EQ(glh_type_code("xyz"), kGlhTypeNone);
  EXPECT_EQ(glh_type_code("gl"), kGlhTypeNone);
  EXPECT_EQ(glh_type_code("\\src"), kGlhTypeNone);
  EXPECT_EQ(glh_type_code(nullptr), kGlhTypeNone);
  EXPECT_STREQ(glh_repository_group_name(kGlhTypeGLQ), "GLQ_Repository");
  EXPECT_STREQ(glh_repository_group_name(kGlhTypeGLC), "GLC_Repository");
  EXPECT_STREQ(glh_repository_group_name(kGlhTypeDYN), "DYN_Repository");
  EXPECT_EQ(glh_repository_group_name(kGlhTypeNone), nullptr);
  EXPECT_EQ(glh_repository_group_name(12), nullptr);
}

}  // namespace
}  // namespace sorvi
