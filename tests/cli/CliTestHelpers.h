#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliApp.h"

namespace tarnick::test {

// A scratch folder removed with the object.
class ScratchDir {
 public:
  ScratchDir() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("tarnick-cli-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::string Path(const std::string& name = "") const {
    return name.empty() ? path_.string() : (path_ / name).string();
  }
  std::string Write(const std::string& name, const std::string& text) const {
    std::filesystem::path p = path_ / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }

 private:
  std::filesystem::path path_;
};

inline const char* TestPresets =
    "\"First One\",mp4,320x240,LIBX264,30fps,384kbps,AAC,44100Hz,96kbps\n"
    "Second,mp4,480x272,LIBX264,30fps,768kbps,AAC,48000Hz,128kbps\n"
    "Third,mp4,368x208,MPEG4,24fps,256kbps,AAC,41000Hz,64kbps\n"
    "Fourth,mp4,160x120,XVID,12fps,128kbps,AAC,24000Hz,32kbps\n";

// The program run in-process with a program folder of its own.
struct CliRun {
  int Code = -1;
  std::string Out;
  std::string Err;
};

inline CliRun RunIn(const std::string& programFolder, const std::vector<std::string>& args) {
  std::ostringstream out, err;
  CliEnvironment env{PortablePlaces(programFolder), out, err, false};
  CliRun r;
  r.Code = RunCli(args, env);
  r.Out = out.str();
  r.Err = err.str();
  return r;
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace tarnick::test
