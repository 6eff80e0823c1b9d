#include "platform/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "engine/Exception.h"
#include "engine/PathStyle.h"
#include "platform/TextCodec.h"

namespace tarnick {

namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

FileReadResult ReadRegularFile(const std::string& path, std::size_t limit, std::string& bytes) {
  bytes.clear();
  // Without O_NONBLOCK the open of a named pipe waits for a writer.
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (fd.get() < 0)
    return (errno == ENOENT || errno == ENOTDIR) ? FileReadResult::Missing
                                                 : FileReadResult::Refused;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return FileReadResult::Refused;
  if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > limit)
    return FileReadResult::Refused;
  bytes.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      bytes.clear();
      return FileReadResult::Refused;
    }
    // A file that grows while it is read is held to the same limit.
    if (bytes.size() + static_cast<std::size_t>(n) > limit) {
      bytes.clear();
      return FileReadResult::Refused;
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return FileReadResult::Read;
}

std::string ReadFileBytes(const std::string& path) {
  std::string bytes;
  if (ReadRegularFile(path, MaxTextFileBytes, bytes) != FileReadResult::Read)
    throw EFileError(FormatMessage("ファイル %s は開けません", path));
  return bytes;
}

namespace {

// The longest prefix of at most `limit` bytes that does not split a
// character of the text's encoding.
std::size_t CutPoint(const std::string& line, std::size_t limit, bool utf8) {
  if (line.size() <= limit) return line.size();
  std::size_t cut = limit;
  if (utf8) {
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
  } else if (!IsSingleByteAt(PathStyle::Windows, line, cut)) {
    --cut;
  }
  return cut;
}

std::vector<std::string> SplitLines(const std::string& bytes, bool utf8) {
  std::vector<std::string> lines;
  std::size_t start = 0, i = 0, n = bytes.size();
  auto push = [&](std::size_t end) {
    std::string line = bytes.substr(start, end - start);
    line.resize(CutPoint(line, MaxTextLineBytes, utf8));
    lines.push_back(std::move(line));
  };
  while (i < n) {
    char c = bytes[i];
    if (c == '\r' || c == '\n') {
      push(i);
      i += (c == '\r' && i + 1 < n && bytes[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < n) push(n);
  return lines;
}

}  // namespace

std::vector<std::string> SplitTextLines(const std::string& bytes) {
  return SplitLines(bytes, true);
}

std::vector<std::string> ReadTextFileLines(const std::string& path) {
  std::string bytes = ReadFileBytes(path);
  // Editors on Windows start UTF-8 files with a byte order mark; it is no
  // part of the first line.
  constexpr std::string_view Bom = "\xEF\xBB\xBF";
  if (std::string_view(bytes).substr(0, Bom.size()) == Bom) bytes.erase(0, Bom.size());
  if (IsValidUtf8(bytes)) return SplitLines(bytes, true);
  // A file written on Windows: cut its lines as code page 932, then decode.
  std::vector<std::string> lines = SplitLines(bytes, false);
  for (auto& line : lines) line = Cp932ToUtf8(line);
  return lines;
}

}  // namespace tarnick
