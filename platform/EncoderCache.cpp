#include "platform/EncoderCache.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <vector>

namespace tarnick {

std::optional<std::string> EncoderStamp(const std::string& encoderPath) {
  struct stat st {};
  if (encoderPath.empty() || ::stat(encoderPath.c_str(), &st) != 0) return std::nullopt;
  return encoderPath + "\t" + std::to_string(static_cast<long long>(st.st_mtim.tv_sec)) + "." +
         std::to_string(st.st_mtim.tv_nsec) + "\t" +
         std::to_string(static_cast<long long>(st.st_size));
}

EncoderList CachedEncoderList(const std::string& encoderPath, const std::string& cacheFile,
                              const std::function<EncoderList()>& ask) {
  const std::optional<std::string> stamp = EncoderStamp(encoderPath);
  if (!stamp || cacheFile.empty()) return ask();
  // One line per encoder, the newest first: the stamp, a tab, the names
  // separated by blanks. A few encoders are remembered, not every one.
  constexpr int Kept = 8;
  std::vector<std::string> lines;
  QFile in(QString::fromStdString(cacheFile));
  if (in.open(QIODevice::ReadOnly)) {
    for (const QByteArray& raw : in.readAll().split('\n')) {
      const std::string line = raw.toStdString();
      if (line.size() > stamp->size() && line.compare(0, stamp->size(), *stamp) == 0 &&
          line[stamp->size()] == '\t') {
        EncoderList list;
        for (const QByteArray& name : raw.mid(static_cast<qsizetype>(stamp->size()) + 1).split(' '))
          if (!name.isEmpty()) list.Names.insert(name.toStdString());
        if (!list.Names.empty()) return list;
      }
      if (!line.empty() && static_cast<int>(lines.size()) < Kept - 1) lines.push_back(line);
    }
  }
  EncoderList list = ask();
  if (list.Names.empty()) return list;  // a failed question is asked again next time
  std::string text = *stamp + "\t";
  for (const std::string& name : list.Names) text += name + " ";
  text += "\n";
  for (const std::string& line : lines) text += line + "\n";
  QSaveFile out(QString::fromStdString(cacheFile));
  if (out.open(QIODevice::WriteOnly)) {
    out.write(text.data(), static_cast<qint64>(text.size()));
    out.commit();
  }
  return list;
}

std::string DefaultEncoderCacheFile() {
  const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
  if (base.isEmpty()) return std::string();
  QDir dir(base + "/tarnick");
  if (!dir.mkpath(".")) return std::string();
  QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return dir.filePath("encoders.txt").toStdString();
}

}  // namespace tarnick
