#include "platform/EncoderLog.h"

#include <QFile>

namespace tarnick {
namespace {

constexpr std::string_view WriteErrors[] = {
    "No space left on device", "Disk quota exceeded",  "File too large",
    "Error writing trailer",   "Error closing file",   "Input/output error",
    "Read-only file system",   "Error submitting a packet to the muxer",
};

}  // namespace

std::string FindWriteError(std::string_view text) {
  std::size_t first = std::string_view::npos;
  for (std::string_view e : WriteErrors) first = std::min(first, text.find(e));
  if (first == std::string_view::npos) return std::string();
  // ffmpeg redraws its status line with "\r": a line ends at either.
  std::size_t begin = text.find_last_of("\r\n", first);
  begin = begin == std::string_view::npos ? 0 : begin + 1;
  std::size_t end = text.find_first_of("\r\n", first);
  return std::string(text.substr(begin, end == std::string_view::npos ? text.npos : end - begin));
}

std::string FindWriteErrorInLog(const std::string& path, std::uint64_t offset) {
  QFile f(QFile::decodeName(path.c_str()));
  if (!f.open(QIODevice::ReadOnly)) return std::string();
  if (static_cast<std::uint64_t>(f.size()) < offset) offset = 0;  // the log was cut
  if (!f.seek(static_cast<qint64>(offset))) return std::string();
  // In blocks, overlapping by one line's worth, so a long log costs little
  // memory and no message is cut in two.
  constexpr qint64 Block = 1 << 20, Overlap = 4096;
  std::string carry;
  while (!f.atEnd()) {
    std::string chunk = carry + f.read(Block).toStdString();
    if (std::string found = FindWriteError(chunk); !found.empty()) return found;
    carry = chunk.size() > Overlap ? chunk.substr(chunk.size() - Overlap) : chunk;
  }
  return std::string();
}

}  // namespace tarnick
