#include <gtest/gtest.h>

#include "engine/PathStyle.h"

namespace tarnick {
namespace {

TEST(PathStyle, ProgramFolder) {
  struct Case {
    PathStyle style;
    std::string program, folder;
  };
  const std::vector<Case> cases{
      {PathStyle::Windows, "C:\\Tools\\a.exe", "C:\\Tools"},
      {PathStyle::Windows, "C:\\a.exe", "C:\\"},
      {PathStyle::Windows, "\\\\srv\\share\\a.exe", "\\\\srv\\share"},
      {PathStyle::Windows, "C:a.exe", "C:"},
      // The folder's last character ends in byte 0x5C; it is no separator.
      {PathStyle::Windows, "C:\\\x95\x5C\\a.exe", "C:\\\x95\x5C"},
      {PathStyle::Posix, "/opt/tarnick/tarnick", "/opt/tarnick"},
      {PathStyle::Posix, "/tarnick", "/"},
      {PathStyle::Posix, "tarnick", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ProgramFolderOf(c.style, c.program), c.folder) << c.program;
}

TEST(PathStyle, TrailByteIsNoSeparator) {
  const std::string name = "C:\\v\\\x95\x5C";
  EXPECT_FALSE(EndsWithSeparator(PathStyle::Windows, name));
  EXPECT_TRUE(EndsWithSeparator(PathStyle::Windows, "D:\\Video\\"));
  EXPECT_EQ(ExtractFileName(PathStyle::Windows, name), "\x95\x5C");
  EXPECT_EQ(ExtractFileName(PathStyle::Posix, "/a/b\\c"), "b\\c");
  EXPECT_TRUE(EndsWithSeparator(PathStyle::Posix, "/media/x/"));
}

}  // namespace
}  // namespace tarnick
