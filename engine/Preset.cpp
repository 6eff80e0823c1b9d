#include "engine/Preset.h"

#include "engine/CommaText.h"
#include "engine/ConversionSettings.h"
#include "engine/NumberText.h"
#include "engine/PathStyle.h"

namespace tarnick {

const std::string& Preset::Column(int c) const {
  static const std::string empty;
  return c >= 0 && static_cast<std::size_t>(c) < Columns.size() ? Columns[c] : empty;
}

Preset Preset::FromLine(std::string_view line) {
  return Preset{SplitCommaText(line)};
}

std::string NumberBeforeUnit(std::string_view column, std::string_view unit) {
  // Preset texts are held as UTF-8 on Posix and as code page 932 on Windows;
  // the lead-byte rule of the native path style tells characters apart.
  std::size_t from = 0;
  while (true) {
    auto at = column.find(unit, from);
    if (at == std::string_view::npos) return std::string();
    if (IsSingleByteAt(NativePathStyle, column, at)) return std::string(column.substr(0, at));
    from = at + 1;
  }
}

int SampleRateIndexOf(int hz) {
  switch (hz) {
    case 24000:
      return 3;
    case 41000:
      return 2;
    case 44100:
      return 1;
    case 48000:
      return 0;
    default:
      return -1;
  }
}

namespace {

std::string ReadColumn(IPresetTarget& t, int column) {
  t.SetPresetTargetColumn(column);
  return t.PresetSelectedText();
}

int ReadNumber(IPresetTarget& t, int column, std::string_view unit) {
  return StrToInt(NumberBeforeUnit(ReadColumn(t, column), unit));
}

void ApplySteps(IPresetTarget& t) {
  // The header row or no selection means the first preset.
  if (t.PresetItemIndex() < 1) t.SetPresetItemIndex(1);

  // Size: exact match against the six texts, else unchanged.
  std::string size = ReadColumn(t, ColSize);
  for (std::size_t i = 0; i < SizeTable.size(); ++i) {
    if (size == SizeTable[i].Text) {
      t.SetSizePosition(static_cast<int>(i));
      break;
    }
  }

  // Codec: the first item that holds the column's text, else item 0.
  t.SetCodecItemIndex(0);
  std::string codec = ReadColumn(t, ColVideoCodec);
  if (!codec.empty()) {
    for (int i = 0; i < t.CodecCount(); ++i) {
      if (t.CodecItemText(i).find(codec) != std::string::npos) {
        t.SetCodecItemIndex(i);
        break;
      }
    }
  }

  // The numbers; a failure stops here.
  t.SetFrameRatePosition(ReadNumber(t, ColFrameRate, "fps"));
  t.SetVideoKbpsPosition(ReadNumber(t, ColVideoKbps, "kbps"));
  int index = SampleRateIndexOf(ReadNumber(t, ColSampleRate, "Hz"));
  if (index >= 0) t.SetSampleRatePosition(index);
  t.SetAudioKbpsPosition(ReadNumber(t, ColAudioKbps, "kbps"));
}

}  // namespace

void ApplySelectedPreset(IPresetTarget& target) {
  try {
    ApplySteps(target);
  } catch (...) {
    target.SetPresetTargetColumn(0);
    throw;
  }
  // The selection field shows the preset's name again.
  target.SetPresetTargetColumn(0);
}

}  // namespace tarnick
