#include "platform/DirectoryListing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/RunUnprivileged.h"

namespace fs = std::filesystem;

namespace tarnick {
namespace {

class DirectoryListingTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "tarnick-listing-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    Root = tmpl;
    chmod(Root.c_str(), 0755);
  }
  void TearDown() override {
    chmod((Root + "/locked").c_str(), 0755);
    std::error_code ec;
    fs::remove_all(Root, ec);
  }
  void File(const std::string& rel, const std::string& content = "") {
    std::ofstream(Root + "/" + rel, std::ios::binary) << content;
  }
  std::vector<std::string> Names(const std::string& folder, std::string_view pattern) {
    std::vector<std::string> out;
    for (const auto& e : ListDirectory(folder, pattern)) out.push_back(e.Name);
    return out;
  }
  std::string Root;
};

TEST(DirectoryPattern, Matching) {
  struct Case {
    const char* name;
    const char* pattern;
    bool match;
  };
  const Case cases[] = {
      {"README", "*.*", true},
      {".profile", "*.*", true},
      {"a.b.c", "*", true},
      {"clip.AVI", "*.avi", true},
      {"clip.avi", "*.AVI", true},
      {"clip.avi.part", "*.avi", false},
      {"clip.mp4", "*.avi", false},
      {"a1.txt", "a?.txt", true},
      {"a.txt", "a?.txt", false},
      {"a12.txt", "a?.txt", false},
      {"abc", "a*c", true},
      {"ac", "a*c", true},
      {"abcbc", "a*bc", true},
      {"abcb", "a*bc", false},
      {"x", "", false},
      // "?" takes one whole character, not one byte.
      {"動.txt", "?.txt", true},
      {"動画.txt", "?.txt", false},
      {"Ä", "ä", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MatchesPattern(c.name, c.pattern), c.match) << c.name << " / " << c.pattern;
}

TEST_F(DirectoryListingTest, SortedWithDotEntriesAndDescribed) {
  fs::create_directory(Root + "/sub");
  File("b.txt", "hello");
  File("A.txt");
  File(".h");
  ASSERT_EQ(symlink("sub", (Root + "/link").c_str()), 0);
  ASSERT_EQ(symlink("missing", (Root + "/dangling").c_str()), 0);
  auto entries = ListDirectory(Root, "*.*");
  std::vector<std::string> names;
  for (const auto& e : entries) names.push_back(e.Name);
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", ".h", "A.txt", "b.txt", "dangling", "link",
                                             "sub"}));
  const auto& b = entries[4];
  EXPECT_EQ(b.Size, 5);
  EXPECT_FALSE(b.IsDirectory);
  EXPECT_TRUE(b.IsArchive);
  EXPECT_TRUE(b.LastWriteTime.has_value());
  EXPECT_TRUE(entries[2].IsHidden);
  EXPECT_FALSE(entries[5].IsDirectory);  // dangling
  EXPECT_TRUE(entries[5].IsSymbolicLink);
  EXPECT_TRUE(entries[6].IsDirectory);  // link to sub
  EXPECT_TRUE(entries[6].IsSymbolicLink);
  EXPECT_TRUE(entries[7].IsDirectory);
  EXPECT_FALSE(entries[7].IsSymbolicLink);
  EXPECT_EQ(entries[7].Size, 0);

  EXPECT_EQ(Names(Root, "*.TXT"), (std::vector<std::string>{"A.txt", "b.txt"}));

  std::vector<std::string> folders;
  for (const auto& e : ListSubfolders(Root)) folders.push_back(e.Name);
  EXPECT_EQ(folders, (std::vector<std::string>{"link", "sub"}));
}

TEST_F(DirectoryListingTest, FolderThatCannotBeListedGivesNothing) {
  EXPECT_TRUE(ListDirectory(Root + "/missing", "*.*").empty());
  File("plain");
  EXPECT_TRUE(ListDirectory(Root + "/plain", "*.*").empty());
  EXPECT_TRUE(ListDirectory("", "*.*").empty());
  fs::create_directory(Root + "/locked");
  File("locked/inside");
  chmod((Root + "/locked").c_str(), 0);
  EXPECT_EQ(test::RunUnprivileged([&]() -> std::string {
              return std::to_string(ListDirectory(Root + "/locked", "*.*").size());
            }),
            "0");
}

TEST_F(DirectoryListingTest, LookupEntry) {
  fs::create_directory(Root + "/sub");
  File("sub/f", "abc");
  auto f = LookupEntry(Root + "/sub/f");
  ASSERT_TRUE(f.has_value());
  EXPECT_EQ(f->Name, "f");
  EXPECT_EQ(f->Size, 3);
  auto sub = LookupEntry(Root + "/sub");
  ASSERT_TRUE(sub.has_value());
  EXPECT_TRUE(sub->IsDirectory);
  // A trailing separator or the root names no entry.
  EXPECT_FALSE(LookupEntry(Root + "/sub/").has_value());
  EXPECT_FALSE(LookupEntry("/").has_value());
  EXPECT_FALSE(LookupEntry(Root + "/none").has_value());
  EXPECT_TRUE(PathExists(Root + "/sub/"));
  EXPECT_FALSE(PathExists(Root + "/none"));
  EXPECT_FALSE(PathExists(""));
}

TEST(DirectoryPaths, AbsolutePath) {
  std::string cwd = fs::current_path().string();
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"/a/b", "/a/b"}, {"/a//b/", "/a/b/"}, {"/a/./b/../c", "/a/c"}, {"/..", "/"},      {"/", "/"},
      {"", ""},         {"x", cwd + "/x"},   {"./x/", cwd + "/x/"},   {"/a/b/..", "/a"},
  };
  for (const Case& c : cases) EXPECT_EQ(AbsolutePath(c.in), c.out) << c.in;
}

TEST(DirectoryTimes, DosSteps) {
  // Two-second steps; only 1980 to 2107.
  auto d = ToDosDateTime(2020, 6, 15, 10, 20, 31);
  ASSERT_TRUE(d.has_value());
  EXPECT_EQ(d->Date, ((2020 - 1980) << 9) | (6 << 5) | 15);
  EXPECT_EQ(d->Time, (10 << 11) | (20 << 5) | 15);
  EXPECT_NEAR(*DosDateTimeToDateTime(*d), 43997 + (10 * 3600 + 20 * 60 + 30) / 86400.0, 1e-9);

  EXPECT_FALSE(ToDosDateTime(1979, 12, 31, 23, 59, 59).has_value());
  EXPECT_FALSE(ToDosDateTime(2108, 1, 1, 0, 0, 0).has_value());
  auto first = ToDosDateTime(1980, 1, 1, 0, 0, 0);
  ASSERT_TRUE(first.has_value());
  EXPECT_DOUBLE_EQ(*DosDateTimeToDateTime(*first), 29221.0);
  auto last = ToDosDateTime(2107, 12, 31, 23, 59, 59);
  ASSERT_TRUE(last.has_value());
  EXPECT_NEAR(*DosDateTimeToDateTime(*last), 75971 + 86398 / 86400.0, 1e-9);
  // A date the DOS fields can hold but the calendar cannot.
  EXPECT_FALSE(
      DosDateTimeToDateTime(DosDateTime{static_cast<std::uint16_t>((1 << 5) | 0), 0}).has_value());
  EXPECT_FALSE(
      DosDateTimeToDateTime(DosDateTime{static_cast<std::uint16_t>((2 << 5) | 30), 0}).has_value());
}

TEST(DirectoryTimes, FileTimeThroughLocalTime) {
  std::tm tm{};
  tm.tm_year = 99;
  tm.tm_mon = 11;
  tm.tm_mday = 31;
  tm.tm_hour = 23;
  tm.tm_min = 59;
  tm.tm_sec = 58;
  tm.tm_isdst = -1;
  auto v = FileTimeToDateTime(mktime(&tm));
  ASSERT_TRUE(v.has_value());
  EXPECT_NEAR(*v, 36525 + 86398 / 86400.0, 1e-9);
  EXPECT_FALSE(FileTimeToDateTime(0).has_value());
}

}  // namespace
}  // namespace tarnick
