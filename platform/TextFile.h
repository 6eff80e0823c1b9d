#pragma once

#include <string>
#include <vector>

namespace tarnick {

inline constexpr std::size_t MaxTextLineBytes = 4096;
// The largest text file read (profile.txt); anything beyond is no text file.
inline constexpr std::size_t MaxTextFileBytes = 16u << 20;

// What reading a file gave.
enum class FileReadResult { Read, Missing, Refused };

// Reads a whole regular file of at most `limit` bytes into `bytes`. Opened
// without blocking and checked with fstat, so a named pipe, a device (a link
// to /dev/zero) or a folder is refused without waiting or growing; so is a
// file longer than `limit`. Missing: no entry (or a dangling link).
FileReadResult ReadRegularFile(const std::string& path, std::size_t limit, std::string& bytes);

// Reads a whole file as bytes (at most MaxTextFileBytes). Raises EFileError
// with "ファイル %s は開けません" when it cannot be opened or read, or is no
// regular file of that size.
std::string ReadFileBytes(const std::string& path);

// Splits text into lines: CR LF, a lone CR and a lone LF each end a line; a
// break at the very end adds no empty line; a line is cut to its first
// 4096 bytes.
std::vector<std::string> SplitTextLines(const std::string& bytes);

// The lines of a text file as UTF-8 (a file that is not UTF-8 is read as
// code page 932); a UTF-8 byte order mark at its start is dropped. Raises
// EFileError as ReadFileBytes.
std::vector<std::string> ReadTextFileLines(const std::string& path);

}  // namespace tarnick
