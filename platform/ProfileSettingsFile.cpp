#include "platform/ProfileSettingsFile.h"

#include "engine/Exception.h"

namespace tarnick {

TProfileSettingsFile::TProfileSettingsFile(std::string path, Access access)
    : FFile(ProfileFile::Open(std::move(path))), FAccess(access) {}

std::string TProfileSettingsFile::Path() const { return FFile.Path(); }

std::optional<std::string> TProfileSettingsFile::ReadText(std::string_view section,
                                                          std::string_view key) const {
  return FFile.ReadText(section, key);
}

bool TProfileSettingsFile::WriteText(std::string_view section, std::string_view key,
                                     std::string_view value) {
  if (FAccess == Access::ReadOnly) return false;
  try {
    FFile.WriteText(section, key, value);
    return true;
  } catch (const EFileError&) {
    return false;
  }
}

bool TProfileSettingsFile::Release() {
  // A load writes nothing and must not touch the file.
  if (!FFile.Modified()) return true;
  try {
    FFile.Save();
    return true;
  } catch (const EFileError&) {
    return false;
  }
}

SettingsFileOpener TProfileSettingsFile::OpenerFor(std::string path, Access access) {
  return [path = std::move(path), access] {
    return std::make_unique<TProfileSettingsFile>(path, access);
  };
}

}  // namespace tarnick
