#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarnick {

// The order of the source list, shared by the window and the command-line
// program: alphabetical with letter case ignored, character by character
// (UTF-8 decoded; "é" and "É" are one letter, so are "Ä" and "ä", "Ж" and
// "ж", "Ａ" and "ａ"). A byte that is no part of valid UTF-8 is a character
// of its own that sorts after every letter. Paths equal in this order keep
// the order in which they came.
//
// Negative, zero or positive as `a` sorts before, with or after `b`.
int CompareSourcePaths(std::string_view a, std::string_view b);

// Where a new path goes in a list already in this order: after every path
// that sorts with it, as a sorted list box adds its items.
std::size_t SourceInsertPosition(const std::vector<std::string>& sorted, std::string_view path);

// Puts a list in this order, keeping the arrival order of equal paths.
void SortSourcePaths(std::vector<std::string>& paths);

}  // namespace tarnick
