#pragma once

#include <string>

namespace tarnick {

// Where the program keeps and finds its files. Chosen once at start-up and
// asked by both programs.
//
// Portable: the program folder holds profile.txt and may be written, so
// everything lives beside the executable. Installed: otherwise; the settings
// go to the user's configuration folder, the data comes from the installed
// data folder, scratch files go to the user's cache folder, and nothing is
// ever written beside the executable.
struct ProgramPlaces {
  bool Installed = false;
  std::string ProgramFolder;  // the executable's folder
  std::string SettingsFile;   // Tarnick.ini
  std::string ProfileFile;    // the profile.txt that is read
  std::string ReadmeFile;     // the user guide
  std::string EncoderFolder;  // looked in before PATH; empty: PATH only
  std::string OutputFolder;   // the output folder when none is stored
  std::string ScratchFolder;  // the preview thumbnail's folder
};

// What the installed places are made of; the process's own values come from
// its environment (`FromProcess`).
struct UserFolders {
  std::string Home;        // $HOME
  std::string ConfigHome;  // $XDG_CONFIG_HOME, else ~/.config
  std::string CacheHome;   // $XDG_CACHE_HOME, else ~/.cache
  static UserFolders FromProcess();
};

// Everything in `programFolder`, as the program has always done it.
ProgramPlaces PortablePlaces(const std::string& programFolder);

// The one rule. `dataFolder` is the installed data folder
// ($prefix/share/tarnick); empty means the one found from `programFolder`.
ProgramPlaces ChooseProgramPlaces(const std::string& programFolder, const UserFolders& user,
                                  const std::string& dataFolder = {});

// The installed data folder as seen from the program folder (../share/tarnick
// for bin/), so a moved prefix still finds its data.
std::string InstalledDataFolder(const std::string& programFolder);

// Makes the folders the installed places write into (the settings file's
// folder, the scratch folder). Nothing to do when portable. False when a
// folder could not be made.
bool MakeWritableFolders(const ProgramPlaces& places);

}  // namespace tarnick
