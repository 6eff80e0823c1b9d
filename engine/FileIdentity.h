#pragma once

#include <cstdint>
#include <string>

namespace tarnick {

// What a path names when it is looked at (never opened).
enum class FileKind { Missing, Regular, Folder, Other /* pipe, device, socket */ };

// Which file a path names. Two paths name the same file when both name an
// existing entry with the same device and inode (a link, "./", "..", a
// doubled separator or another letter case on a mount that ignores it), or
// when neither exists and their normalised absolute paths are equal.
struct FileIdentity {
  FileKind Kind = FileKind::Missing;
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  // The absolute path with ".", ".." and doubled separators taken out (its
  // folder resolved where that exists); for paths that do not exist.
  std::string Path;

  bool Exists() const { return Kind != FileKind::Missing; }
  // One text per file, for sets and maps.
  std::string Key() const {
    return Exists() ? "i" + std::to_string(Device) + ":" + std::to_string(Inode) : "p" + Path;
  }
  // The key of the name itself, whether or not it exists yet.
  std::string NameKey() const { return "p" + Path; }
  bool SameFileAs(const FileIdentity& other) const { return Key() == other.Key(); }
};

// The one place that decides "is this the same file".
class IFileIdentity {
 public:
  virtual ~IFileIdentity() = default;
  virtual FileIdentity Identify(const std::string& path) const = 0;
};

}  // namespace tarnick
