#include "platform/EncoderAdapter.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>

#include <QProcess>
#include <QString>
#include <QStringList>

#include "platform/ChildRuns.h"
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

// "768k" as bits per second; 0 when it is no rate.
long long RateBits(const std::string& text) {
  char* end = nullptr;
  long long n = std::strtoll(text.c_str(), &end, 10);
  if (!end || end == text.c_str() || n <= 0) return 0;
  if (*end == 'k' || *end == 'K')
    n *= 1000, ++end;
  else if (*end == 'M')
    n *= 1000000, ++end;
  return *end == '\0' ? n : 0;
}

std::string Kilo(long long bits) {
  return std::to_string(std::max(1LL, (bits + 500) / 1000)) + "k";
}

}  // namespace

std::string AbsoluteForEncoder(const std::string& path) {
  // A relative "pipe:1.avi" or "rec-10:30.avi" is a protocol to ffmpeg, and
  // "-report" an option to ffprobe; the working folder's path never is.
  if (path.empty() || std::filesystem::path(path).is_absolute()) return path;
  std::error_code error;
  const std::filesystem::path cwd = std::filesystem::current_path(error);
  if (error) return path;
  return (cwd / std::filesystem::path(path)).native();
}

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
    SetChildCommand(p, encoderPath, {"-hide_banner", "-encoders"});
    p.start();
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

  if (std::size_t i = IndexOf(args, "-acodec");
      i != std::string::npos && args[i + 1] == "libfaac" && !encoders.Has("libfaac"))
    args[i + 1] = "aac";
  if (std::size_t i = IndexOf(args, "-b"); i != std::string::npos) args[i] = "-b:v";
  if (std::size_t i = IndexOf(args, "-ar"); i != std::string::npos) {
    char* end = nullptr;
    long hz = std::strtol(args[i + 1].c_str(), &end, 10);
    if (end && *end == '\0' && hz > 0)
      args[i + 1] = std::to_string(NearestAacRate(static_cast<int>(hz)));
  }

  std::vector<std::string> extra;
  if (kind == RunKind::Conversion) {
    extra = {"-pix_fmt", "yuv420p"};
    const std::size_t codec = IndexOf(args, "-vcodec");
    if (codec != std::string::npos && args[codec + 1] == "libxvid") {
      // The same MPEG-4 Part 2 stream; the MP4 muxer takes it only under
      // the "mp4v" tag, not xvid's own.
      if (encoders.Has("libxvid"))
        extra.insert(extra.end(), {"-vtag", "mp4v"});
      else
        args[codec + 1] = "mpeg4";
    }
    const std::string vcodec = codec != std::string::npos ? args[codec + 1] : std::string();
    if (vcodec == "libx264")
      extra.insert(extra.end(), {"-profile:v", "main", "-level", "3.0", "-refs", "2",
                                 "-x264-params", "b-pyramid=none"});
    if (std::size_t b = IndexOf(args, "-b:v");
        b != std::string::npos && (vcodec == "mpeg4" || vcodec == "libxvid")) {
      if (const long long rate = RateBits(args[b + 1]); rate > 0) {
        // Without a cap the MPEG-4 rate control runs well over the asked
        // rate on short or busy sources. Half a second of buffer, never more
        // than the 640 kbit VBV of MPEG-4 Simple Profile level 3; a tolerance
        // of a tenth, but not below one frame's share, which ffmpeg refuses.
        long long fps = 0;
        if (std::size_t r = IndexOf(args, "-r"); r != std::string::npos)
          fps = std::strtoll(args[r + 1].c_str(), nullptr, 10);
        const long long tolerance = std::max(rate / 10, fps > 0 ? (rate + fps - 1) / fps : 0);
        extra.insert(extra.end(), {"-maxrate", args[b + 1], "-bufsize",
                                   Kilo(std::min(rate / 2, 640000LL)), "-bt", Kilo(tolerance)});
      }
    }
    const std::size_t pass = IndexOf(args, "-pass");
    if (IndexOf(args, "-an") == std::string::npos)
      // The PSP plays stereo AAC; a 5.1 or mono source is mixed to two.
      extra.insert(extra.end(), {"-ac", "2"});
    if (pass == std::string::npos || args[pass + 1] != "1")
      // The index before the data: a player reading from a slow Memory
      // Stick starts at once. The first of two passes is replaced anyway.
      extra.insert(extra.end(), {"-movflags", "+faststart"});
    if (pass != std::string::npos) extra.insert(extra.end(), {"-passlogfile", passLogPrefix});
  } else {
    // One picture under its own name: without this the image muxer reads a
    // "%" in the name as a frame number pattern.
    extra = {"-update", "1"};
    // The side thumbnail follows its output, which the conversion replaces.
    if (IndexOf(args, "-y") == std::string::npos) extra.push_back("-y");
  }
  args.insert(args.end() - 1, extra.begin(), extra.end());
  for (std::size_t i = 0; i + 1 < args.size(); ++i)
    if (args[i] == "-i") args[i + 1] = AbsoluteForEncoder(args[i + 1]), ++i;
  args.back() = AbsoluteForEncoder(args.back());
  return args;
}

}  // namespace tarnick
