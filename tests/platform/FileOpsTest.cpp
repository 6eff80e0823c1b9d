#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "engine/Exception.h"
#include "platform/FileIdentity.h"
#include "platform/FileOps.h"

namespace tarnick {
namespace {

class FileOpsTest : public ::testing::Test {
 protected:
  std::string P(const std::string& name) const {
    return dir.filePath(QString::fromStdString(name)).toStdString();
  }
  std::string Make(const std::string& name, std::size_t bytes) {
    std::string p = P(name);
    int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::string data(bytes, 'x');
    EXPECT_EQ(::write(fd, data.data(), data.size()), static_cast<ssize_t>(bytes));
    ::close(fd);
    return p;
  }
  QTemporaryDir dir;
  FileOps ops;
};

TEST_F(FileOpsTest, ExistsAndDelete) {
  std::string f = Make("a.mp4", 3);
  EXPECT_TRUE(ops.Exists(f));
  EXPECT_FALSE(ops.Exists(dir.path().toStdString()));  // a folder is no file
  EXPECT_FALSE(ops.Exists(""));
  ops.Delete(f);
  EXPECT_FALSE(ops.Exists(f));
  ops.Delete(f);  // deleting what is gone is harmless
}

TEST_F(FileOpsTest, ForceDirectoriesMakesEveryParent) {
  std::string deep = P("x/y y/z");
  EXPECT_TRUE(ops.ForceDirectories(deep));
  EXPECT_TRUE(QFileInfo(QString::fromStdString(deep)).isDir());
  EXPECT_TRUE(ops.ForceDirectories(deep));  // already there
  EXPECT_THROW(ops.ForceDirectories(""), Exception);
  std::string file = Make("plain", 1);
  EXPECT_FALSE(ops.ForceDirectories(file + "/sub"));
}

TEST_F(FileOpsTest, SizesIncludingAFileStillBeingWritten) {
  EXPECT_EQ(ops.FileSize(Make("zero", 0)), 0);
  EXPECT_EQ(ops.FileSize(Make("n", 1999)), 1999);
  EXPECT_EQ(ops.FileSize(P("missing")), -1);
  EXPECT_EQ(ops.FileSize(""), -1);
  EXPECT_EQ(ops.FileSize(dir.path().toStdString()), -1);

  std::string growing = P("growing.mp4");
  int fd = ::open(growing.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(ops.FileSize(growing), 0);
  ASSERT_EQ(::write(fd, "12345", 5), 5);
  EXPECT_EQ(ops.FileSize(growing), 5);
  ::close(fd);
}

TEST_F(FileOpsTest, SizesPastFourGigabytes) {
  std::string big = P("big.mp4");
  int fd = ::open(big.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  const std::int64_t size = 5'000'000'123;  // sparse: no disk space used
  ASSERT_EQ(::ftruncate(fd, size), 0);
  ::close(fd);
  EXPECT_EQ(ops.FileSize(big), size);
}

// Every spelling of one file names it; what does not exist yet is named by
// its normalised absolute path.
TEST_F(FileOpsTest, IdentityDecidesTheSameFile) {
  std::string a = Make("a.mp4", 1);
  Make("b.mp4", 1);
  ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
  ASSERT_EQ(::symlink(a.c_str(), P("link.mp4").c_str()), 0);
  ASSERT_EQ(::link(a.c_str(), P("hard.mp4").c_str()), 0);
  ASSERT_EQ(::symlink(dir.path().toStdString().c_str(), P("folderlink").c_str()), 0);
  const std::string root = dir.path().toStdString();
  struct Case {
    std::string path;
    bool same;
  };
  const std::vector<Case> cases{
      {P("sub/../a.mp4"), true}, {root + "//a.mp4", true},  {root + "/./a.mp4", true},
      {P("link.mp4"), true},     {P("hard.mp4"), true},     {P("folderlink/a.mp4"), true},
      {P("b.mp4"), false},       {P("missing.mp4"), false},
  };
  const FileIdentity id = ops.Identify(a);
  EXPECT_EQ(id.Kind, FileKind::Regular);
  for (const Case& c : cases) EXPECT_EQ(ops.Identify(c.path).SameFileAs(id), c.same) << c.path;

  // Relative spellings, against the current folder.
  const QString old = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir.filePath("sub")));
  EXPECT_TRUE(ops.Identify("../a.mp4").SameFileAs(id));
  EXPECT_TRUE(ops.Identify("./../sub/../a.mp4").SameFileAs(id));
  EXPECT_TRUE(ops.Identify("../new.mp4").SameFileAs(ops.Identify(P("new.mp4"))));
  EXPECT_TRUE(ops.Identify("x/../../new.mp4").SameFileAs(ops.Identify(root + "//new.mp4")));
  QDir::setCurrent(old);

  // Names not made yet: the folder's link resolves, the name stays its own.
  EXPECT_TRUE(ops.Identify(P("folderlink/new.mp4")).SameFileAs(ops.Identify(P("new.mp4"))));
  EXPECT_FALSE(ops.Identify(P("new.mp4")).SameFileAs(ops.Identify(P("New.mp4"))));
  EXPECT_EQ(ops.Identify(P("new.mp4")).Kind, FileKind::Missing);
  EXPECT_EQ(ops.Identify(root).Kind, FileKind::Folder);
}

TEST(FileIdentity, NormalisedAbsolutePath) {
  EXPECT_EQ(NormalisedAbsolutePath("/a//b/./c/../d"), "/a/b/d");
  EXPECT_EQ(NormalisedAbsolutePath("/../x"), "/x");
  EXPECT_EQ(NormalisedAbsolutePath("/"), "/");
  EXPECT_EQ(NormalisedAbsolutePath("a/b/.."),
            NormalisedAbsolutePath(QDir::currentPath().toStdString() + "/a"));
}

// A pipe is looked at, never opened: opening one blocks until a writer comes.
TEST_F(FileOpsTest, PipeIsNoRegularFileAndIsNeverOpened) {
  const std::string fifo = P("pipe.avi");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  EXPECT_EQ(ops.FileSize(fifo), -1);
  EXPECT_EQ(FileSizeOf(fifo), -1);
  EXPECT_FALSE(ops.Exists(fifo));
  EXPECT_FALSE(ops.IsCompleteMp4(fifo));
  EXPECT_FALSE(ops.IsSideThumbnailImage(fifo));
  EXPECT_EQ(ops.Identify(fifo).Kind, FileKind::Other);
}

std::string Box(const std::string& type, std::size_t payload) {
  const std::uint32_t size = static_cast<std::uint32_t>(payload + 8);
  std::string b{static_cast<char>(size >> 24), static_cast<char>(size >> 16),
                static_cast<char>(size >> 8), static_cast<char>(size)};
  return b + type + std::string(payload, '\0');
}

TEST_F(FileOpsTest, CompleteMp4HasItsBoxesToTheEndAndAMoov) {
  const std::string whole = Box("ftyp", 16) + Box("mdat", 100) + Box("moov", 40);
  std::string large = Box("ftyp", 16);
  large += std::string{0, 0, 0, 1} + "mdat" + std::string{0, 0, 0, 0, 0, 0, 0, 24} + "12345678";
  large += Box("moov", 8);
  struct Case {
    const char* name;
    std::string bytes;
    bool complete;
  };
  const std::vector<Case> cases{
      {"whole, index last", whole, true},
      {"whole, index first", Box("ftyp", 16) + Box("moov", 40) + Box("mdat", 100), true},
      {"64-bit box size", large, true},
      {"last box to the end",
       Box("ftyp", 16) + Box("moov", 8) + std::string{0, 0, 0, 0} + "mdat" + "xyz", true},
      {"no index (full disk)", Box("ftyp", 16) + Box("mdat", 100), false},
      {"index cut short", whole.substr(0, whole.size() - 5), false},
      {"data cut short", (Box("ftyp", 16) + Box("mdat", 100)).substr(0, 60), false},
      {"stray bytes after the last box", whole + "abc", false},
      {"box smaller than its header", Box("ftyp", 16) + std::string{0, 0, 0, 4} + "moov", false},
      {"empty", "", false},
      {"not an MP4", std::string(4096, 'x'), false},
  };
  for (const Case& c : cases) {
    const std::string p = P("c.mp4");
    {
      QFile f(QString::fromStdString(p));
      ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
      f.write(c.bytes.data(), static_cast<qint64>(c.bytes.size()));
    }
    EXPECT_EQ(ops.IsCompleteMp4(p), c.complete) << c.name;
  }
  EXPECT_FALSE(ops.IsCompleteMp4(P("missing.mp4")));
}

}  // namespace
}  // namespace tarnick
