#include "platform/EncoderLocator.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QStandardPaths>
#include <QString>

#include "engine/CommandLine.h"
#include "engine/PathStyle.h"

namespace tarnick {
namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

EncoderLocation LocateEncoder(const std::string& programFolder) {
  const std::string name(EncoderProgramName(NativePathStyle));
  EncoderLocation loc;
  const std::string beside = JoinPath(NativePathStyle, programFolder, name);
  loc.SearchText = programFolder.empty() ? std::string("PATH") : beside + ", PATH";
  if (!programFolder.empty() && IsExecutableFile(beside)) {
    loc.Path = beside;
    return loc;
  }
  loc.Path = QStandardPaths::findExecutable(QString::fromStdString(name)).toStdString();
  return loc;
}

}  // namespace tarnick
