#include "platform/EncoderLog.h"

#include <QFile>

#include <algorithm>

namespace tarnick {
namespace {

constexpr std::string_view WriteErrors[] = {
    "No space left on device", "Disk quota exceeded",
    "File too large",          "Error writing trailer",
    "Error closing file",      "Input/output error",
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

std::string ReadLogTail(const std::string& path, std::uint64_t offset, std::size_t maxBytes) {
  QFile f(QFile::decodeName(path.c_str()));
  if (!f.open(QIODevice::ReadOnly)) return std::string();
  const std::uint64_t size = static_cast<std::uint64_t>(std::max<qint64>(f.size(), 0));
  if (size < offset) offset = 0;  // the log was cut
  offset = std::max<std::uint64_t>(offset, size > maxBytes ? size - maxBytes : 0);
  if (!f.seek(static_cast<qint64>(offset))) return std::string();
  return f.read(static_cast<qint64>(maxBytes)).toStdString();
}

EncoderLogWriter::EncoderLogWriter(const std::string& path)
    : file_(std::make_unique<QFile>(QFile::decodeName(path.c_str()))) {
  if (!file_->open(QIODevice::WriteOnly | QIODevice::Append)) file_.reset();
}

EncoderLogWriter::~EncoderLogWriter() {
  Finish();
}

void EncoderLogWriter::Add(std::string_view bytes) {
  if (!file_) return;
  const std::size_t head = std::min(headLeft_, bytes.size());
  if (head > 0) {
    file_->write(bytes.data(), static_cast<qint64>(head));
    // Readers follow the log while the run goes on (the source's length is
    // read from the head), so the head reaches the file at once.
    file_->flush();
    headLeft_ -= head;
    bytes.remove_prefix(head);
  }
  if (bytes.size() >= TailBytes) {
    // Only the newest TailBytes of this piece can survive.
    leftOut_ += tail_.size() + bytes.size() - TailBytes;
    tail_.assign(bytes.substr(bytes.size() - TailBytes));
    tailStart_ = 0;
    return;
  }
  while (!bytes.empty()) {
    if (tail_.size() < TailBytes) {
      const std::size_t n = std::min(bytes.size(), TailBytes - tail_.size());
      tail_.append(bytes.substr(0, n));
      bytes.remove_prefix(n);
      continue;
    }
    // Full: the newest bytes take the place of the oldest.
    const std::size_t n = std::min(bytes.size(), TailBytes - tailStart_);
    tail_.replace(tailStart_, n, bytes.substr(0, n));
    leftOut_ += n;
    tailStart_ = (tailStart_ + n) % TailBytes;
    bytes.remove_prefix(n);
  }
}

void EncoderLogWriter::Finish() {
  if (!file_) return;
  if (leftOut_ > 0) {
    const std::string note =
        "\n[... " + std::to_string(leftOut_) + " bytes of messages left out ...]\n";
    file_->write(note.data(), static_cast<qint64>(note.size()));
  }
  file_->write(tail_.data() + tailStart_, static_cast<qint64>(tail_.size() - tailStart_));
  file_->write(tail_.data(), static_cast<qint64>(tailStart_));
  file_.reset();
  tail_.clear();
  tailStart_ = 0;
  leftOut_ = 0;
}

}  // namespace tarnick
