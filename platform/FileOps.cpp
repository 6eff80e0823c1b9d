#include "platform/FileOps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include <QDir>
#include <QFile>
#include <QString>

#include "engine/CommandLine.h"
#include "engine/Exception.h"
#include "platform/FileIdentity.h"
#include "platform/JpegImage.h"

namespace tarnick {

std::int64_t FileSizeOf(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

bool IsCompleteMp4File(const std::string& path) {
  if (FileSizeOf(path) < 0) return false;
  // Non-blocking, and checked again on the open file, so nothing but a
  // regular file is ever read.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  const std::uint64_t length = static_cast<std::uint64_t>(st.st_size);
  std::uint64_t at = 0;
  bool moov = false;
  while (at < length) {
    unsigned char h[16];
    if (length - at < 8 || ::pread(fd, h, 8, static_cast<off_t>(at)) != 8) return false;
    std::uint64_t size = (std::uint64_t{h[0]} << 24) | (std::uint64_t{h[1]} << 16) |
                         (std::uint64_t{h[2]} << 8) | h[3];
    std::uint64_t header = 8;
    if (size == 1) {
      if (length - at < 16 || ::pread(fd, h + 8, 8, static_cast<off_t>(at + 8)) != 8) return false;
      size = 0;
      for (int i = 8; i < 16; ++i) size = (size << 8) | h[i];
      header = 16;
    } else if (size == 0) {
      size = length - at;  // the last box runs to the end of the file
    }
    if (size < header || size > length - at) return false;  // cut short
    if (std::memcmp(h + 4, "moov", 4) == 0) moov = true;
    at += size;
  }
  return moov;
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
  // By bytes: the folder's name need not be valid UTF-8.
  std::error_code error;
  std::filesystem::create_directories(path, error);
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::int64_t FileOps::FileSize(const std::string& path) const {
  return FileSizeOf(path);
}

bool FileOps::IsCompleteMp4(const std::string& path) const {
  return IsCompleteMp4File(path);
}

bool FileOps::IsSideThumbnailImage(const std::string& path) const {
  if (FileSizeOf(path) < 0) return false;
  const QImage image = DecodeJpegFile(path);
  return image.width() == SideThumbnailWidth && image.height() == SideThumbnailHeight;
}

FileIdentity FileOps::Identify(const std::string& path) const {
  return IdentifyFile(path);
}

}  // namespace tarnick
