#include "platform/EncoderLocator.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "engine/CommandLine.h"
#include "engine/PathStyle.h"
#include "platform/EncoderAdapter.h"

namespace tarnick {
namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string_view rest = path ? path : "";
  while (true) {
    const std::size_t colon = rest.find(':');
    const std::string folder(rest.substr(0, colon));
    // An empty entry (the working folder to a shell) is passed over: no
    // encoder is taken from wherever the user happens to be.
    const std::string candidate = folder + "/" + name;
    if (!folder.empty() && IsExecutableFile(candidate)) return AbsoluteForEncoder(candidate);
    if (colon == std::string_view::npos) return std::string();
    rest.remove_prefix(colon + 1);
  }
}

EncoderLocation LocateEncoder(const std::string& programFolder) {
  const std::string name(EncoderProgramName(NativePathStyle));
  EncoderLocation loc;
  const std::string beside = JoinPath(NativePathStyle, programFolder, name);
  loc.SearchText = programFolder.empty() ? std::string("PATH") : beside + ", PATH";
  if (!programFolder.empty() && IsExecutableFile(beside)) {
    loc.Path = beside;
    return loc;
  }
  loc.Path = FindOnPath(name);
  return loc;
}

}  // namespace tarnick
