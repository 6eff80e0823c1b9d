#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

#include "engine/Exception.h"
#include "platform/TextCodec.h"
#include "platform/TextFile.h"

namespace tarnick {
namespace {

namespace fs = std::filesystem;

class TextFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tarnick-textfile-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Write(const std::string& name, const std::string& bytes) {
    auto p = (dir_ / name).string();
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  fs::path dir_;
};

TEST_F(TextFileTest, LineBreaks) {
  using L = std::vector<std::string>;
  EXPECT_EQ(SplitTextLines("a\r\nb\rc\nd"), (L{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitTextLines("a\r\n"), (L{"a"}));
  EXPECT_EQ(SplitTextLines("a\n\nb\n"), (L{"a", "", "b"}));
  EXPECT_EQ(SplitTextLines("\n"), (L{""}));
  EXPECT_EQ(SplitTextLines(""), (L{}));
  EXPECT_EQ(SplitTextLines(std::string(5000, 'x') + "\ny")[0].size(), 4096u);
}

TEST_F(TextFileTest, Cp932FileReadsAsUtf8) {
  // "標準,320x240" and "表示" in code page 932 (表 ends in byte 0x5C).
  std::string cp932 = "\x95\x57\x8F\x80,320x240\r\n\x95\x5C\x8E\xA6\r\n";
  auto lines = ReadTextFileLines(Write("profile.txt", cp932));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "標準,320x240");
  EXPECT_EQ(lines[1], "表示");
  EXPECT_EQ(Utf8ToCp932("表示"), "\x95\x5C\x8E\xA6");
  // A long CP932 line is cut without splitting a double-byte character.
  auto cut = ReadTextFileLines(Write("long.txt", "a" + std::string(4096, '\x95')))[0];
  EXPECT_TRUE(IsValidUtf8(cut));
}

TEST_F(TextFileTest, Utf8FileAndMissingFile) {
  auto lines = ReadTextFileLines(Write("u.txt", "\"PSP 標準\",mp4\n"));
  EXPECT_EQ(lines, (std::vector<std::string>{"\"PSP 標準\",mp4"}));
  std::string missing = (dir_ / "none.txt").string();
  try {
    ReadTextFileLines(missing);
    FAIL();
  } catch (const EFileError& e) {
    EXPECT_EQ(e.Message(), "ファイル " + missing + " は開けません");
  }
  EXPECT_THROW(ReadTextFileLines(dir_.string()), EFileError);
}

TEST_F(TextFileTest, ByteOrderMarkIsNoPartOfTheFirstLine) {
  const std::string bom = "\xEF\xBB\xBF";
  EXPECT_EQ(ReadTextFileLines(Write("bom.txt", bom + "First,mp4\r\nSecond,mp4\r\n")),
            (std::vector<std::string>{"First,mp4", "Second,mp4"}));
  // A mark before code page 932 text: the text is still judged as CP932.
  EXPECT_EQ(ReadTextFileLines(Write("bom932.txt", bom + "\x95\x57\x8F\x80,mp4\r\n")),
            (std::vector<std::string>{"標準,mp4"}));
  // Only a mark at the very start is dropped.
  EXPECT_EQ(ReadTextFileLines(Write("mid.txt", "a\n" + bom + "b\n"))[1], bom + "b");
}

TEST_F(TextFileTest, OnlyRegularFilesOfBoundedSizeAreRead) {
  const std::string fifo = (dir_ / "fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string zero = (dir_ / "zero").string();
  fs::create_symlink("/dev/zero", zero);
  const std::string big = Write("big.txt", std::string(MaxTextFileBytes + 1, 'x'));
  const std::string dangling = (dir_ / "dangling").string();
  fs::create_symlink(dir_ / "gone", dangling);
  const std::string limitSized = Write("limit.txt", std::string(1000, 'y'));
  struct Case {
    std::string path;
    std::size_t limit;
    FileReadResult result;
  } cases[] = {{fifo, MaxTextFileBytes, FileReadResult::Refused},
               {zero, MaxTextFileBytes, FileReadResult::Refused},
               {big, MaxTextFileBytes, FileReadResult::Refused},
               {dir_.string(), MaxTextFileBytes, FileReadResult::Refused},
               {dangling, MaxTextFileBytes, FileReadResult::Missing},
               {limitSized, 999, FileReadResult::Refused},
               {limitSized, 1000, FileReadResult::Read}};
  for (const Case& c : cases) {
    std::string bytes = "old";
    EXPECT_EQ(ReadRegularFile(c.path, c.limit, bytes), c.result) << c.path;
    EXPECT_EQ(bytes.size(), c.result == FileReadResult::Read ? 1000u : 0u) << c.path;
  }
  // The text reader refuses them with its message instead of waiting or growing.
  for (const std::string& path : {fifo, zero, big})
    EXPECT_THROW(ReadTextFileLines(path), EFileError) << path;
}

TEST_F(TextFileTest, DefaultPresetsApplyCleanly) {
  auto lines = ReadTextFileLines(std::string(TARNICK_SOURCE_DIR) + "/data/profile.txt");
  EXPECT_GE(lines.size(), 4u);
  for (const auto& l : lines) EXPECT_NE(l.find("fps"), std::string::npos) << l;
}

}  // namespace
}  // namespace tarnick
