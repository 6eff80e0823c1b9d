#include "app/Searchfile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "support/RunUnprivileged.h"

namespace fs = std::filesystem;

namespace tarnick {
namespace {

class SearchTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "tarnick-search-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    Root = tmpl;
    chmod(Root.c_str(), 0755);
  }
  void TearDown() override {
    // Give everything back its permissions so it can be removed.
    for (auto it =
             fs::recursive_directory_iterator(Root, fs::directory_options::skip_permission_denied);
         it != fs::recursive_directory_iterator(); ++it)
      if (!it->is_symlink()) chmod(it->path().c_str(), 0755);
    std::error_code ec;
    fs::permissions(Root, fs::perms::owner_all, ec);
    fs::remove_all(Root, ec);
  }

  std::string P(const std::string& rel) const { return Root + "/" + rel; }
  void Dir(const std::string& rel) { fs::create_directories(P(rel)); }
  void File(const std::string& rel, const std::string& content = "x") {
    std::ofstream(P(rel), std::ios::binary) << content;
  }
  // Top, First (with Inner), Second, each holding one file.
  void MakeTopTree() {
    Dir("Top/First/Inner");
    Dir("Top/Second");
    File("Top/a.txt");
    File("Top/First/f.txt");
    File("Top/First/Inner/i.txt");
    File("Top/Second/s.txt");
  }

  std::string Root;
};

// Records every event of a recursive search.
struct Recorder {
  std::vector<std::string> Found;
  std::vector<std::string> Dirs;
  std::vector<TSearchFileData> FoundData;
  std::vector<TSearchFileData> DirData;

  void Attach(TSearchFile& s, bool withDirEvent = true) {
    s.SetOnFind([this](TSearchFile*, const std::string& name, const TSearchFileData& d, bool&) {
      Found.push_back(name);
      FoundData.push_back(d);
    });
    if (withDirEvent)
      s.SetOnFindDir(
          [this](TSearchFile*, const std::string& name, const TSearchFileData& d, bool&, bool&) {
            Dirs.push_back(name);
            DirData.push_back(d);
          });
  }
};

TEST_F(SearchTest, WalksBreadthFirstAndReportsFolderByFolder) {
  MakeTopTree();
  TSearchFile s;
  s.SetRecursive(true);
  s.SetDirectory(P("Top"));
  s.SetSearchName("*.*");
  Recorder r;
  r.Attach(s);
  EXPECT_TRUE(s.Search());
  const std::string t = P("Top");
  EXPECT_EQ(r.Dirs, (std::vector<std::string>{t, t + "/First", t + "/Second", t + "/First/Inner"}));
  EXPECT_EQ(s.FolderList(), r.Dirs);
  EXPECT_EQ(r.Found, (std::vector<std::string>{t + "/First", t + "/Second", t + "/a.txt",  // Top
                                               t + "/First/Inner", t + "/First/f.txt",     // First
                                               t + "/Second/s.txt",                        // Second
                                               t + "/First/Inner/i.txt"}));                // Inner
  EXPECT_TRUE(r.FoundData[0].IsDirectory);
  EXPECT_FALSE(r.FoundData[2].IsDirectory);
  EXPECT_EQ(r.FoundData[2].LongName, "a.txt");
  EXPECT_EQ(r.FoundData[2].ShortName, "a.txt");
  EXPECT_EQ(r.DirData[0].LongName, "Top");
  EXPECT_TRUE(r.DirData[0].IsDirectory);
}

TEST_F(SearchTest, StopOnTheThirdEntry) {
  MakeTopTree();
  TSearchFile s;
  s.SetRecursive(true);
  s.SetDirectory(P("Top"));
  int calls = 0;
  s.SetOnFind([&](TSearchFile* sender, const std::string&, const TSearchFileData&, bool& go) {
    EXPECT_EQ(sender, &s);
    if (++calls == 3) go = false;
  });
  EXPECT_FALSE(s.Search());
  EXPECT_EQ(calls, 3);
  EXPECT_FALSE(s.Busy());
}

TEST_F(SearchTest, SkipAndIgnoreSubDir) {
  MakeTopTree();
  const std::string first = P("Top/First");
  struct Case {
    bool skip, ignore;
    bool firstListed, innerWalked;
  };
  for (const Case& c : {Case{true, false, false, true}, Case{false, true, true, false}}) {
    TSearchFile s;
    s.SetRecursive(true);
    s.SetDirectory(P("Top"));
    Recorder r;
    r.Attach(s, false);
    s.SetOnFindDir([&](TSearchFile*, const std::string& name, const TSearchFileData&, bool& skip,
                       bool& ignore) {
      r.Dirs.push_back(name);
      EXPECT_FALSE(skip);
      EXPECT_FALSE(ignore);
      if (name == first) {
        skip = c.skip;
        ignore = c.ignore;
      }
    });
    EXPECT_TRUE(s.Search());
    auto has = [&](const std::string& path) {
      return std::find(r.Found.begin(), r.Found.end(), path) != r.Found.end();
    };
    SCOPED_TRACE(c.skip ? "Skip" : "IgnoreSubDir");
    EXPECT_EQ(has(first + "/f.txt"), c.firstListed);
    EXPECT_EQ(has(first + "/Inner/i.txt"), c.innerWalked);
    EXPECT_EQ(std::count(r.Dirs.begin(), r.Dirs.end(), first + "/Inner"), c.innerWalked ? 1 : 0);
    EXPECT_TRUE(has(P("Top/Second/s.txt")));
  }
}

TEST_F(SearchTest, WithoutOnFindNothingRuns) {
  MakeTopTree();
  TSearchFile s;
  s.SetRecursive(true);
  s.SetDirectory(P("Top"));
  int dirCalls = 0;
  s.SetOnFindDir(
      [&](TSearchFile*, const std::string&, const TSearchFileData&, bool&, bool&) { ++dirCalls; });
  EXPECT_FALSE(s.Search());
  EXPECT_EQ(dirCalls, 0);
}

TEST_F(SearchTest, EmptyFolderReportsOnlyItself) {
  Dir("Empty");
  TSearchFile s;
  s.SetRecursive(true);
  s.SetDirectory(P("Empty"));
  Recorder r;
  r.Attach(s);
  EXPECT_TRUE(s.Search());
  EXPECT_EQ(r.Dirs, std::vector<std::string>{P("Empty")});
  EXPECT_TRUE(r.Found.empty());
}

TEST_F(SearchTest, TrailingSeparatorGivesTheSamePaths) {
  MakeTopTree();
  Recorder plain, trailing;
  for (auto [dir, rec] : {std::pair{P("Top"), &plain}, std::pair{P("Top") + "/", &trailing}}) {
    TSearchFile s;
    s.SetRecursive(true);
    s.SetDirectory(dir);
    rec->Attach(s);
    EXPECT_TRUE(s.Search());
  }
  EXPECT_EQ(plain.Found, trailing.Found);
  for (const auto& name : trailing.Found) EXPECT_EQ(name.find("//"), std::string::npos) << name;
  // The start folder is reported as given, with the data of no entry.
  ASSERT_FALSE(trailing.Dirs.empty());
  EXPECT_EQ(trailing.Dirs[0], P("Top") + "/");
  EXPECT_EQ(trailing.DirData[0].LongName, "");
  EXPECT_FALSE(trailing.DirData[0].IsDirectory);
  EXPECT_FALSE(trailing.DirData[0].LastWriteTimeValid);
  EXPECT_EQ(std::vector<std::string>(plain.Dirs.begin() + 1, plain.Dirs.end()),
            std::vector<std::string>(trailing.Dirs.begin() + 1, trailing.Dirs.end()));
}

TEST_F(SearchTest, HiddenEntriesAreReported) {
  Dir("Top/.cache");
  File("Top/.hidden");
  File("Top/.cache/inside");
  TSearchFile s;
  s.SetRecursive(true);
  s.SetDirectory(P("Top"));
  Recorder r;
  r.Attach(s);
  EXPECT_TRUE(s.Search());
  EXPECT_EQ(r.Found,
            (std::vector<std::string>{P("Top/.cache"), P("Top/.hidden"), P("Top/.cache/inside")}));
  EXPECT_TRUE(r.FoundData[0].IsHidden);
  EXPECT_TRUE(r.FoundData[1].IsHidden);
  EXPECT_FALSE(r.FoundData[2].IsHidden);
}

TEST_F(SearchTest, UnreadableFolderGivesNothingAndTheRestGoesOn) {
  MakeTopTree();
  File("Top/First/secret.txt");
  chmod(P("Top/First").c_str(), 0);
  std::string result = test::RunUnprivileged([&]() -> std::string {
    TSearchFile s;
    s.SetRecursive(true);
    s.SetDirectory(P("Top"));
    Recorder r;
    r.Attach(s);
    if (!s.Search()) return "search stopped";
    std::string out;
    for (const auto& n : r.Found) out += n.substr(Root.size()) + ";";
    return out;
  });
  // First is an entry of Top; nothing from inside it is reachable.
  EXPECT_EQ(result, "/Top/First;/Top/Second;/Top/a.txt;/Top/Second/s.txt;");
}

TEST_F(SearchTest, MissingStartFolder) {
  TSearchFile s;
  s.SetRecursive(true);
  s.SetDirectory(P("nowhere"));
  Recorder r;
  r.Attach(s);
  EXPECT_TRUE(s.Search());
  EXPECT_TRUE(r.Found.empty());
  EXPECT_TRUE(r.Dirs.empty());

  TSearchDir walker;
  int calls = 0;
  walker.SetOnFind(
      [&](TSearchDir*, const std::string&, const TSearchFileData&, bool&, bool&) { ++calls; });
  walker.SetBaseDir(P("nowhere"));
  EXPECT_FALSE(walker.Search());
  EXPECT_EQ(calls, 0);
}

TEST_F(SearchTest, WalkerStopsWhenAHandlerSaysSo) {
  MakeTopTree();
  TSearchDir walker;
  std::vector<std::string> seen;
  walker.SetBaseDir(P("Top"));
  walker.SetOnFind(
      [&](TSearchDir* sender, const std::string& name, const TSearchFileData&, bool&, bool& go) {
        EXPECT_EQ(sender, &walker);
        seen.push_back(name);
        if (seen.size() == 2) go = false;
      });
  EXPECT_FALSE(walker.Search());
  EXPECT_EQ(seen, (std::vector<std::string>{P("Top"), P("Top/First")}));
  EXPECT_FALSE(walker.Busy());
}

TEST_F(SearchTest, SearchInsideItsOwnEventIsRefused) {
  MakeTopTree();
  TSearchFile s;
  s.SetDirectory(P("Top"));
  int calls = 0;
  bool inner = true;
  s.SetOnFind([&](TSearchFile* sender, const std::string&, const TSearchFileData&, bool&) {
    ++calls;
    EXPECT_TRUE(sender->Busy());
    inner = sender->Search();
  });
  EXPECT_TRUE(s.Search());
  EXPECT_EQ(calls, 3);
  EXPECT_FALSE(inner);
}

TEST_F(SearchTest, HandlerErrorPassesOutAndLeavesTheObjectUsable) {
  MakeTopTree();
  TSearchFile s;
  s.SetRecursive(true);
  s.SetDirectory(P("Top"));
  bool fail = true;
  int calls = 0;
  s.SetOnFind([&](TSearchFile*, const std::string&, const TSearchFileData&, bool&) {
    ++calls;
    if (fail) throw std::runtime_error("boom");
  });
  EXPECT_THROW(s.Search(), std::runtime_error);
  EXPECT_FALSE(s.Busy());
  fail = false;
  calls = 0;
  EXPECT_TRUE(s.Search());
  EXPECT_EQ(calls, 7);
}

TEST_F(SearchTest, LinksToFoldersAreWalkedOnceAndNeverLoop) {
  struct Case {
    const char* name;
    const char* target;  // of Top/First/L
    bool walked;         // L's files are found below L
    bool folder;         // L is reported as a folder
  } cases[] = {
      {"folder beside the searched one", "../../Outside", true, true},
      {"sibling folder inside", "../Second", false, true},  // walked as Second already
      {"the folder itself", ".", false, true},
      {"the parent", "..", false, true},
      {"dangling", "gone", false, false},
      {"file", "../a.txt", false, false},
  };
  MakeTopTree();
  Dir("Outside");
  File("Outside/o.txt");
  const std::string t = P("Top");
  const std::string link = P("Top/First/L");
  for (const Case& c : cases) {
    fs::remove(link);
    ASSERT_EQ(symlink(c.target, link.c_str()), 0) << c.name;
    TSearchFile s;
    s.SetRecursive(true);
    s.SetDirectory(t);
    Recorder r;
    r.Attach(s);
    EXPECT_TRUE(s.Search()) << c.name;
    std::vector<std::string> dirs{t, t + "/First", t + "/Second", t + "/First/Inner"};
    if (c.walked) dirs.push_back(link);
    EXPECT_EQ(r.Dirs, dirs) << c.name;
    auto it = std::find(r.Found.begin(), r.Found.end(), link);
    ASSERT_NE(it, r.Found.end()) << c.name;
    EXPECT_EQ(r.FoundData[it - r.Found.begin()].IsDirectory, c.folder) << c.name;
    const auto below = std::count_if(r.Found.begin(), r.Found.end(), [&](const std::string& f) {
      return f.rfind(link + "/", 0) == 0;
    });
    EXPECT_EQ(below, c.walked ? 1 : 0) << c.name;
    if (c.walked) {
      EXPECT_NE(std::find(r.Found.begin(), r.Found.end(), link + "/o.txt"), r.Found.end());
    }
    EXPECT_EQ(r.Found.size(), c.walked ? 9u : 8u) << c.name;
  }
}

TEST_F(SearchTest, LinkBackUpFromALinkedFolderEndsTheWalk) {
  MakeTopTree();
  Dir("Outside");
  File("Outside/o.txt");
  ASSERT_EQ(symlink("../Outside", P("Top/out").c_str()), 0);
  ASSERT_EQ(symlink("../Top", P("Outside/back").c_str()), 0);
  TSearchFile s;
  s.SetRecursive(true);
  s.SetDirectory(P("Top"));
  Recorder r;
  r.Attach(s);
  EXPECT_TRUE(s.Search());
  const std::string t = P("Top");
  EXPECT_EQ(r.Dirs, (std::vector<std::string>{t, t + "/First", t + "/Second", t + "/out",
                                              t + "/First/Inner"}));
}

TEST_F(SearchTest, NotRecursiveListsOneFolderWithThePattern) {
  MakeTopTree();
  File("Top/B.TXT");
  File("Top/c.avi");
  TSearchFile s;
  s.SetDirectory(P("Top"));
  s.SetSearchName("*.txt");
  Recorder r;
  r.Attach(s);
  EXPECT_TRUE(s.Search());
  EXPECT_EQ(r.Found, (std::vector<std::string>{P("Top/B.TXT"), P("Top/a.txt")}));
  EXPECT_TRUE(r.Dirs.empty());

  // A relative folder is taken against the current one.
  fs::path old = fs::current_path();
  fs::current_path(Root);
  s.SetDirectory("Top/Second");
  s.SetSearchName("");
  r.Found.clear();
  EXPECT_TRUE(s.Search());
  fs::current_path(old);
  EXPECT_EQ(r.Found, std::vector<std::string>{P("Top/Second/s.txt")});
}

TEST_F(SearchTest, EntryData) {
  Dir("Top");
  File("Top/five.bin", "12345");
  File("Top/old.bin");
  chmod(P("Top/five.bin").c_str(), 0444);
  // 15 Jun 2020 10:20:31 local: the DOS step keeps 10:20:30.
  std::tm tm{};
  tm.tm_year = 120;
  tm.tm_mon = 5;
  tm.tm_mday = 15;
  tm.tm_hour = 10;
  tm.tm_min = 20;
  tm.tm_sec = 31;
  tm.tm_isdst = -1;
  timespec times[2] = {{mktime(&tm), 0}, {mktime(&tm), 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, P("Top/five.bin").c_str(), times, 0), 0);
  // Before 1980 no DOS date exists.
  timespec early[2] = {{86400 * 365, 0}, {86400 * 365, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, P("Top/old.bin").c_str(), early, 0), 0);

  TSearchFile s;
  s.SetDirectory(P("Top"));
  Recorder r;
  r.Attach(s);
  ASSERT_TRUE(s.Search());
  ASSERT_EQ(r.FoundData.size(), 2u);
  const TSearchFileData& five = r.FoundData[0];
  EXPECT_EQ(five.LongName, "five.bin");
  EXPECT_EQ(five.Size, 5);
  EXPECT_TRUE(five.IsReadOnly);
  EXPECT_TRUE(five.IsArchive);
  EXPECT_FALSE(five.IsSystem);
  EXPECT_FALSE(five.IsVolumeID);
  EXPECT_FALSE(five.IsHidden);
  ASSERT_TRUE(five.LastWriteTimeValid);
  EXPECT_NEAR(five.LastWriteTime, 43997 + (10 * 3600 + 20 * 60 + 30) / 86400.0, 1e-9);
  EXPECT_TRUE(five.LastAccessTimeValid);
  const TSearchFileData& old = r.FoundData[1];
  EXPECT_FALSE(old.IsReadOnly);
  EXPECT_FALSE(old.LastWriteTimeValid);
  EXPECT_FALSE(old.LastAccessTimeValid);
}

}  // namespace
}  // namespace tarnick
