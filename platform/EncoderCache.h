#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/EncoderAdapter.h"

namespace tarnick {

// What identifies an installed encoder for its list: the path, and the
// modification time and size of the file it names (a new ffmpeg at the
// same place is asked again), separated by tabs. Nothing when the file
// cannot be read.
std::optional<std::string> EncoderStamp(const std::string& encoderPath);

// The encoder list kept between program runs in `cacheFile`, one per
// encoder stamp: `ask` runs only when the stamp is new (or the file is
// unreadable), and its answer is stored when it is not empty.
EncoderList CachedEncoderList(const std::string& encoderPath, const std::string& cacheFile,
                              const std::function<EncoderList()>& ask);

// The cache file in the user's private cache folder.
std::string DefaultEncoderCacheFile();

}  // namespace tarnick
