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
// entry skipped. The list is then sorted as the window's list box sorts.
IntakeResult TakePaths(const std::vector<std::string>& paths);

// Alphabetical without regard to ASCII letter case; equal paths all kept,
// in the order they came.
void SortSourceList(std::vector<std::string>& list);

}  // namespace tarnick
