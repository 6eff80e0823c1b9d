#include "platform/EncoderAdapter.h"

#include <cstdlib>
#include <map>
#include <mutex>

#include <QProcess>
#include <QString>
#include <QStringList>

#include "platform/EncoderCache.h"

namespace tarnick {
namespace {

std::size_t IndexOf(const std::vector<std::string>& args, std::string_view option) {
  // An option's value sits right after it; the input path after "-i" and the
  // output path (the last word) are never taken for options.
  for (std::size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == "-i") {
      ++i;
      continue;
    }
    if (args[i] == option) return i;
  }
  return std::string::npos;
}

}  // namespace

EncoderList ParseEncoderList(std::string_view text) {
  EncoderList list;
  bool body = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    std::size_t a = line.find_first_not_of(" \t\r");
    if (a == std::string_view::npos) continue;
    std::size_t b = line.find_first_of(" \t\r", a);
    std::string_view first = line.substr(a, b == std::string_view::npos ? line.npos : b - a);
    if (!body) {
      body = first.find_first_not_of('-') == std::string_view::npos;
      continue;
    }
    if (b == std::string_view::npos) continue;
    std::size_t c = line.find_first_not_of(" \t", b);
    if (c == std::string_view::npos) continue;
    std::size_t d = line.find_first_of(" \t\r", c);
    list.Names.emplace(line.substr(c, d == std::string_view::npos ? line.npos : d - c));
  }
  return list;
}

const EncoderList& ProbeEncoders(const std::string& encoderPath) {
  // Runners of the command line may ask at once.
  static std::mutex lock;
  static std::map<std::string, EncoderList> cache;
  std::lock_guard<std::mutex> hold(lock);
  if (auto it = cache.find(encoderPath); it != cache.end()) return it->second;
  EncoderList list = CachedEncoderList(encoderPath, DefaultEncoderCacheFile(), [&] {
    EncoderList asked;
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(QString::fromStdString(encoderPath), {"-hide_banner", "-encoders"});
    if (p.waitForStarted(5000) && p.waitForFinished(10000))
      asked = ParseEncoderList(p.readAllStandardOutput().toStdString());
    else
      p.kill(), p.waitForFinished(1000);
    return asked;
  });
  return cache.emplace(encoderPath, std::move(list)).first->second;
}

int NearestAacRate(int hz) {
  static constexpr int rates[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                  22050, 16000, 12000, 11025, 8000,  7350};
  int best = rates[0];
  for (int r : rates)
    if (std::abs(r - hz) < std::abs(best - hz)) best = r;
  return best;
}

std::vector<std::string> AdaptArguments(const std::vector<std::string>& in, RunKind kind,
                                        const EncoderList& encoders,
                                        const std::string& passLogPrefix) {
  std::vector<std::string> args = in;
  if (args.empty()) return args;

  if (std::size_t i = IndexOf(args, "-acodec"); i != std::string::npos && args[i + 1] == "libfaac" &&
                                                 !encoders.Has("libfaac"))
    args[i + 1] = "aac";
  if (std::size_t i = IndexOf(args, "-b"); i != std::string::npos) args[i] = "-b:v";
  if (std::size_t i = IndexOf(args, "-ar"); i != std::string::npos) {
    char* end = nullptr;
    long hz = std::strtol(args[i + 1].c_str(), &end, 10);
    if (end && *end == '\0' && hz > 0) args[i + 1] = std::to_string(NearestAacRate(static_cast<int>(hz)));
  }

  std::vector<std::string> extra;
  if (kind == RunKind::Conversion) {
    extra = {"-pix_fmt", "yuv420p"};
    if (std::size_t i = IndexOf(args, "-vcodec"); i != std::string::npos && args[i + 1] == "libx264")
      extra.insert(extra.end(), {"-profile:v", "main", "-level", "3.0", "-refs", "2",
                                 "-x264-params", "b-pyramid=none"});
    if (IndexOf(args, "-pass") != std::string::npos)
      extra.insert(extra.end(), {"-passlogfile", passLogPrefix});
  } else if (IndexOf(args, "-y") == std::string::npos) {
    // The side thumbnail follows its output, which the conversion replaces.
    extra = {"-y"};
  }
  args.insert(args.end() - 1, extra.begin(), extra.end());
  return args;
}

}  // namespace tarnick
