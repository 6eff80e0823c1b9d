#pragma once

#include <string>

namespace tarnick {

struct EncoderLocation {
  std::string Path;        // empty when no encoder was found
  std::string SearchText;  // where it was looked for, for the user
};

// The program folder's executable "ffmpeg" first, else "ffmpeg" on PATH;
// an empty folder means PATH only.
EncoderLocation LocateEncoder(const std::string& programFolder);

}  // namespace tarnick
