#include "engine/Exception.h"

namespace tarnick {

std::string FormatMessage(const std::string& pattern, const std::string& arg) {
  std::string out = pattern;
  auto at = out.find("%s");
  if (at != std::string::npos) out.replace(at, 2, arg);
  return out;
}

}  // namespace tarnick
