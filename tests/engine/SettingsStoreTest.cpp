#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "engine/Exception.h"
#include "engine/SettingsStore.h"

namespace tarnick {
namespace {

// Keys stored by (section, key); the log records every call in order.
struct FakeStore {
  std::map<std::pair<std::string, std::string>, std::string> values;
  std::vector<std::string> log;
  int opens = 0, releases = 0;
  std::string failKey;  // WriteText of this key fails
  bool failRelease = false;
};

class FakeFile : public ISettingsFile {
 public:
  explicit FakeFile(FakeStore& s) : s_(s) { ++s_.opens; }
  std::string Path() const override { return "/prog/Tarnick.ini"; }
  std::optional<std::string> ReadText(std::string_view section,
                                      std::string_view key) const override {
    s_.log.push_back("read " + std::string(section) + "/" + std::string(key));
    auto it = s_.values.find({std::string(section), std::string(key)});
    if (it == s_.values.end()) return std::nullopt;
    return it->second;
  }
  bool WriteText(std::string_view section, std::string_view key, std::string_view value) override {
    if (key == s_.failKey) return false;
    s_.log.push_back("write " + std::string(section) + "/" + std::string(key) + "=" +
                     std::string(value));
    s_.values[{std::string(section), std::string(key)}] = std::string(value);
    return true;
  }
  bool Release() override {
    ++s_.releases;
    s_.log.push_back("release");
    return !s_.failRelease;
  }

 private:
  FakeStore& s_;
};

// A window with the layout's values; the preset application sets the
// values of "preset k" as k * 10 fps etc., the codec follows the preset.
class FakeWindow : public ISettingsTarget {
 public:
  int tag = 0, left = 20, top = 20, preset = -1, presetCount = 3;
  int fps = 15, vkbps = 384, rate = 3, akbps = 64, size = 1, second = 1;
  std::string folder, programFolder = "/prog";
  bool twoPass = false, thumb = true, spinEnabled = true;
  bool presetFails = false;
  int appliedPreset = -1, commandLineTaken = 0, clicks = 0;
  std::vector<std::string>* log = nullptr;

  int Tag() const override { return tag; }
  void SetTag(int t) override { tag = t; }
  int Left() const override { return left; }
  void SetLeft(int x) override { left = x; }
  int Top() const override { return top; }
  void SetTop(int y) override { top = y; }
  int PresetItemIndex() const override { return preset; }
  void SetPresetItemIndex(int i) override { preset = (i >= -1 && i <= presetCount) ? i : -1; }
  void ApplyPreset() override {
    if (log) log->push_back("apply");
    if (preset < 1) preset = 1;
    appliedPreset = preset;
    size = preset % 6;
    fps = 10 * preset;
    if (presetFails) throw EConvertError("'' は整数ではありません");
    vkbps = 100 * preset;
  }
  int FrameRatePosition() const override { return fps; }
  void SetFrameRatePosition(int v) override { fps = v; }
  int VideoKbpsPosition() const override { return vkbps; }
  void SetVideoKbpsPosition(int v) override { vkbps = v; }
  int SampleRatePosition() const override { return rate; }
  void SetSampleRatePosition(int v) override { rate = v; }
  int AudioKbpsPosition() const override { return akbps; }
  void SetAudioKbpsPosition(int v) override { akbps = v; }
  int SizePosition() const override { return size; }
  void SetSizePosition(int v) override { size = v; }
  std::string OutputFolder() const override { return folder; }
  void SetOutputFolder(const std::string& p) override {
    folder = p;
    while (!folder.empty() && folder.size() > 1 && folder.back() == '/') folder.pop_back();
  }
  bool TwoPass() const override { return twoPass; }
  void SetTwoPass(bool on) override { twoPass = on; }
  bool SideThumbnail() const override { return thumb; }
  void SetSideThumbnail(bool on) override { thumb = on; }
  void CheckBox2Click() override {
    ++clicks;
    spinEnabled = thumb;
  }
  int ThumbnailSecond() const override { return second; }
  void SetThumbnailSecond(int v) override { second = v; }
  std::string DefaultOutputFolder() const override { return programFolder; }
  void TakeCommandLine() override {
    if (log) log->push_back("command line");
    ++commandLineTaken;
  }
};

class SettingsStoreTest : public ::testing::Test {
 protected:
  FakeStore store;
  FakeWindow w;
  SettingsFileOpener open = [this] { return std::make_unique<FakeFile>(store); };

  void Set(const std::string& section, const std::string& key, const std::string& v) {
    store.values[{section, key}] = v;
  }
  void Load() { LoadSettings(w, open); }
};

TEST_F(SettingsStoreTest, NoFileKeepsLayoutValuesAndSelectsFirstPreset) {
  Load();
  EXPECT_EQ(w.left, 20);
  EXPECT_EQ(w.top, 20);
  EXPECT_EQ(w.appliedPreset, 1);
  EXPECT_EQ(w.fps, 10);  // the preset's values stand
  EXPECT_EQ(w.vkbps, 100);
  EXPECT_EQ(w.folder, "/prog");
  EXPECT_FALSE(w.twoPass);
  EXPECT_TRUE(w.thumb);
  EXPECT_TRUE(w.spinEnabled);
  EXPECT_EQ(w.second, 1);
  EXPECT_EQ(w.commandLineTaken, 1);
  EXPECT_EQ(w.tag, 1);
  EXPECT_EQ(store.opens, 1);
  EXPECT_EQ(store.releases, 1);
}

TEST_F(SettingsStoreTest, ReadsEveryKeyInOrderThenReleasesThenTakesCommandLine) {
  w.log = &store.log;
  Load();
  std::vector<std::string> want = {
      "read SET/M_LEFT", "read SET/M_TOP", "read SET1/C0",  "apply",        "read SET1/C1",
      "read SET1/C2",    "read SET1/C3",   "read SET1/C4",  "read SET1/C5", "read SET2/C11",
      "read SET2/C12",   "read SET2/C13",  "read SET2/C14", "release",      "command line"};
  EXPECT_EQ(store.log, want);
}

TEST_F(SettingsStoreTest, StoredPresetIndexFallsBackToFirstPreset) {
  for (const char* c0 : {"0", "-1", "4", "99"}) {
    FakeWindow fresh;
    w = fresh;
    Set("SET1", "C0", c0);
    Load();
    EXPECT_EQ(w.appliedPreset, 1) << c0;
  }
}

TEST_F(SettingsStoreTest, StoredValuesOverrideThePreset) {
  Set("SET1", "C0", "3");
  Set("SET1", "C1", "25");
  Load();
  EXPECT_EQ(w.appliedPreset, 3);
  EXPECT_EQ(w.fps, 25);
  EXPECT_EQ(w.vkbps, 300);  // not stored: the preset's
  EXPECT_EQ(w.size, 3);
}

// Clamping is the controls' (the window's tests load such values into the
// real ones): the store hands every number over as it was read.
TEST_F(SettingsStoreTest, OutOfRangeValuesReachTheControlsUnchanged) {
  Set("SET1", "C1", "99");
  Set("SET1", "C2", "-5");
  Set("SET1", "C3", "7");
  Set("SET1", "C4", "1000");
  Set("SET1", "C5", "-1");
  Set("SET2", "C14", "61");
  Load();
  EXPECT_EQ(w.fps, 99);
  EXPECT_EQ(w.vkbps, -5);
  EXPECT_EQ(w.rate, 7);
  EXPECT_EQ(w.akbps, 1000);
  EXPECT_EQ(w.size, -1);
  EXPECT_EQ(w.second, 61);
}

TEST_F(SettingsStoreTest, IntegerValuesFollowTheNumberRule) {
  struct Case {
    const char* text;
    int left;
  } cases[] = {{"0x40", 64}, {"$40", 64}, {" 64", 64},  {"64", 64},  {"64px", 20},
               {"64 ", 20},  {"", 20},    {"-30", -30}, {"+007", 7}, {"x", 20}};
  for (const auto& c : cases) {
    FakeWindow fresh;
    w = fresh;
    Set("SET", "M_LEFT", c.text);
    Load();
    EXPECT_EQ(w.left, c.left) << '"' << c.text << '"';
  }
}

TEST_F(SettingsStoreTest, CheckBoxesTakeAnyNonZeroAndKeepTheirStateOnNonNumbers) {
  struct Case {
    const char* c12;
    bool before, after;
  } cases[] = {{"2", false, true},  {"0", true, false}, {"abc", false, false},
               {"abc", true, true}, {"", true, true},   {"1", false, true}};
  for (const auto& c : cases) {
    FakeWindow fresh;
    w = fresh;
    w.twoPass = c.before;
    Set("SET2", "C12", c.c12);
    Load();
    EXPECT_EQ(w.twoPass, c.after) << c.c12;
  }
}

TEST_F(SettingsStoreTest, UncheckedThumbnailDisablesTheSecondsField) {
  Set("SET2", "C13", "0");
  Load();
  EXPECT_FALSE(w.thumb);
  EXPECT_FALSE(w.spinEnabled);
  EXPECT_EQ(w.clicks, 1);
}

TEST_F(SettingsStoreTest, OutputFolderCases) {
  struct Case {
    std::optional<std::string> c11;
    std::string want;
  } cases[] = {{std::nullopt, "/prog"},
               {std::string(""), "/prog"},
               {std::string("/home/u/Video/"), "/home/u/Video"},
               {std::string("/home/u/Video"), "/home/u/Video"}};
  for (const auto& c : cases) {
    FakeWindow fresh;
    w = fresh;
    store.values.clear();
    if (c.c11) Set("SET2", "C11", *c.c11);
    Load();
    EXPECT_EQ(w.folder, c.want) << c.c11.value_or("(missing)");
  }
}

TEST_F(SettingsStoreTest, PresentEmptyFolderReplacesTheCurrentOne) {
  // The empty value is the value, not "missing": the current folder goes,
  // then the program folder takes its place.
  w.folder = "/somewhere";
  Set("SET2", "C11", "");
  Load();
  EXPECT_EQ(w.folder, "/prog");
}

TEST_F(SettingsStoreTest, SecondActivationDoesNothing) {
  Load();
  Set("SET", "M_LEFT", "300");
  Set("SET1", "C1", "5");
  store.log.clear();
  Load();
  EXPECT_EQ(w.left, 20);
  EXPECT_EQ(w.fps, 10);
  EXPECT_EQ(w.commandLineTaken, 1);
  EXPECT_EQ(store.opens, 1);
  EXPECT_TRUE(store.log.empty());
}

TEST_F(SettingsStoreTest, FailingPresetStopsTheLoadAndTheNextActivationRetries) {
  Set("SET", "M_LEFT", "100");
  Set("SET1", "C1", "25");
  w.presetFails = true;
  EXPECT_THROW(Load(), EConvertError);
  EXPECT_EQ(w.left, 100);
  EXPECT_EQ(w.fps, 10);  // C1 was not read
  EXPECT_EQ(w.folder, "");
  EXPECT_EQ(w.commandLineTaken, 0);
  EXPECT_EQ(w.tag, 0);
  EXPECT_EQ(store.releases, 1);  // released all the same

  w.presetFails = false;
  Load();
  EXPECT_EQ(w.fps, 25);
  EXPECT_EQ(w.commandLineTaken, 1);
  EXPECT_EQ(w.tag, 1);
}

TEST_F(SettingsStoreTest, SaveWritesTheTwelveKeysInOrderThenReleases) {
  w.left = -5;
  w.top = 300;
  w.preset = 2;
  w.fps = 24;
  w.vkbps = 512;
  w.rate = 0;
  w.akbps = 96;
  w.size = 4;
  w.folder = "/home/u/ビデオ";
  w.twoPass = true;
  w.thumb = false;
  w.second = 0;
  SaveSettings(w, open);
  std::vector<std::string> want = {"write SET/M_LEFT=-5",
                                   "write SET/M_TOP=300",
                                   "write SET1/C0=2",
                                   "write SET1/C1=24",
                                   "write SET1/C2=512",
                                   "write SET1/C3=0",
                                   "write SET1/C4=96",
                                   "write SET1/C5=4",
                                   "write SET2/C11=/home/u/ビデオ",
                                   "write SET2/C12=1",
                                   "write SET2/C13=0",
                                   "write SET2/C14=0",
                                   "release"};
  EXPECT_EQ(store.log, want);
}

TEST_F(SettingsStoreTest, SavedValuesLoadBack) {
  w.left = 123;
  w.preset = 3;
  w.fps = 7;
  w.folder = "/out";
  w.thumb = false;
  SaveSettings(w, open);
  FakeWindow other;
  w = other;
  Load();
  EXPECT_EQ(w.left, 123);
  EXPECT_EQ(w.appliedPreset, 3);
  EXPECT_EQ(w.fps, 7);
  EXPECT_EQ(w.folder, "/out");
  EXPECT_FALSE(w.thumb);
  EXPECT_FALSE(w.spinEnabled);
}

TEST_F(SettingsStoreTest, FailedWriteStopsAtThatKeyWithTheFileInTheMessage) {
  store.failKey = "C2";
  try {
    SaveSettings(w, open);
    FAIL() << "no error";
  } catch (const EFileError& e) {
    EXPECT_EQ(e.Message(), "/prog/Tarnick.ini に書き込めません");
  }
  EXPECT_TRUE(store.values.count({"SET1", "C1"}));
  EXPECT_FALSE(store.values.count({"SET1", "C2"}));
  EXPECT_FALSE(store.values.count({"SET1", "C3"}));
  EXPECT_EQ(store.releases, 1);
}

TEST_F(SettingsStoreTest, FailedFlushIsAFailedSave) {
  store.failRelease = true;
  EXPECT_THROW(SaveSettings(w, open), EFileError);
}

TEST(SettingsFilePath, BesideTheProgram) {
  EXPECT_EQ(SettingsFilePath(PathStyle::Posix, "/opt/tarnick"), "/opt/tarnick/Tarnick.ini");
  EXPECT_EQ(SettingsFilePath(PathStyle::Posix, "/"), "/Tarnick.ini");
  EXPECT_EQ(SettingsFilePath(PathStyle::Windows, "C:\\Tools"), "C:\\Tools\\Tarnick.ini");
  EXPECT_EQ(SettingsFilePath(PathStyle::Windows, "C:\\"), "C:\\Tarnick.ini");
  EXPECT_EQ(SettingsFilePath(PathStyle::Windows, "C:"), "C:Tarnick.ini");
}

}  // namespace
}  // namespace tarnick
