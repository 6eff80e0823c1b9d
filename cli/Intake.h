#pragma once

#include <string>
#include <vector>

namespace tarnick {

struct IntakeResult {
  std::vector<std::string> Sources;  // the source list, sorted
  std::vector<std::string> Missing;  // paths that named no entry, in the order given
};

// Takes every path as a drop or a window argument is taken: a file as
// written, a folder expanded through the recursive search, a path naming no
// entry skipped. The list is then sorted by the window's own order
// (SortSourcePaths).
IntakeResult TakePaths(const std::vector<std::string>& paths);

}  // namespace tarnick
