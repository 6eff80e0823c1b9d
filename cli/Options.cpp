#include "cli/Options.h"

#include <functional>
#include <map>

#include "engine/ConversionSettings.h"
#include "engine/NumberText.h"

namespace tarnick {
namespace {

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

int ParseInteger(const std::string& option, const std::string& value) {
  auto n = TryStrToInt(value);
  if (!n) throw UsageError(option + ": '" + value + "' is not an integer");
  return *n;
}

int ParseSize(const std::string& option, const std::string& value) {
  for (std::size_t i = 0; i < SizeTable.size(); ++i)
    if (value == SizeTable[i].Text) return static_cast<int>(i);
  std::string sizes;
  for (const auto& s : SizeTable) sizes += (sizes.empty() ? "" : ", ") + std::string(s.Text);
  throw UsageError(option + ": '" + value + "' is not one of " + sizes);
}

int ParseCodec(const std::string& option, const std::string& value) {
  std::string upper = AsciiUpper(value);
  for (std::size_t i = 0; i < CodecNames.size(); ++i)
    if (upper == CodecNames[i]) return static_cast<int>(i);
  throw UsageError(option + ": '" + value + "' is not one of libx264, mpeg4, libxvid");
}

int ParseRate(const std::string& option, const std::string& value) {
  auto hz = TryStrToInt(value);
  for (std::size_t i = 0; hz && i < SampleRateTable.size(); ++i)
    if (*hz == SampleRateTable[i].Hz) return static_cast<int>(i);
  throw UsageError(option + ": '" + value + "' is not one of 48000, 44100, 41000, 24000");
}

std::string NonEmpty(const std::string& option, const std::string& value) {
  if (value.empty()) throw UsageError(option + ": the value is empty");
  return value;
}

using ValueHandler =
    std::function<void(CliOptions&, const std::string& option, const std::string& value)>;
using FlagHandler = std::function<void(CliOptions&)>;

const std::map<std::string, ValueHandler>& ValueOptions() {
  static const std::map<std::string, ValueHandler> table{
      {"--preset", [](CliOptions& o, auto& n, auto& v) { o.Preset = NonEmpty(n, v); }},
      {"--settings", [](CliOptions& o, auto& n, auto& v) { o.SettingsFile = NonEmpty(n, v); }},
      {"--profile", [](CliOptions& o, auto& n, auto& v) { o.ProfileFile = NonEmpty(n, v); }},
      {"--size", [](CliOptions& o, auto& n, auto& v) { o.SizeIndex = ParseSize(n, v); }},
      {"--codec", [](CliOptions& o, auto& n, auto& v) { o.CodecIndex = ParseCodec(n, v); }},
      {"--fps", [](CliOptions& o, auto& n, auto& v) { o.FrameRate = ParseInteger(n, v); }},
      {"--video-kbps", [](CliOptions& o, auto& n, auto& v) { o.VideoKbps = ParseInteger(n, v); }},
      {"--audio-kbps", [](CliOptions& o, auto& n, auto& v) { o.AudioKbps = ParseInteger(n, v); }},
      {"--rate", [](CliOptions& o, auto& n, auto& v) { o.SampleRateIndex = ParseRate(n, v); }},
      {"--thumbnail",
       [](CliOptions& o, auto& n, auto& v) {
         o.ThumbnailSecond = ParseInteger(n, v);
         o.SideThumbnail = true;
       }},
      {"--output", [](CliOptions& o, auto& n, auto& v) { o.OutputFolder = NonEmpty(n, v); }},
      {"--jobs",
       [](CliOptions& o, auto& n, auto& v) {
         o.Jobs = ParseInteger(n, v);
         if (o.Jobs < 0) throw UsageError(n + ": '" + v + "' is below 0");
       }},
  };
  return table;
}

const std::map<std::string, FlagHandler>& FlagOptions() {
  static const std::map<std::string, FlagHandler> table{
      {"--two-pass", [](CliOptions& o) { o.TwoPass = true; }},
      {"--one-pass", [](CliOptions& o) { o.TwoPass = false; }},
      {"--no-thumbnail", [](CliOptions& o) { o.SideThumbnail = false; }},
      {"--psp", [](CliOptions& o) { o.Psp = true; }},
      {"--quiet",
       [](CliOptions& o) {
         o.Quiet = true;
         o.Verbose = false;
       }},
      {"--verbose",
       [](CliOptions& o) {
         o.Verbose = true;
         o.Quiet = false;
       }},
      {"--skip-existing", [](CliOptions& o) { o.SkipExisting = true; }},
      {"--json", [](CliOptions& o) { o.Json = true; }},
      {"--dry-run",
       [](CliOptions& o) {
         o.DryRun = true;
         o.DryRunDescribed = false;
       }},
      {"--list-presets", [](CliOptions& o) { o.ListPresets = true; }},
      {"-h", [](CliOptions& o) { o.Help = true; }},
      {"--help", [](CliOptions& o) { o.Help = true; }},
      {"--version", [](CliOptions& o) { o.Version = true; }},
  };
  return table;
}

// The usual one-letter spellings.
const std::map<std::string, std::string>& ShortOptions() {
  static const std::map<std::string, std::string> table{{"-o", "--output"},
                                                        {"-p", "--preset"},
                                                        {"-j", "--jobs"},
                                                        {"-q", "--quiet"},
                                                        {"-v", "--verbose"}};
  return table;
}

}  // namespace

CliOptions ParseOptions(const std::vector<std::string>& args) {
  CliOptions o;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    // A lone "-" is a path, as is everything after "--".
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      o.Paths.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = arg;
    std::optional<std::string> inlineValue;
    if (auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = arg.substr(0, eq);
      inlineValue = arg.substr(eq + 1);
    } else if (arg[1] != '-') {
      auto alias = ShortOptions().find(arg.substr(0, 2));
      if (alias != ShortOptions().end()) {
        name = alias->second;
        if (arg.size() > 2) {
          if (!ValueOptions().count(name)) throw UsageError(arg + ": unknown option");
          inlineValue = arg.substr(2);
        }
      }
    }
    if (name == "--dry-run" && inlineValue) {
      if (*inlineValue != "described")
        throw UsageError(name + ": only \"described\" may follow '='");
      o.DryRun = o.DryRunDescribed = true;
      continue;
    }
    if (auto flag = FlagOptions().find(name); flag != FlagOptions().end()) {
      if (inlineValue) throw UsageError(name + ": takes no value");
      flag->second(o);
      continue;
    }
    auto valued = ValueOptions().find(name);
    if (valued == ValueOptions().end()) throw UsageError(name + ": unknown option");
    std::string value;
    if (inlineValue) {
      value = *inlineValue;
    } else {
      if (i + 1 >= args.size()) throw UsageError(name + ": a value is missing");
      value = args[++i];
    }
    valued->second(o, name, value);
  }
  if (o.Psp && o.OutputFolder) throw UsageError("--psp: cannot be used together with --output");
  return o;
}

std::string UsageText() {
  return "Usage: tarnick-cli [OPTIONS] PATH...\n"
         "Converts video files (folders are searched recursively) into MP4 files for the PSP.\n"
         "\n"
         "Settings come from the preset, then Tarnick.ini, then these options:\n"
         "  -p, --preset N|NAME  preset by position (1 = first line of profile.txt) or name\n"
         "  --size WxH           160x120, 320x240, 640x480, 368x208, 480x272, 720x480\n"
         "  --codec NAME         libx264, mpeg4 or libxvid\n"
         "  --fps N              frame rate, 1 to 30\n"
         "  --video-kbps N       video bit rate, 48 to 768\n"
         "  --audio-kbps N       audio bit rate, 32 to 128\n"
         "  --rate HZ            48000, 44100, 41000 or 24000\n"
         "  --two-pass, --one-pass\n"
         "  --thumbnail SECONDS  write a thumbnail beside each output, taken at 0 to 60 s\n"
         "  --no-thumbnail\n"
         "  -o, --output DIR     output folder (default: the stored one, else the program folder,\n"
         "                       or the home folder when installed)\n"
         "  --psp                write into the VIDEO folder of the mounted PSP volume\n"
         "  --skip-existing      leave a file alone whose output exists and is newer than it\n"
         "  -j, --jobs N         convert up to N files at once (default 1, 0 = one per core)\n"
         "  --json               one JSON object per event on standard output; the progress\n"
         "                       goes to standard error then\n"
         "  -q, --quiet          no progress and no summary; errors are still shown\n"
         "  -v, --verbose        also each encoder line as built, and the encoder log\n"
         "  --settings FILE      read the settings from FILE instead of Tarnick.ini\n"
         "  --profile FILE       read the presets from FILE instead of profile.txt\n"
         "  --dry-run            print every encoder run of each file as it would run\n"
         "                       (quoted for a shell), run nothing\n"
         "  --dry-run=described  print the conversion lines as built before adapting\n"
         "  --list-presets       print the presets\n"
         "  -h, --help           print this text\n"
         "  --version            print the version\n"
         "\n"
         "Exit codes: 0 all converted, 1 a file failed, 2 bad usage, 3 no PSP found,\n"
         "130 interrupted.\n";
}

}  // namespace tarnick
