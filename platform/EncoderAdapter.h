#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tarnick {

// The encoders an installed ffmpeg lists for -encoders.
struct EncoderList {
  std::set<std::string> Names;
  bool Has(std::string_view name) const { return Names.count(std::string(name)) != 0; }
};

// Reads the output of "ffmpeg -hide_banner -encoders": the lines after the
// "------" rule, each "<flags> <name> <description>".
EncoderList ParseEncoderList(std::string_view text);

// Asks the encoder for its list once per program run and encoder path; an
// encoder that cannot be asked gives an empty list.
const EncoderList& ProbeEncoders(const std::string& encoderPath);

enum class RunKind { Conversion, Thumbnail };

// Sample rates the AAC encoders take.
int NearestAacRate(int hz);

// A relative path made absolute against the working folder, byte for byte
// (no normalising: a link and ".." mean what they meant).
std::string AbsoluteForEncoder(const std::string& path);

// Turns the argument list of one of the program's command lines into what
// today's ffmpeg understands. `passLogPrefix` is used for two-pass runs and
// must name a file prefix in a private folder.
std::vector<std::string> AdaptArguments(const std::vector<std::string>& args, RunKind kind,
                                        const EncoderList& encoders,
                                        const std::string& passLogPrefix);

}  // namespace tarnick
