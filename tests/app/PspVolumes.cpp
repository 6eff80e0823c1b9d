#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Volumes.h"

namespace tarnick {
namespace {

// A folder that stands for a mounted volume, with the parts of a PSP tree
// asked for.
std::string MakeVolume(const QTemporaryDir& base, const QString& name, bool psp, bool game,
                       bool gameIsFile = false) {
  const QString root = base.path() + "/" + name;
  QDir().mkpath(root);
  if (psp) QDir().mkpath(root + "/PSP");
  if (game && !gameIsFile) QDir().mkpath(root + "/PSP/GAME");
  if (game && gameIsFile) {
    QFile f(root + "/PSP/GAME");
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  }
  return root.toStdString();
}

TEST(PspVolumes, LastQualifyingVolumeInListOrderWins) {
  QTemporaryDir base;
  ASSERT_TRUE(base.isValid());
  const std::string f = MakeVolume(base, "F", true, true);
  const std::string g = MakeVolume(base, "G", false, false);
  const std::string h = MakeVolume(base, "H", true, true);
  const std::string pspOnly = MakeVolume(base, "pspOnly", true, false);
  const std::string gameFile = MakeVolume(base, "gameFile", true, true, true);
  const std::string missing = base.path().toStdString() + "/not-mounted";

  struct Case {
    std::vector<std::string> roots;
    std::optional<std::string> video;
  };
  const Case cases[] = {
      {{f, g, h}, h + "/VIDEO"},
      {{h, g, f}, f + "/VIDEO"},
      // A later volume that does not qualify does not undo an earlier match.
      {{f, pspOnly, gameFile, missing}, f + "/VIDEO"},
      {{missing, h}, h + "/VIDEO"},
      {{pspOnly}, std::nullopt},
      {{gameFile}, std::nullopt},
      {{g, missing, ""}, std::nullopt},
      {{}, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindPspVideoFolder(c.roots), c.video) << (c.roots.empty() ? "" : c.roots.front());
  }
}

TEST(PspVolumes, VideoFolderSitsRightBelowTheRoot) {
  EXPECT_EQ(VolumePath("/", "VIDEO"), "/VIDEO");
  EXPECT_EQ(VolumePath("/media/ms", "VIDEO"), "/media/ms/VIDEO");
  EXPECT_EQ(VolumePath("/media/ms/", "PSP"), "/media/ms/PSP");
}

TEST(PspVolumes, PseudoFileSystemsAreNoVolumes) {
  struct Case {
    const char* type;
    const char* root;
    bool pseudo;
  };
  const Case cases[] = {
      {"proc", "/proc", true},
      {"sysfs", "/sys", true},
      {"cgroup2", "/sys/fs/cgroup", true},
      {"tmpfs", "/run", false},
      {"tmpfs", "/media/ram", false},
      {"ramfs", "/mnt/ram", false},
      {"tmpfs", "/dev/shm", true},
      {"tmpfs", "/sys/fs/cgroup", true},
      {"devpts", "/dev/pts", true},
      {"ext4", "/devices", false},
      {"ext4", "/", false},
      {"vfat", "/media/user/PSP", false},
      {"vfat", "/run/media/user/MS", false},
      {"exfat", "/mnt/card", false},
      {"ext4", "/sysroot", false},
      {"fuseblk", "/media/ntfs", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsPseudoFileSystem(c.type, c.root), c.pseudo) << c.type << " " << c.root;
  }
}

TEST(PspVolumes, SystemListHoldsFoldersOnlyEachOnce) {
  std::vector<std::string> roots = SystemVolumeSource().VolumeRoots();
  ASSERT_FALSE(roots.empty());  // at least the root file system
  for (const std::string& r : roots) {
    EXPECT_TRUE(QDir(QString::fromStdString(r)).exists()) << r;
    EXPECT_NE(r.rfind("/proc", 0), 0u) << r;
    EXPECT_NE(r.rfind("/sys", 0), 0u) << r;
  }
  std::vector<std::string> sorted = roots;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
}

// In a child with a mount namespace of its own, mounts a RAM disk of the
// given type holding PSP/GAME and looks for the Memory Stick among the
// system's volumes. 0: found; 77: no mount possible here; else not found.
int FindOnMountedRamDisk(const std::string& type, const std::string& folder) {
  pid_t pid = fork();
  if (pid < 0) return 77;
  if (pid == 0) {
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("none", folder.c_str(), type.c_str(), 0, nullptr) != 0)
      _exit(77);
    if (mkdir((folder + "/PSP").c_str(), 0755) != 0 ||
        mkdir((folder + "/PSP/GAME").c_str(), 0755) != 0)
      _exit(2);
    auto found = FindPspVideoFolder(SystemVolumeSource().VolumeRoots());
    _exit(found == folder + "/VIDEO" ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 3;
}

TEST(PspVolumes, RamDisksAreTestedForTheMemoryStick) {
  for (const char* type : {"tmpfs", "ramfs"}) {
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    int result = FindOnMountedRamDisk(type, base.path().toStdString());
    if (result == 77) GTEST_SKIP() << "no private mount of " << type << " possible here";
    EXPECT_EQ(result, 0) << type;
  }
}

TEST(PspVolumes, ScopedSourceReplacesAndRestores) {
  IVolumeSource* system = &CurrentVolumeSource();
  {
    ScopedVolumeSource outer(std::make_unique<FolderVolumeSource>(std::vector<std::string>{"/a"}));
    EXPECT_EQ(CurrentVolumeSource().VolumeRoots(), std::vector<std::string>{"/a"});
    {
      ScopedVolumeSource inner(
          std::make_unique<FolderVolumeSource>(std::vector<std::string>{"/b", "/c"}));
      EXPECT_EQ(CurrentVolumeSource().VolumeRoots(), (std::vector<std::string>{"/b", "/c"}));
    }
    EXPECT_EQ(CurrentVolumeSource().VolumeRoots(), std::vector<std::string>{"/a"});
  }
  EXPECT_EQ(&CurrentVolumeSource(), system);
}

}  // namespace
}  // namespace tarnick
