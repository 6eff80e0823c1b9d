#include <gtest/gtest.h>

#include "engine/Exception.h"
#include "engine/NumberText.h"

namespace tarnick {
namespace {

TEST(NumberText, Numbers) {
  const std::vector<std::pair<std::string, std::int32_t>> cases{
      {"0", 0},
      {"64", 64},
      {" 64", 64},
      {"   +7", 7},
      {"-1", -1},
      {"007", 7},
      {"0x40", 64},
      {"0X40", 64},
      {"$40", 64},
      {"x40", 64},
      {"X1e", 30},
      {"$1E", 30},
      {"-$10", 16},
      {"+0x10", 16},
      {"$FFFFFFFF", -1},
      {"$80000000", INT32_MIN},
      {"$00000000FF", 255},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
  };
  for (const auto& [text, value] : cases) {
    auto v = TryStrToInt(text);
    ASSERT_TRUE(v.has_value()) << text;
    EXPECT_EQ(*v, value) << text;
  }
}

TEST(NumberText, NotNumbers) {
  for (std::string text : {"",     " ",    "+",          "-",          "$",           "0x",
                           "x",    "64px", "64 ",        "29.97",      "30 ",         "1e3",
                           "\t5",  "$1G",  "$100000000", "2147483648", "-2147483649", "99999999999",
                           "0x-1", "--1",  "+-1",        "٣"}) {
    EXPECT_FALSE(TryStrToInt(text).has_value()) << "[" << text << "]";
  }
}

TEST(NumberText, ErrorMessageCarriesTheText) {
  try {
    StrToInt("29.97");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'29.97' は整数ではありません");
  }
  EXPECT_THROW(StrToInt(""), EConvertError);
  EXPECT_EQ(NotAnIntegerMessage(""), "'' は整数ではありません");
}

}  // namespace
}  // namespace tarnick
