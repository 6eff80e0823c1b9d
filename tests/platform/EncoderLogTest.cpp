#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <sstream>

#include "platform/EncoderLog.h"

namespace tarnick {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Text where every byte tells its place, so a shifted tail shows.
std::string Numbered(std::size_t size) {
  std::string text;
  for (std::size_t i = 0; text.size() < size; ++i) text += std::to_string(i) + "\n";
  text.resize(size);
  return text;
}

constexpr std::size_t Head = EncoderLogWriter::HeadBytes, Tail = EncoderLogWriter::TailBytes;

struct Case {
  const char* Name;
  std::size_t Size;
  std::size_t Piece;  // the size of each Add
};

TEST(EncoderLogWriter, KeepsTheHeadAndTheLastMegabyteInOrder) {
  const Case cases[] = {
      {"small", 1000, 7},
      {"exactly head and tail", Head + Tail, 4096},
      {"one byte over", Head + Tail + 1, 4096},
      {"many small pieces", Head + 3 * Tail + 12345, 999},
      {"one huge piece", Head + 5 * Tail, Head + 5 * Tail},
      {"pieces larger than the tail", Head + 4 * Tail + 17, Tail + 3},
  };
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string path = dir.filePath(c.Name).toStdString();
    std::ofstream(path) << "$ ffmpeg -i a.avi a.mp4\n";
    const std::string text = Numbered(c.Size);
    {
      EncoderLogWriter log(path);
      for (std::size_t at = 0; at < text.size(); at += c.Piece)
        log.Add(std::string_view(text).substr(at, c.Piece));
    }
    std::string expected = "$ ffmpeg -i a.avi a.mp4\n";
    if (c.Size <= Head + Tail) {
      expected += text;
    } else {
      expected += text.substr(0, Head) + "\n[... " + std::to_string(c.Size - Head - Tail) +
                  " bytes of messages left out ...]\n" + text.substr(c.Size - Tail);
    }
    const std::string kept = ReadAll(path);
    EXPECT_EQ(kept.size(), expected.size());
    EXPECT_TRUE(kept == expected);
  }
}

TEST(EncoderLogWriter, TailReadingTakesOnlyTheEndAfterTheOffset) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string path = dir.filePath("log").toStdString();
  const std::string text = Numbered(3 << 20);
  std::ofstream(path, std::ios::binary) << text;
  EXPECT_EQ(ReadLogTail(path, 0, 1000), text.substr(text.size() - 1000));
  EXPECT_EQ(ReadLogTail(path, text.size() - 10, 1000), text.substr(text.size() - 10));
  EXPECT_EQ(ReadLogTail(path, text.size() + 5, 1000),
            text.substr(text.size() - 1000));  // log was cut
  EXPECT_EQ(ReadLogTail(dir.filePath("none").toStdString(), 0), "");
}

}  // namespace
}  // namespace tarnick
