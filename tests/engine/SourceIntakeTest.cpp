#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "engine/SourceIntake.h"

namespace tarnick {
namespace {

class FakeHost : public ISourceIntakeHost {
 public:
  std::map<std::string, EntryKind> entries;
  std::map<std::string, std::vector<std::string>> below;
  std::vector<std::string> lookups, searched, sources;
  int shown = 0;

  EntryKind LookUpEntry(const std::string& path) override {
    lookups.push_back(path);
    auto it = entries.find(path);
    return it == entries.end() ? EntryKind::None : it->second;
  }
  void SearchFolder(const std::string& folder) override {
    searched.push_back(folder);
    for (const auto& p : below[folder]) AddSource(p);
  }
  void AddSource(const std::string& path) override { sources.push_back(path); }
  int SourceCount() const override { return static_cast<int>(sources.size()); }
  void ShowSourcesPresent() override { ++shown; }
};

TEST(SourceIntake, FileAddedAsWrittenFolderExpandedMissingSkipped) {
  FakeHost h;
  h.entries = {{"clip.avi", EntryKind::File}, {"/v", EntryKind::Folder}};
  h.below["/v"] = {"/v/a.avi", "/v/sub", "/v/sub/b.avi"};
  TakeSourcePath(h, PathStyle::Posix, "/nowhere.avi");
  EXPECT_EQ(h.shown, 0);
  TakeSourcePath(h, PathStyle::Posix, "clip.avi");
  TakeSourcePath(h, PathStyle::Posix, "/v");
  EXPECT_EQ(h.sources,
            (std::vector<std::string>{"clip.avi", "/v/a.avi", "/v/sub", "/v/sub/b.avi"}));
  EXPECT_EQ(h.shown, 2);
  // A later skipped path still shows the filled state.
  TakeSourcePath(h, PathStyle::Posix, "/gone");
  EXPECT_EQ(h.shown, 3);
}

TEST(SourceIntake, EmptyFolderLeavesTheListEmpty) {
  FakeHost h;
  h.entries = {{"/empty", EntryKind::Folder}};
  TakeSourcePath(h, PathStyle::Posix, "/empty");
  EXPECT_EQ(h.searched, std::vector<std::string>{"/empty"});
  EXPECT_EQ(h.shown, 0);
}

TEST(SourceIntake, TrailingSeparatorRules) {
  struct Case {
    PathStyle style;
    const char* path;
    const char* lookup;  // "" for no lookup
    const char* searched;
    const char* added;
  } cases[] = {
      {PathStyle::Posix, "/v/", "/v", "/v", ""},
      {PathStyle::Posix, "/v//", "/v", "/v", ""},
      {PathStyle::Posix, "/f.avi/", "/f.avi", "", ""},
      {PathStyle::Posix, "/", "", "", ""},
      {PathStyle::Posix, "", "", "", ""},
      {PathStyle::Windows, "C:\\v\\", "", "", ""},
      {PathStyle::Windows, "C:\\", "", "", ""},
      {PathStyle::Windows, "C:\\v", "C:\\v", "C:\\v", ""},
      // The trail byte 0x5C of a double-byte character is no separator.
      {PathStyle::Windows, "C:\\\x95\x5C", "C:\\\x95\x5C", "", "C:\\\x95\x5C"},
  };
  for (const auto& c : cases) {
    FakeHost h;
    h.entries = {{"/v", EntryKind::Folder},
                 {"/f.avi", EntryKind::File},
                 {"C:\\v", EntryKind::Folder},
                 {"C:\\v\\", EntryKind::Folder},
                 {"C:\\\x95\x5C", EntryKind::File}};
    TakeSourcePath(h, c.style, c.path);
    std::vector<std::string> none;
    auto one = [](const char* s) {
      return *s ? std::vector<std::string>{s} : std::vector<std::string>{};
    };
    EXPECT_EQ(h.lookups, one(c.lookup)) << c.path;
    EXPECT_EQ(h.searched, one(c.searched)) << c.path;
    EXPECT_EQ(h.sources, one(c.added)) << c.path;
  }
}

}  // namespace
}  // namespace tarnick
