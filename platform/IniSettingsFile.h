#pragma once

#include <memory>
#include <string>

#include "engine/SettingsStore.h"
#include "platform/IniFile.h"

namespace tarnick {

// The settings store's file on the profile file, for the window and the
// command-line program alike: read when opened, every value given whole
// (a stored output folder of any length comes back as it was written),
// written to the disk when released after a write. Opened read-only, it
// refuses every write and never touches the disk.
class TIniSettingsFile : public ISettingsFile {
 public:
  enum class Access { ReadWrite, ReadOnly };

  explicit TIniSettingsFile(std::string path, Access access = Access::ReadWrite);

  std::string Path() const override;
  std::optional<std::string> ReadText(std::string_view section,
                                      std::string_view key) const override;
  bool WriteText(std::string_view section, std::string_view key, std::string_view value) override;
  bool Release() override;

  // An opener for the store: one fresh file per load or save.
  static SettingsFileOpener OpenerFor(std::string path, Access access = Access::ReadWrite);

 private:
  IniFile FFile;
  Access FAccess;
};

}  // namespace tarnick
