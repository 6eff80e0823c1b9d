#include "platform/Volumes.h"

#include <sys/stat.h>
#ifdef __linux__
#include <mntent.h>
#endif

#include <QStorageInfo>
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string_view>

namespace tarnick {

namespace {

IVolumeSource* g_override = nullptr;

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool StartsWithFolder(const std::string& path, std::string_view folder) {
  return path.compare(0, folder.size(), folder) == 0 &&
         (path.size() == folder.size() || path[folder.size()] == '/');
}

}  // namespace

bool IsPseudoFileSystem(const std::string& type, const std::string& rootPath) {
  // RAM disks (tmpfs, ramfs) are volumes: the Memory Stick search tests
  // RAM disks as well.
  static constexpr std::string_view kPseudo[] = {
      "proc",      "sysfs",       "devtmpfs",       "devpts",     "cgroup",
      "cgroup2",   "securityfs",  "debugfs",        "tracefs",    "pstore",
      "bpf",       "configfs",    "fusectl",        "mqueue",     "hugetlbfs",
      "autofs",    "binfmt_misc", "efivarfs",       "rpc_pipefs", "nsfs",
      "selinuxfs", "fuse.portal", "fuse.gvfsd-fuse"};
  if (std::find(std::begin(kPseudo), std::end(kPseudo), type) != std::end(kPseudo)) return true;
  // Kernel interfaces, whatever type they report.
  return StartsWithFolder(rootPath, "/proc") || StartsWithFolder(rootPath, "/sys") ||
         StartsWithFolder(rootPath, "/dev");
}

namespace {

struct Mount {
  std::string Root;
  std::string Type;
};

// The mount table in mount order. Read from the kernel's own table where
// there is one: Qt's list leaves RAM disks such as ramfs out.
std::vector<Mount> MountTable() {
  std::vector<Mount> mounts;
#ifdef __linux__
  if (std::FILE* table = ::setmntent("/proc/self/mounts", "r")) {
    while (const mntent* m = ::getmntent(table)) mounts.push_back({m->mnt_dir, m->mnt_type});
    ::endmntent(table);
    return mounts;
  }
#endif
  for (const QStorageInfo& info : QStorageInfo::mountedVolumes()) {
    if (!info.isValid()) continue;
    mounts.push_back({info.rootPath().toStdString(), info.fileSystemType().toStdString()});
  }
  return mounts;
}

}  // namespace

std::vector<std::string> SystemVolumeSource::VolumeRoots() {
  std::vector<std::string> roots;
  for (const Mount& mount : MountTable()) {
    const std::string& root = mount.Root;
    if (IsPseudoFileSystem(mount.Type, root)) continue;
    // Bind mounts of single files (containers mount /etc/hosts so) are no volumes.
    if (!IsFolder(root)) continue;
    if (std::find(roots.begin(), roots.end(), root) != roots.end()) continue;
    roots.push_back(root);
  }
  return roots;
}

IVolumeSource& CurrentVolumeSource() {
  static SystemVolumeSource system;
  return g_override ? *g_override : system;
}

ScopedVolumeSource::ScopedVolumeSource(std::unique_ptr<IVolumeSource> source)
    : source_(std::move(source)), previous_(g_override) {
  g_override = source_.get();
}

ScopedVolumeSource::~ScopedVolumeSource() {
  g_override = previous_;
}

std::string VolumePath(const std::string& root, const std::string& name) {
  if (!root.empty() && root.back() == '/') return root + name;
  return root + "/" + name;
}

bool HoldsPspTree(const std::string& root) {
  if (root.empty()) return false;
  return IsFolder(VolumePath(VolumePath(root, "PSP"), "GAME"));
}

std::optional<std::string> FindPspVideoFolder(const std::vector<std::string>& roots) {
  std::optional<std::string> found;
  for (const std::string& root : roots) {
    try {
      if (HoldsPspTree(root)) found = VolumePath(root, "VIDEO");
    } catch (...) {
      // A volume that cannot be tested does not qualify; the others still are.
    }
  }
  return found;
}

}  // namespace tarnick
