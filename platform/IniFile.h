#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnick {

// The longest text a settings read gives back (a 2048-byte buffer with its
// terminating zero); longer values are cut at a character boundary.
inline constexpr std::size_t MaxIniTextBytes = 2047;
// The largest settings file read; a longer one (or one that is no regular
// file) reads as empty and is never replaced.
inline constexpr std::size_t MaxSettingsFileBytes = 1u << 20;

// One value to write, for writing several in a given order.
struct IniEntry {
  std::string Section;
  std::string Key;
  std::string Value;
};

// A settings file in the profile (ini) text form:
//
//   [Section]
//   Key=Value
//
// Section and key names match without regard to ASCII letter case; a value
// is the text after the first "=" with the blanks (space, tab) around it
// removed, and one pair of matching quotes (' or ") around it dropped. Lines
// starting with ";" or "#" are comments. Writing a key replaces its line or
// adds one after the last key of its section; a missing section is added at
// the end of the file. Every other line is kept byte for byte. New lines end
// in CR LF. A fresh file therefore holds sections and keys in the order they
// were first written.
//
// The file is read afresh by Load() and again by Save(), which lays the
// values written since onto what is on the disk then, writes a temporary
// file in the same folder and renames it over the old one, so the file is
// never left half written. A file that is not valid UTF-8 is read as code
// page 932; it is always saved as UTF-8.
class IniFile {
 public:
  // Nothing is read until Load().
  explicit IniFile(std::string path);

  // Opens and reads the file: missing or unreadable reads as empty. Drops
  // values written and not saved. Never raises.
  static IniFile Open(std::string path);

  const std::string& Path() const { return FPath; }

  // Reads the file again. Never raises.
  void Load();

  // The value of a key; nullopt when the section or the key is missing.
  std::optional<std::string> ReadText(std::string_view section, std::string_view key) const;

  // The value at most MaxIniTextBytes long, or `fallback` when the key is
  // missing. A key present with an empty value gives the empty text.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;

  // The value as an integer by the shared number rule ("0x40", "$40", " 64"
  // give 64); `fallback` when missing or not a number.
  std::int32_t ReadInteger(std::string_view section, std::string_view key,
                           std::int32_t fallback) const;

  // Sets a key in memory; Save() puts it on the disk. Raises EFileError
  // "%s に書き込めません" for a name or value that the line format cannot
  // hold (a line break, a name holding "=" or "]", an empty name).
  void WriteText(std::string_view section, std::string_view key, std::string_view value);
  // Plain decimal, "-" when negative.
  void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
  // In the order given.
  void WriteEntries(const std::vector<IniEntry>& entries);

  // True when values were written since the last Load() or Save().
  bool Modified() const { return !FPending.empty(); }

  // Re-reads the file, applies the values written since the last Load() or
  // Save(), and replaces the file with the result. Raises EFileError
  // "%s に書き込めません" (full path) when that fails; the file is then
  // unchanged and the written values are kept for another try.
  void Save();

  // The whole text as it would be saved (UTF-8).
  std::string Text() const;

 private:
  struct Line {
    std::string Content;  // without its line end
    std::string End;      // "\r\n", "\n", "\r" or "" for a last line without one
  };

  static std::vector<Line> Parse(const std::string& bytes, bool& bom);
  static void Apply(std::vector<Line>& lines, const IniEntry& entry);
  static std::string Compose(const std::vector<Line>& lines, bool bom);

  std::string FPath;
  std::vector<Line> FLines;
  bool FBom = false;
  std::vector<IniEntry> FPending;
};

// One-shot helpers: each opens the file afresh.
std::int32_t ReadIniInteger(const std::string& path, std::string_view section, std::string_view key,
                            std::int32_t fallback);
std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view fallback);
// Writes the entries in order and saves once; raises EFileError as Save().
void WriteIniEntries(const std::string& path, const std::vector<IniEntry>& entries);

// The decimal text of a settings integer: 20, -1, 384.
std::string IniIntegerText(std::int32_t value);

}  // namespace tarnick
