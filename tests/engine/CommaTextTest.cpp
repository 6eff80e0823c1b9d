#include <gtest/gtest.h>

#include "engine/CommaText.h"

namespace tarnick {
namespace {

using Cols = std::vector<std::string>;

TEST(CommaText, EdgeCaseTable) {
  const std::vector<std::pair<std::string, Cols>> cases{
      {"a,b,c", {"a", "b", "c"}},
      {"a b,c", {"a", "b", "c"}},
      {",x", {"", "x"}},
      {"a,,b", {"a", "", "b"}},
      {"a, ,b", {"a", "", "b"}},
      {"a,b,", {"a", "b", ""}},
      {"a,b, ", {"a", "b"}},
      {"   a", {"a"}},
      {"\"x,y\",z", {"x,y", "z"}},
      {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
      {"\"ab\"cd", {"ab", "cd"}},
      {"ab\"cd", {"ab\"cd"}},
      {"\"abc", {"abc"}},
      {"", {}},
      {" \t ", {}},
      {std::string("a,b\0c", 5), {"a", "b"}},
  };
  for (const auto& [line, cols] : cases)
    EXPECT_EQ(SplitCommaText(line), cols) << "[" << line << "]";
}

TEST(CommaText, HeaderRowAndDoubleByteColumns) {
  auto cols =
      SplitCommaText(",[拡張子],[ｻｲｽﾞ],[ｺｰﾃﾞｯｸ],[ﾌﾚｰﾑﾚｰﾄ],[ﾋﾞｯﾄﾚｰﾄ],[ｺｰﾃﾞｯｸ],[ｻﾝﾌﾟﾙﾚｰﾄ],[ﾋﾞｯﾄﾚｰﾄ]");
  ASSERT_EQ(cols.size(), 9u);
  EXPECT_EQ(cols[0], "");
  EXPECT_EQ(cols[1], "[拡張子]");
  EXPECT_EQ(cols[8], "[ﾋﾞｯﾄﾚｰﾄ]");
  // Code page 932 bytes: trail bytes are never below 0x40, so never split.
  EXPECT_EQ(SplitCommaText("\x95\x5C,\x83\x41"), (Cols{"\x95\x5C", "\x83\x41"}));
}

}  // namespace
}  // namespace tarnick
