#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnick {

// One directory entry as the folder listing reports it.
struct DirectoryEntry {
  std::string Name;
  std::int64_t Size = 0;     // bytes; 0 for folders
  bool IsDirectory = false;  // a folder, or a symbolic link to one
  bool IsSymbolicLink = false;
  bool IsReadOnly = false;  // the owner may not write it
  bool IsHidden = false;    // the name starts with "."
  bool IsSystem = false;    // never set here
  bool IsArchive = false;   // a regular file
  // Which file it is (of the link's target for a link), so that a walk can
  // tell a folder it has been in already.
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  // Seconds since 1 Jan 1970 UTC; nullopt when the file system keeps none.
  std::optional<std::int64_t> CreationTime;
  std::optional<std::int64_t> LastWriteTime;
  std::optional<std::int64_t> LastAccessTime;
};

// True when `name` matches `pattern`. "*.*" (and "*") match every name, a
// name without a dot too; otherwise "*" stands for any run of characters and
// "?" for one character, and ASCII letters match without regard to case.
bool MatchesPattern(std::string_view name, std::string_view pattern);

// The entries of one folder whose names match `pattern`, sorted by name
// (byte order), "." and ".." included when they match. A folder that cannot
// be listed gives no entries. A symbolic link is described by what it
// points at (a dangling one as the link itself).
std::vector<DirectoryEntry> ListDirectory(const std::string& folder, std::string_view pattern);

// The entries of ListDirectory(folder, "*.*") that are folders (links to
// folders included), without "." and ".."; entries the folder itself marks
// as plain files are never looked up, which halves the cost of a walk.
std::vector<DirectoryEntry> ListSubfolders(const std::string& folder);

// Looks one path up as an entry of its folder. Nothing is found for a path
// ending in a separator or for the root, as such a path names no entry of
// its own.
std::optional<DirectoryEntry> LookupEntry(const std::string& path);

// True when something exists at `path` (a folder, a file, a link target).
bool PathExists(const std::string& path);

// `path` made absolute against the current folder, with "." and ".." parts
// and doubled separators taken out by text; a trailing separator is kept.
// The empty path stays empty.
std::string AbsolutePath(const std::string& path);

// A file time as the day-count date-time value (days since 30 Dec 1899, the
// fraction the time of day) through local time and the DOS date-time steps
// (two seconds, years 1980 to 2107); nullopt when a step fails.
std::optional<double> FileTimeToDateTime(std::int64_t unixSeconds);

// The DOS date-time step alone, from a broken-down local time: nullopt
// outside 1980..2107. Seconds are cut to an even number.
struct DosDateTime {
  std::uint16_t Date = 0;
  std::uint16_t Time = 0;
};
std::optional<DosDateTime> ToDosDateTime(int year, int month, int day, int hour, int minute,
                                         int second);
std::optional<double> DosDateTimeToDateTime(DosDateTime dos);

}  // namespace tarnick
