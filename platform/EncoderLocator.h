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

// The first executable file `name` in a folder of PATH, by bytes (a folder
// name need not be UTF-8); empty when there is none.
std::string FindOnPath(const std::string& name);

}  // namespace tarnick
