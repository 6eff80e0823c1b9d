#include "platform/ProgramPlaces.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>
#include <cstdlib>

#include "engine/PathStyle.h"
#include "engine/SettingsStore.h"

#ifndef TARNICK_DATA_FROM_BIN
#define TARNICK_DATA_FROM_BIN "../share/tarnick"
#endif

namespace tarnick {

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

// XDG says a relative value is to be ignored.
std::string XdgFolder(const char* name, const std::string& home, const char* fallback) {
  const std::string v = Env(name);
  if (!v.empty() && v.front() == '/') return v;
  return home + "/" + fallback;
}

bool IsFile(const std::string& path) {
  return QFileInfo(QString::fromStdString(path)).isFile();
}

// profile.txt beside the program, built the way the window has always built
// it (a root folder keeps its one separator).
std::string BesideProgram(const std::string& folder, const char* name) {
  std::string path = folder;
  if (!EndsWithSeparator(NativePathStyle, path)) path += PathSeparator(NativePathStyle);
  return path + name;
}

}  // namespace

UserFolders UserFolders::FromProcess() {
  UserFolders u;
  u.Home = Env("HOME");
  if (u.Home.empty()) u.Home = QDir::homePath().toStdString();
  u.ConfigHome = XdgFolder("XDG_CONFIG_HOME", u.Home, ".config");
  u.CacheHome = XdgFolder("XDG_CACHE_HOME", u.Home, ".cache");
  return u;
}

ProgramPlaces PortablePlaces(const std::string& programFolder) {
  ProgramPlaces p;
  p.ProgramFolder = programFolder;
  p.SettingsFile = SettingsFilePath(NativePathStyle, programFolder);
  p.ProfileFile = BesideProgram(programFolder, "profile.txt");
  p.ReadmeFile = programFolder + "/Readme.txt";
  p.EncoderFolder = programFolder;
  p.OutputFolder = programFolder;
  p.ScratchFolder = programFolder;
  return p;
}

std::string InstalledDataFolder(const std::string& programFolder) {
  return QDir::cleanPath(QString::fromStdString(programFolder + "/" + TARNICK_DATA_FROM_BIN))
      .toStdString();
}

ProgramPlaces ChooseProgramPlaces(const std::string& programFolder, const UserFolders& user,
                                  const std::string& dataFolder) {
  if (IsFile(BesideProgram(programFolder, "profile.txt")) &&
      ::access(programFolder.c_str(), W_OK) == 0)
    return PortablePlaces(programFolder);

  const std::string data = dataFolder.empty() ? InstalledDataFolder(programFolder) : dataFolder;
  const std::string config = user.ConfigHome + "/tarnick";
  ProgramPlaces p;
  p.Installed = true;
  p.ProgramFolder = programFolder;
  p.SettingsFile = config + "/" + std::string(SettingsFileName);
  p.ProfileFile = IsFile(config + "/profile.txt") ? config + "/profile.txt" : data + "/profile.txt";
  p.ReadmeFile = data + "/Readme.txt";
  p.OutputFolder = user.Home;
  p.ScratchFolder = user.CacheHome + "/tarnick";
  return p;
}

bool MakeWritableFolders(const ProgramPlaces& places) {
  if (!places.Installed) return true;
  const QString settingsFolder =
      QFileInfo(QString::fromStdString(places.SettingsFile)).absolutePath();
  return QDir().mkpath(settingsFolder) &&
         QDir().mkpath(QString::fromStdString(places.ScratchFolder));
}

}  // namespace tarnick
