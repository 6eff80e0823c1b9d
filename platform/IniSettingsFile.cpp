#include "platform/IniSettingsFile.h"

#include "engine/Exception.h"

namespace tarnick {

TIniSettingsFile::TIniSettingsFile(std::string path, Access access)
    : FFile(IniFile::Open(std::move(path))), FAccess(access) {}

std::string TIniSettingsFile::Path() const {
  return FFile.Path();
}

std::optional<std::string> TIniSettingsFile::ReadText(std::string_view section,
                                                      std::string_view key) const {
  return FFile.ReadText(section, key);
}

bool TIniSettingsFile::WriteText(std::string_view section, std::string_view key,
                                 std::string_view value) {
  if (FAccess == Access::ReadOnly) return false;
  try {
    FFile.WriteText(section, key, value);
    return true;
  } catch (const EFileError&) {
    return false;
  }
}

bool TIniSettingsFile::Release() {
  // A load writes nothing and must not touch the file.
  if (!FFile.Modified()) return true;
  try {
    FFile.Save();
    return true;
  } catch (const EFileError&) {
    return false;
  }
}

SettingsFileOpener TIniSettingsFile::OpenerFor(std::string path, Access access) {
  return
      [path = std::move(path), access] { return std::make_unique<TIniSettingsFile>(path, access); };
}

}  // namespace tarnick
