#include "engine/SourceOrder.h"

#include <gtest/gtest.h>

#include "support/SharedRuleCases.h"

namespace tarnick {
namespace {

int Sign(int v) {
  return v < 0 ? -1 : v > 0 ? 1 : 0;
}

TEST(SourceOrder, LettersCompareWithoutCase) {
  struct Case {
    const char* a;
    const char* b;
    int order;
  } cases[] = {
      {"a.avi", "A.avi", 0}, {"é.avi", "É.avi", 0},   {"Ä", "ä", 0},
      {"Ж", "ж", 0},         {"Ω", "ω", 0},           {"Ａ", "ａ", 0},
      {"Ł", "ł", 0},         {"Ÿ", "ÿ", 0},           {"/a/B.avi", "/a/b.AVI", 0},
      {"a", "b", -1},        {"B", "a", 1},           {"Z.avi", "ä.avi", -1},
      {"_a", "A", -1},  // letters compare as small ones, after "_"
      {"a", "ab", -1},       {"", "a", -1},           {"", "", 0},
      {"z", "\xff", -1},                               // a stray byte sorts after every letter
      {"\x81", "\xff", -1},  {"\xc3", "\xc3\xa9", 1},  // a cut character is a stray byte
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Sign(CompareSourcePaths(c.a, c.b)), c.order) << c.a << " " << c.b;
    EXPECT_EQ(Sign(CompareSourcePaths(c.b, c.a)), -c.order) << c.b << " " << c.a;
  }
}

TEST(SourceOrder, InsertGoesAfterEqualItems) {
  std::vector<std::string> items = {"/a/B.avi", "/a/b.avi", "/a/c.avi"};
  EXPECT_EQ(SourceInsertPosition(items, "/a/A.avi"), 0u);
  EXPECT_EQ(SourceInsertPosition(items, "/a/b.AVI"), 2u);
  EXPECT_EQ(SourceInsertPosition(items, "/a/C.avi"), 3u);
  EXPECT_EQ(SourceInsertPosition({}, "x"), 0u);
}

TEST(SourceOrder, SortingAndInsertingOneByOneAgree) {
  std::vector<std::string> sorted = test::SourceNamesGiven;
  SortSourcePaths(sorted);
  EXPECT_EQ(sorted, test::SourceNamesSorted);
  std::vector<std::string> inserted;
  for (const std::string& name : test::SourceNamesGiven)
    inserted.insert(
        inserted.begin() + static_cast<std::ptrdiff_t>(SourceInsertPosition(inserted, name)), name);
  EXPECT_EQ(inserted, sorted);
}

}  // namespace
}  // namespace tarnick
