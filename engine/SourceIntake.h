#pragma once

#include <string>
#include <string_view>

#include "engine/PathStyle.h"

namespace tarnick {

enum class EntryKind { None, File, Folder };

// What taking a source path needs of the main window and the file system.
class ISourceIntakeHost {
 public:
  virtual ~ISourceIntakeHost() = default;

  // The path looked up as one directory entry.
  virtual EntryKind LookUpEntry(const std::string& path) = 0;
  // Every entry below the folder, at every depth, into the source list
  // (the recursive search with "*.*").
  virtual void SearchFolder(const std::string& folder) = 0;
  virtual void AddSource(const std::string& path) = 0;
  virtual int SourceCount() const = 0;
  // The list holds something: the drop panel goes, the start buttons come.
  virtual void ShowSourcesPresent() = 0;
};

// Takes one dropped or given path: a file as written, a folder expanded, a
// path naming no entry skipped silently. Windows: a path ending in "\" names
// no entry. Posix: a trailing "/" names the folder itself, and the root,
// like a drive root, has no entry of its own.
void TakeSourcePath(ISourceIntakeHost& host, PathStyle style, std::string_view path);

}  // namespace tarnick
