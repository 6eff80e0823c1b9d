#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnick {

// The first line of the encoder's messages that tells of a failed write
// ("No space left on device", "Error writing trailer", ...), without its
// line end; empty when there is none. ffmpeg may still end with 0 then.
std::string FindWriteError(std::string_view messages);

// The same for what the log file at `path` holds from byte `offset` on.
std::string FindWriteErrorInLog(const std::string& path, std::uint64_t offset);

}  // namespace tarnick
