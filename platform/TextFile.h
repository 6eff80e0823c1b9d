#pragma once

#include <string>
#include <vector>

namespace tarnick {

inline constexpr std::size_t MaxTextLineBytes = 4096;

// Reads a whole file as bytes. Raises EFileError with
// "ファイル %s は開けません" when it cannot be opened or read.
std::string ReadFileBytes(const std::string& path);

// Splits text into lines: CR LF, a lone CR and a lone LF each end a line; a
// break at the very end adds no empty line; a line is cut to its first
// 4096 bytes.
std::vector<std::string> SplitTextLines(const std::string& bytes);

// The lines of a text file as UTF-8 (a file that is not UTF-8 is read as
// code page 932). Raises EFileError as ReadFileBytes.
std::vector<std::string> ReadTextFileLines(const std::string& path);

}  // namespace tarnick
