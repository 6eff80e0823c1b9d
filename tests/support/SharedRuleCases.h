#pragma once

// Cases that the window and the command-line program must answer alike;
// each program's tests run them against its own intake and settings load.

#include <string>
#include <vector>

namespace tarnick::test {

// File names in the order they are given, and the order of the source list.
inline const std::vector<std::string> SourceNamesGiven = {
    "é.avi", "É.avi", "Z.avi", "ä.avi", "b.avi", "Ж.avi", "ж.avi", "A.avi", "Ａ.avi"};
inline const std::vector<std::string> SourceNamesSorted = {
    "A.avi", "b.avi", "Z.avi", "ä.avi", "é.avi", "É.avi", "Ж.avi", "ж.avi", "Ａ.avi"};

// A stored output folder longer than the 2047 bytes of the Windows read
// buffer: 3005 bytes, ending in a character of three bytes.
inline std::string LongStoredFolder() {
  std::string folder = "/media/v/" + std::string(2993, 'd') + "ビ";
  return folder;
}

}  // namespace tarnick::test
