#include "platform/Volumes.h"

#include <sys/stat.h>

#include <QStorageInfo>
#include <algorithm>
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
  static constexpr std::string_view kPseudo[] = {
      "proc",     "sysfs",     "devtmpfs",   "devpts",      "tmpfs",       "ramfs",
      "cgroup",   "cgroup2",   "securityfs", "debugfs",     "tracefs",     "pstore",
      "bpf",      "configfs",  "fusectl",    "mqueue",      "hugetlbfs",   "autofs",
      "binfmt_misc", "efivarfs", "rpc_pipefs", "nsfs",      "selinuxfs",   "fuse.portal",
      "fuse.gvfsd-fuse"};
  if (std::find(std::begin(kPseudo), std::end(kPseudo), type) != std::end(kPseudo)) return true;
  // Kernel interfaces, whatever type they report.
  return StartsWithFolder(rootPath, "/proc") || StartsWithFolder(rootPath, "/sys") ||
         StartsWithFolder(rootPath, "/dev");
}

std::vector<std::string> SystemVolumeSource::VolumeRoots() {
  std::vector<std::string> roots;
  for (const QStorageInfo& info : QStorageInfo::mountedVolumes()) {
    if (!info.isValid()) continue;
    const std::string root = info.rootPath().toStdString();
    const std::string type = info.fileSystemType().toStdString();
    if (IsPseudoFileSystem(type, root)) continue;
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

ScopedVolumeSource::~ScopedVolumeSource() { g_override = previous_; }

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
