#include "platform/FileOps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QString>

#include "engine/Exception.h"

namespace tarnick {

std::int64_t FileSizeOf(const std::string& path) {
  if (path.empty()) return -1;
  // Opened for reading only, so a file the encoder holds open for writing
  // is measured as it grows.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st {};
  std::int64_t size = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? static_cast<std::int64_t>(st.st_size) : -1;
  ::close(fd);
  return size;
}

bool FileOps::Exists(const std::string& path) const {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void FileOps::Delete(const std::string& path) {
  if (!path.empty()) ::unlink(path.c_str());
}

bool FileOps::ForceDirectories(const std::string& path) {
  if (path.empty()) throw Exception("フォルダを作成できません");
  return QDir().mkpath(QString::fromStdString(path));
}

std::int64_t FileOps::FileSize(const std::string& path) const { return FileSizeOf(path); }

bool FileOps::SameFile(const std::string& a, const std::string& b) const {
  struct stat sa {}, sb {};
  if (a.empty() || b.empty() || ::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0)
    return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace tarnick
