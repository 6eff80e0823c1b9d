#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "engine/Exception.h"
#include "platform/FileOps.h"

namespace tarnick {
namespace {

class FileOpsTest : public ::testing::Test {
 protected:
  std::string P(const std::string& name) const { return dir.filePath(QString::fromStdString(name)).toStdString(); }
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

TEST_F(FileOpsTest, SameFile) {
  std::string a = Make("a.mp4", 1);
  Make("b.mp4", 1);
  ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
  ASSERT_EQ(::symlink(a.c_str(), P("link.mp4").c_str()), 0);
  EXPECT_TRUE(ops.SameFile(a, P("sub/../a.mp4")));
  EXPECT_TRUE(ops.SameFile(a, P("link.mp4")));
  EXPECT_FALSE(ops.SameFile(a, P("b.mp4")));
  EXPECT_FALSE(ops.SameFile(a, P("missing.mp4")));
}

}  // namespace
}  // namespace tarnick
