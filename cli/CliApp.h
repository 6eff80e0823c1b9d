#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "platform/ProgramPlaces.h"

namespace tarnick {

// Exit codes of tarnick-cli.
inline constexpr int ExitConverted = 0;
inline constexpr int ExitFailed = 1;
inline constexpr int ExitUsage = 2;
inline constexpr int ExitNoPsp = 3;
inline constexpr int ExitInterrupted = 130;

struct CliEnvironment {
  ProgramPlaces Places;  // where profile.txt, Tarnick.ini and the encoder are looked for
  std::ostream& Out;
  std::ostream& Err;
  bool OutIsTerminal = false;
  bool ErrIsTerminal = false;
};

// The whole program after start-up: the arguments after the program name in,
// the exit code out.
int RunCli(const std::vector<std::string>& args, const CliEnvironment& env);

// "position<TAB>name<TAB>column 1<TAB>...<TAB>column 8", one line per preset.
std::string PresetListText(const std::vector<std::string>& presetLines);

}  // namespace tarnick
