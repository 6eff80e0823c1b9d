#include "engine/CommandLine.h"

namespace tarnick {
namespace {

// Builds the text and the list side by side: `Word` adds one argument with
// the text that precedes it, so both always say the same.
class LineBuilder {
 public:
  void Text(std::string_view t) { cmd_.Text += t; }
  void Word(std::string_view lead, std::string_view arg) {
    cmd_.Text += lead;
    cmd_.Text += arg;
    cmd_.Arguments.emplace_back(arg);
  }
  void QuotedWord(std::string_view lead, std::string_view path) {
    cmd_.Text += lead;
    cmd_.Text += Quoted(path);
    cmd_.Arguments.emplace_back(path);
  }
  // A table fragment " -s 320x240": option and value as two arguments.
  void Fragment(std::string_view fragment) {
    cmd_.Text += fragment;
    std::string_view rest = fragment.substr(1);
    auto blank = rest.find(' ');
    cmd_.Arguments.emplace_back(rest.substr(0, blank));
    cmd_.Arguments.emplace_back(rest.substr(blank + 1));
  }
  EncoderCommand Take() { return std::move(cmd_); }

 private:
  EncoderCommand cmd_;
};

}  // namespace

std::string Quoted(std::string_view path) {
  std::string out;
  out.reserve(path.size() + 2);
  out += '"';
  out += path;
  out += '"';
  return out;
}

std::string ShellQuoted(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& w : words) {
    if (!out.empty()) out += ' ';
    bool plain = !w.empty();
    for (unsigned char c : w)
      if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            std::string_view("_-+=/.,:@%").find(static_cast<char>(c)) != std::string_view::npos))
        plain = false;
    if (plain) {
      out += w;
      continue;
    }
    out += '\'';
    for (char c : w) {
      if (c == '\'')
        out += "'\\''";
      else
        out += c;
    }
    out += '\'';
  }
  return out;
}

std::string_view EncoderProgramName(PathStyle style) {
  return style == PathStyle::Windows ? "ffmpeg.exe" : "ffmpeg";
}

std::string MakeOutputPath(PathStyle style, std::string_view outputFolder,
                           std::string_view sourcePath) {
  std::string withExt = ChangeFileExt(style, sourcePath, OutputExtension);
  return JoinPath(style, outputFolder, ExtractFileName(style, withExt));
}

std::string MakeSideThumbnailPath(PathStyle style, std::string_view outputPath) {
  return ChangeFileExt(style, outputPath, SideThumbnailExtension);
}

std::string MakePreviewThumbnailPath(PathStyle style, std::string_view programFolder) {
  return JoinPath(style, programFolder, PreviewThumbnailName);
}

EncoderCommand MakeConversionCommand(PathStyle style, const ConversionSettings& s,
                                     std::string_view sourcePath, std::string_view outputPath,
                                     int passes, int pass) {
  LineBuilder b;
  b.Text(EncoderProgramName(style));
  b.Text(" ");
  b.Word("", "-i");
  b.QuotedWord(" ", sourcePath);
  b.Word(" ", "-y");
  if (passes == 2) {
    b.Word(" ", "-pass");
    b.Word(" ", std::to_string(pass));
    if (pass == 1) b.Word(" ", "-an");
  }
  b.Word(" ", "-flags");
  b.Word(" ", "bitexact");
  const FrameSize& size = SizeTable.at(static_cast<std::size_t>(s.SizeIndex));
  b.Fragment(size.SizeFragment);
  b.Fragment(size.AspectFragment);
  b.Word(" ", "-vcodec");
  b.Word(" ", AsciiLower(s.VideoCodec));
  b.Word(" ", "-b");
  b.Word(" ", std::to_string(s.VideoKbps) + "k");
  b.Word(" ", "-r");
  b.Word(" ", std::to_string(s.FrameRate));
  b.Word(" ", "-acodec");
  b.Word(" ", "libfaac");
  b.Word(" ", "-ab");
  b.Word(" ", std::to_string(s.AudioKbps) + "k");
  b.Fragment(SampleRateTable.at(static_cast<std::size_t>(s.SampleRateIndex)).Fragment);
  b.QuotedWord(" ", outputPath);
  EncoderCommand cmd = b.Take();
  cmd.Kind = EncoderRunKind::Conversion;
  cmd.Pass = pass;
  cmd.Passes = passes;
  return cmd;
}

EncoderCommand MakePreviewThumbnailArgs(PathStyle style, std::string_view sourcePath,
                                        std::string_view programFolder) {
  LineBuilder b;
  b.Word("", "-i");
  b.QuotedWord(" ", sourcePath);
  for (std::string_view w : {"-f", "image2", "-ss", "5", "-vframes", "1", "-s", "80x60", "-an"})
    b.Word(" ", w);
  b.QuotedWord(" ", MakePreviewThumbnailPath(style, programFolder));
  EncoderCommand cmd = b.Take();
  cmd.Kind = EncoderRunKind::PreviewThumbnail;
  return cmd;
}

EncoderCommand MakeSideThumbnailArgs(std::string_view sourcePath, int thumbnailSecond,
                                     std::string_view sideThumbnailPath) {
  LineBuilder b;
  b.Word("", "-i");
  b.QuotedWord(" ", sourcePath);
  b.Word(" ", "-f");
  b.Word(" ", "image2");
  b.Word(" ", "-ss");
  b.Word(" ", std::to_string(thumbnailSecond));
  for (std::string_view w : {"-vframes", "1", "-s", "160x120", "-an"}) b.Word(" ", w);
  b.QuotedWord(" ", sideThumbnailPath);
  EncoderCommand cmd = b.Take();
  cmd.Kind = EncoderRunKind::SideThumbnail;
  return cmd;
}

}  // namespace tarnick
