#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/ProgramPlaces.h"

namespace tarnick {
namespace {

namespace fs = std::filesystem;

// A prefix with bin/ and share/tarnick/, and a home of its own.
class ProgramPlacesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    root_ = tmp_.path().toStdString();
    bin_ = root_ + "/prefix/bin";
    data_ = root_ + "/prefix/share/tarnick";
    fs::create_directories(bin_);
    fs::create_directories(data_);
    Write(data_ + "/profile.txt");
    user_.Home = root_ + "/home";
    user_.ConfigHome = root_ + "/home/.config";
    user_.CacheHome = root_ + "/home/.cache";
  }
  static void Write(const std::string& path) {
    std::ofstream(path) << "A,mp4,320x240,LIBX264,30fps,384kbps,AAC,44100Hz,96kbps\n";
  }

  QTemporaryDir tmp_;
  std::string root_, bin_, data_;
  UserFolders user_;
};

TEST_F(ProgramPlacesTest, AWritableFolderWithProfileKeepsEverythingBesideTheProgram) {
  Write(bin_ + "/profile.txt");
  const ProgramPlaces p = ChooseProgramPlaces(bin_, user_);
  EXPECT_FALSE(p.Installed);
  EXPECT_EQ(p.ProgramFolder, bin_);
  EXPECT_EQ(p.SettingsFile, bin_ + "/Tarnick.ini");
  EXPECT_EQ(p.ProfileFile, bin_ + "/profile.txt");
  EXPECT_EQ(p.ReadmeFile, bin_ + "/Readme.txt");
  EXPECT_EQ(p.EncoderFolder, bin_);
  EXPECT_EQ(p.OutputFolder, bin_);
  EXPECT_EQ(p.ScratchFolder, bin_);
  // Portable makes no folders anywhere.
  EXPECT_TRUE(MakeWritableFolders(p));
  EXPECT_FALSE(fs::exists(user_.Home));
}

TEST_F(ProgramPlacesTest, NoProfileBesideTheProgramIsInstalled) {
  const ProgramPlaces p = ChooseProgramPlaces(bin_, user_);
  EXPECT_TRUE(p.Installed);
  EXPECT_EQ(p.SettingsFile, user_.ConfigHome + "/tarnick/Tarnick.ini");
  EXPECT_EQ(p.ProfileFile, data_ + "/profile.txt");
  EXPECT_EQ(p.ReadmeFile, data_ + "/Readme.txt");
  EXPECT_EQ(p.EncoderFolder, "");
  EXPECT_EQ(p.OutputFolder, user_.Home);
  EXPECT_EQ(p.ScratchFolder, user_.CacheHome + "/tarnick");

  EXPECT_TRUE(MakeWritableFolders(p));
  EXPECT_TRUE(fs::is_directory(user_.ConfigHome + "/tarnick"));
  EXPECT_TRUE(fs::is_directory(user_.CacheHome + "/tarnick"));
}

TEST_F(ProgramPlacesTest, TheUsersOwnProfileWinsOverTheInstalledOne) {
  fs::create_directories(user_.ConfigHome + "/tarnick");
  Write(user_.ConfigHome + "/tarnick/profile.txt");
  EXPECT_EQ(ChooseProgramPlaces(bin_, user_).ProfileFile,
            user_.ConfigHome + "/tarnick/profile.txt");
  // A folder by that name is no profile.
  fs::remove(user_.ConfigHome + "/tarnick/profile.txt");
  fs::create_directories(user_.ConfigHome + "/tarnick/profile.txt");
  EXPECT_EQ(ChooseProgramPlaces(bin_, user_).ProfileFile, data_ + "/profile.txt");
}

TEST_F(ProgramPlacesTest, AReadOnlyProgramFolderIsInstalledEvenWithAProfile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write into a read-only folder";
  Write(bin_ + "/profile.txt");
  fs::permissions(bin_, fs::perms::owner_read | fs::perms::owner_exec);
  const ProgramPlaces p = ChooseProgramPlaces(bin_, user_);
  fs::permissions(bin_, fs::perms::owner_all);
  EXPECT_TRUE(p.Installed);
  EXPECT_EQ(p.SettingsFile, user_.ConfigHome + "/tarnick/Tarnick.ini");
}

TEST_F(ProgramPlacesTest, TheDataFolderIsFoundFromTheProgramFolder) {
  EXPECT_EQ(InstalledDataFolder("/usr/bin"), "/usr/share/tarnick");
  EXPECT_EQ(InstalledDataFolder("/opt/moved/bin"), "/opt/moved/share/tarnick");
  EXPECT_EQ(InstalledDataFolder(bin_), data_);
}

TEST(UserFolders, FollowTheXdgVariablesAndIgnoreRelativeOnes) {
  const auto keep = [](const char* n) {
    const char* v = std::getenv(n);
    return v ? std::optional<std::string>(v) : std::nullopt;
  };
  const auto home = keep("HOME"), config = keep("XDG_CONFIG_HOME"), cache = keep("XDG_CACHE_HOME");
  ::setenv("HOME", "/h", 1);
  ::setenv("XDG_CONFIG_HOME", "/c", 1);
  ::setenv("XDG_CACHE_HOME", "relative", 1);
  const UserFolders u = UserFolders::FromProcess();
  EXPECT_EQ(u.Home, "/h");
  EXPECT_EQ(u.ConfigHome, "/c");
  EXPECT_EQ(u.CacheHome, "/h/.cache");
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(UserFolders::FromProcess().ConfigHome, "/h/.config");
  const auto restore = [](const char* n, const std::optional<std::string>& v) {
    if (v)
      ::setenv(n, v->c_str(), 1);
    else
      ::unsetenv(n);
  };
  restore("HOME", home);
  restore("XDG_CONFIG_HOME", config);
  restore("XDG_CACHE_HOME", cache);
}

}  // namespace
}  // namespace tarnick
