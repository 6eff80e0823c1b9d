#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarnick {

// The drives the program may write to: on Linux the mounted volumes, each
// named by its root path. Pseudo file systems (proc, sysfs, cgroups, ...)
// are never listed.
class IVolumeSource {
 public:
  virtual ~IVolumeSource() = default;
  // Root paths in mount order, read afresh at each call.
  virtual std::vector<std::string> VolumeRoots() = 0;
};

// The machine's mounted volumes.
class SystemVolumeSource : public IVolumeSource {
 public:
  std::vector<std::string> VolumeRoots() override;
};

// A fixed list of folders taken as volumes (tests, or a user who names
// volumes by hand).
class FolderVolumeSource : public IVolumeSource {
 public:
  explicit FolderVolumeSource(std::vector<std::string> roots) : roots_(std::move(roots)) {}
  std::vector<std::string> VolumeRoots() override { return roots_; }

 private:
  std::vector<std::string> roots_;
};

// The source the program uses; the system's unless one was set.
IVolumeSource& CurrentVolumeSource();

// Replaces the program's volume source for as long as the object lives.
class ScopedVolumeSource {
 public:
  explicit ScopedVolumeSource(std::unique_ptr<IVolumeSource> source);
  ~ScopedVolumeSource();
  ScopedVolumeSource(const ScopedVolumeSource&) = delete;
  ScopedVolumeSource& operator=(const ScopedVolumeSource&) = delete;

 private:
  std::unique_ptr<IVolumeSource> source_;
  IVolumeSource* previous_;
};

// True when a file system type holds no user files (proc, sysfs, cgroups,
// ...); RAM disks (tmpfs, ramfs) do.
bool IsPseudoFileSystem(const std::string& type, const std::string& rootPath);

// A path below a volume root: "/" and "PSP" give "/PSP", "/media/ms" gives
// "/media/ms/PSP".
std::string VolumePath(const std::string& root, const std::string& name);

// True when `root`/PSP/GAME is a folder: the mark of a PSP Memory Stick.
bool HoldsPspTree(const std::string& root);

// The VIDEO folder of the last volume, in list order, that holds the PSP
// folder tree; nothing when none does. Every volume is tested; one that
// cannot be read simply does not qualify.
std::optional<std::string> FindPspVideoFolder(const std::vector<std::string>& roots);

}  // namespace tarnick
