#pragma once

#include <string>

#include "engine/FileIdentity.h"

namespace tarnick {

// The identity of what `path` names on this system: device and inode of an
// existing entry (followed through links), else its normalised absolute path
// with the folder resolved where the folder exists. Looks only (stat).
FileIdentity IdentifyFile(const std::string& path);

// The absolute form of `path` against the current folder, with ".", ".."
// and doubled separators taken out by the text alone.
std::string NormalisedAbsolutePath(const std::string& path);

class LocalFileIdentity : public IFileIdentity {
 public:
  FileIdentity Identify(const std::string& path) const override { return IdentifyFile(path); }
};

}  // namespace tarnick
