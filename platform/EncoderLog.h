#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class QFile;

namespace tarnick {

// The first line of the encoder's messages that tells of a failed write
// ("No space left on device", "Error writing trailer", ...), without its
// line end; empty when there is none. ffmpeg may still end with 0 then.
std::string FindWriteError(std::string_view messages);

// The same for what the log file at `path` holds from byte `offset` on.
std::string FindWriteErrorInLog(const std::string& path, std::uint64_t offset);

// The tail of what the log file at `path` holds from byte `offset` on: at
// most `maxBytes`, read from the end, so a huge log costs little memory.
std::string ReadLogTail(const std::string& path, std::uint64_t offset,
                        std::size_t maxBytes = 1 << 20);

// Appends one run's messages to a log file, keeping its head and its last
// TailBytes: an encoder that writes without end leaves a log of bounded
// size. The tail is held back in memory and written by Finish (or at
// destruction), with a line that tells how much was left out between.
class EncoderLogWriter {
 public:
  static constexpr std::size_t HeadBytes = 64 << 10;
  static constexpr std::size_t TailBytes = 1 << 20;

  explicit EncoderLogWriter(const std::string& path);
  ~EncoderLogWriter();
  EncoderLogWriter(const EncoderLogWriter&) = delete;
  EncoderLogWriter& operator=(const EncoderLogWriter&) = delete;

  void Add(std::string_view bytes);
  void Finish();

 private:
  std::unique_ptr<QFile> file_;
  std::size_t headLeft_ = HeadBytes;
  std::string tail_;           // a ring of TailBytes once full
  std::size_t tailStart_ = 0;  // where the oldest byte of the full ring is
  std::uint64_t leftOut_ = 0;
};

}  // namespace tarnick
