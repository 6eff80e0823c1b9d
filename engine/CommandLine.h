#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ConversionSettings.h"
#include "engine/PathStyle.h"

namespace tarnick {

// The conversion line goes to the process start in a buffer of this many
// bytes, the terminating zero included.
inline constexpr std::size_t CommandBufferSize = 10000;

inline constexpr std::string_view OutputExtension = ".mp4";
inline constexpr std::string_view SideThumbnailExtension = ".jpg";
inline constexpr std::string_view PreviewThumbnailName = "_thumb.jpg";
inline constexpr int SideThumbnailWidth = 160;
inline constexpr int SideThumbnailHeight = 120;

// What an encoder run is for.
enum class EncoderRunKind { PreviewThumbnail, SideThumbnail, Conversion };

// One encoder run. `Text` is the line as the user would read it (the
// conversion line with the program name, the thumbnail lines without it);
// `Arguments` is the same line as a list, which is what gets run, so no path
// is ever parsed back out of text.
struct EncoderCommand {
  std::string Text;
  std::vector<std::string> Arguments;
  EncoderRunKind Kind = EncoderRunKind::Conversion;
  int Pass = 1;    // of a conversion: 1..Passes
  int Passes = 1;  // 1, or 2 for two-pass encoding

  // False when the text does not fit the command buffer; such a line is
  // refused, never cut.
  bool FitsCommandBuffer() const { return Text.size() < CommandBufferSize; }
};

// "ffmpeg.exe" for Windows, "ffmpeg" for Posix.
std::string_view EncoderProgramName(PathStyle style);

std::string MakeOutputPath(PathStyle style, std::string_view outputFolder,
                           std::string_view sourcePath);
std::string MakeSideThumbnailPath(PathStyle style, std::string_view outputPath);
std::string MakePreviewThumbnailPath(PathStyle style, std::string_view programFolder);

EncoderCommand MakeConversionCommand(PathStyle style, const ConversionSettings& settings,
                                     std::string_view sourcePath, std::string_view outputPath,
                                     int passes, int pass);
EncoderCommand MakePreviewThumbnailArgs(PathStyle style, std::string_view sourcePath,
                                        std::string_view programFolder);
EncoderCommand MakeSideThumbnailArgs(std::string_view sourcePath, int thumbnailSecond,
                                     std::string_view sideThumbnailPath);

// The words as a shell reads them back: each word that holds more than
// letters, digits and "_-+=/.,:@%" is put between single quotes.
std::string ShellQuoted(const std::vector<std::string>& words);

// A path between two double quotes.
std::string Quoted(std::string_view path);

}  // namespace tarnick
