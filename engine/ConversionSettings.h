#pragma once

#include <array>
#include <string>
#include <string_view>

namespace tarnick {

// One row of the frame size table; the fragments carry their leading blank.
struct FrameSize {
  std::string_view Text;            // as the slider's tick label shows it
  std::string_view SizeFragment;    // " -s 320x240"
  std::string_view AspectFragment;  // " -aspect 4:3"
};

inline constexpr std::array<FrameSize, 6> SizeTable{{
    {"160x120", " -s 160x120", " -aspect 4:3"},
    {"320x240", " -s 320x240", " -aspect 4:3"},
    {"640x480", " -s 640x480", " -aspect 4:3"},
    {"368x208", " -s 368x208", " -aspect 16:9"},
    {"480x272", " -s 480x272", " -aspect 16:9"},
    {"720x480", " -s 720x480", " -aspect 16:9"},
}};

struct SampleRate {
  int Hz;
  std::string_view Fragment;
};

// Row 2 is forty-one thousand, as the slider's label and the preset rule say.
inline constexpr std::array<SampleRate, 4> SampleRateTable{{
    {48000, " -ar 48000"},
    {44100, " -ar 44100"},
    {41000, " -ar 41000"},
    {24000, " -ar 24000"},
}};

// The hidden codec list, in list order.
inline constexpr std::array<std::string_view, 3> CodecNames{"LIBX264", "MPEG4", "LIBXVID"};

// Ranges the controls keep their values in.
inline constexpr int MinFrameRate = 1, MaxFrameRate = 30;
inline constexpr int MinVideoKbps = 48, MaxVideoKbps = 768;
inline constexpr int MinAudioKbps = 32, MaxAudioKbps = 128;
inline constexpr int MinThumbnailSecond = 0, MaxThumbnailSecond = 60;

// The encoding choices of one batch, read from the main window's controls.
// The defaults are the values the window layout gives the controls.
struct ConversionSettings {
  int SizeIndex = 1;
  std::string VideoCodec = std::string(CodecNames[0]);
  int VideoKbps = 384;
  int FrameRate = 15;
  int SampleRateIndex = 3;
  int AudioKbps = 64;
  bool TwoPass = false;
  bool SideThumbnail = true;
  int ThumbnailSecond = 1;
  std::string OutputFolder;

  int Passes() const { return TwoPass ? 2 : 1; }
};

// Bytes A..Z to a..z, every other byte unchanged.
std::string AsciiLower(std::string_view text);

}  // namespace tarnick
