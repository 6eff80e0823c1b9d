#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarnick {

// The preset list's header row: nine column titles, the first empty.
inline constexpr std::string_view PresetHeaderRow =
    ",[拡張子],[ｻｲｽﾞ],[ｺｰﾃﾞｯｸ],[ﾌﾚｰﾑﾚｰﾄ],[ﾋﾞｯﾄﾚｰﾄ],[ｺｰﾃﾞｯｸ],[ｻﾝﾌﾟﾙﾚｰﾄ],[ﾋﾞｯﾄﾚｰﾄ]";

inline constexpr int PresetColumnCount = 9;

// Column indices of a preset line.
enum PresetColumn {
  ColName = 0,
  ColExtension = 1,
  ColSize = 2,
  ColVideoCodec = 3,
  ColFrameRate = 4,
  ColVideoKbps = 5,
  ColAudioCodec = 6,
  ColSampleRate = 7,
  ColAudioKbps = 8,
};

// One line of profile.txt split into its nine columns; a column the line
// does not reach is empty.
struct Preset {
  std::vector<std::string> Columns;
  const std::string& Column(int c) const;
  static Preset FromLine(std::string_view line);
};

// What applying a preset needs of the main window: the preset list and the
// six encoding controls it sets. The real window serves it with its
// controls; tests serve it with a fake.
class IPresetTarget {
 public:
  virtual ~IPresetTarget() = default;

  // The preset list (C2_00): selected position, -1 for none. Setting a
  // position past the last item leaves nothing selected.
  virtual int PresetItemIndex() const = 0;
  virtual void SetPresetItemIndex(int index) = 0;
  virtual void SetPresetTargetColumn(int column) = 0;
  // Column `TargetColumn` of the selected line; empty when nothing is
  // selected or the line has no such column.
  virtual std::string PresetSelectedText() const = 0;

  // The hidden codec list (C2_04).
  virtual int CodecCount() const = 0;
  virtual std::string CodecItemText(int index) const = 0;
  virtual void SetCodecItemIndex(int index) = 0;

  virtual int SizePosition() const = 0;               // TrackBar2
  virtual void SetSizePosition(int index) = 0;        // TrackBar2
  virtual void SetFrameRatePosition(int fps) = 0;     // DigitBar1, clamps 1..30
  virtual void SetVideoKbpsPosition(int kbps) = 0;    // DigitBar2, clamps 48..768
  virtual int SampleRatePosition() const = 0;         // TrackBar1
  virtual void SetSampleRatePosition(int index) = 0;  // TrackBar1
  virtual void SetAudioKbpsPosition(int kbps) = 0;    // DigitBar3, clamps 32..128
};

// The number text before the first occurrence of `unit` (the whole column's
// start up to it); empty when the unit is missing or stands at the start.
// An occurrence that would start on a double-byte character's second byte
// does not count.
std::string NumberBeforeUnit(std::string_view column, std::string_view unit);

// The sample-rate slider position for a rate in Hz, or -1 for a rate the
// table does not hold.
int SampleRateIndexOf(int hz);

// Applies the selected preset (the preset list's change handler), steps 1
// to 8. A column that is not a number raises EConvertError; the controls
// set before keep their values and the target column is back at 0.
void ApplySelectedPreset(IPresetTarget& target);

}  // namespace tarnick
