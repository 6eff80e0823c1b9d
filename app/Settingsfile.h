#pragma once

#include <memory>
#include <string>

#include "engine/SettingsStore.h"
#include "platform/ProfileFile.h"

namespace tarnick {

// The settings store's file, served by the profile file: read when opened,
// written to the disk when released after a write.
class TProfileSettingsFile : public ISettingsFile {
 public:
  explicit TProfileSettingsFile(std::string path);

  std::string Path() const override;
  std::optional<std::string> ReadText(std::string_view section,
                                      std::string_view key) const override;
  bool WriteText(std::string_view section, std::string_view key,
                 std::string_view value) override;
  bool Release() override;

  // An opener for the store: one fresh file per load or save.
  static SettingsFileOpener OpenerFor(std::string path);

 private:
  ProfileFile FFile;
};

}  // namespace tarnick
