#include "app/Searchfile.h"

#include "engine/PathStyle.h"
#include "platform/DirectoryListing.h"
#include "platform/FileIdentity.h"

#include <cstdint>
#include <set>
#include <utility>

namespace tarnick {

namespace {

// Clears a busy flag however the search ends, so that a handler's error
// leaves the object usable.
class BusyGuard {
 public:
  explicit BusyGuard(bool& flag) : FFlag(flag) { FFlag = true; }
  ~BusyGuard() { FFlag = false; }
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;

 private:
  bool& FFlag;
};

std::string WithSeparator(std::string folder) {
  if (!EndsWithSeparator(NativePathStyle, folder)) folder += PathSeparator(NativePathStyle);
  return folder;
}

bool IsDotEntry(const std::string& name) {
  return name == "." || name == "..";
}

}  // namespace

TSearchFileData SearchFileDataFrom(const DirectoryEntry& entry) {
  TSearchFileData d;
  d.LongName = entry.Name;
  d.ShortName = entry.Name;
  d.Size = entry.Size;
  auto convert = [](const std::optional<std::int64_t>& fileTime, bool& valid, double& value) {
    std::optional<double> v;
    if (fileTime) v = FileTimeToDateTime(*fileTime);
    valid = v.has_value();
    value = v.value_or(0);
  };
  convert(entry.CreationTime, d.CreationTimeValid, d.CreationTime);
  convert(entry.LastWriteTime, d.LastWriteTimeValid, d.LastWriteTime);
  convert(entry.LastAccessTime, d.LastAccessTimeValid, d.LastAccessTime);
  d.IsDirectory = entry.IsDirectory;
  d.IsReadOnly = entry.IsReadOnly;
  d.IsHidden = entry.IsHidden;
  d.IsSystem = entry.IsSystem;
  d.IsVolumeID = false;
  d.IsArchive = entry.IsArchive;
  return d;
}

// ---------------------------------------------------------------- TSearchDir

void TSearchDir::DoFind(const std::string& Name, const TSearchFileData& Data, bool& IgnoreSubDir,
                        bool& Continue) {
  if (FOnFind) FOnFind(this, Name, Data, IgnoreSubDir, Continue);
}

bool TSearchDir::Search() {
  if (FBusy || !FOnFind) return false;
  std::string root = AbsolutePath(FBaseDir);
  if (!PathExists(root)) return false;

  BusyGuard busy(FBusy);
  FQueue.clear();
  FQueueHead = 0;
  bool Continue = true;
  bool IgnoreSubDir = false;

  // A root, or a path given with a trailing separator, names no entry.
  TSearchFileData rootData;
  if (auto e = LookupEntry(root)) rootData = SearchFileDataFrom(*e);
  DoFind(root, rootData, IgnoreSubDir, Continue);
  if (!Continue) return false;
  if (!IgnoreSubDir) FQueue.push_back(root);

  // Every folder is walked once, however many links lead to it: a link to
  // ".", to "..", or back up the tree ends there instead of looping.
  std::set<std::pair<std::uint64_t, std::uint64_t>> walked;
  FileIdentity rootId = IdentifyFile(root);
  if (rootId.Exists()) walked.emplace(rootId.Device, rootId.Inode);

  while (FQueueHead < FQueue.size()) {
    std::string folder = WithSeparator(FQueue[FQueueHead++]);
    std::vector<DirectoryEntry> subfolders = ListSubfolders(folder);
    // A folder's own subfolders come before links to them, so a link to a
    // sibling does not take the sibling's place.
    std::vector<bool> fresh(subfolders.size());
    for (std::size_t i = 0; i < subfolders.size(); ++i)
      if (!subfolders[i].IsSymbolicLink)
        fresh[i] = walked.emplace(subfolders[i].Device, subfolders[i].Inode).second;
    for (std::size_t i = 0; i < subfolders.size(); ++i) {
      const DirectoryEntry& e = subfolders[i];
      if (e.IsSymbolicLink) fresh[i] = walked.emplace(e.Device, e.Inode).second;
      if (!fresh[i]) continue;
      IgnoreSubDir = false;
      std::string path = folder + e.Name;
      DoFind(path, SearchFileDataFrom(e), IgnoreSubDir, Continue);
      if (!Continue) return false;
      if (!IgnoreSubDir) FQueue.push_back(std::move(path));
    }
  }
  return true;
}

// --------------------------------------------------------------- TSearchFile

TSearchFile::TSearchFile() {
  FSearchDir.SetOnFind([this](TSearchDir* Sender, const std::string& Name,
                              const TSearchFileData& Data, bool& IgnoreSubDir, bool& Continue) {
    SearchDirOnFind(Sender, Name, Data, IgnoreSubDir, Continue);
  });
}

void TSearchFile::DoFind(const std::string& Name, const TSearchFileData& Data, bool& Continue) {
  if (FOnFind) FOnFind(this, Name, Data, Continue);
}

void TSearchFile::DoFindDir(const std::string& Name, const TSearchFileData& Data, bool& Skip,
                            bool& IgnoreSubDir) {
  if (FOnFindDir) FOnFindDir(this, Name, Data, Skip, IgnoreSubDir);
}

void TSearchFile::SearchDirOnFind(TSearchDir* /*Sender*/, const std::string& Name,
                                  const TSearchFileData& Data, bool& IgnoreSubDir,
                                  bool& /*Continue*/) {
  bool Skip = false;
  DoFindDir(Name, Data, Skip, IgnoreSubDir);
  if (!Skip) FFolderList.push_back(Name);
}

bool TSearchFile::Search() {
  if (FBusy || !FOnFind) return false;
  BusyGuard busy(FBusy);
  FFolderList.clear();

  if (FRecursive) {
    FSearchDir.SetBaseDir(FDirectory);
    FSearchDir.Search();
  } else {
    FFolderList.push_back(AbsolutePath(FDirectory));
  }

  const std::string pattern = FSearchName.empty() ? std::string("*.*") : FSearchName;
  bool Continue = true;
  const std::size_t count = FFolderList.size();
  for (std::size_t i = 0; i < count; ++i) {
    // An empty folder text would otherwise list the root.
    if (FFolderList[i].empty()) continue;
    std::string folder = WithSeparator(FFolderList[i]);
    for (const DirectoryEntry& e : ListDirectory(folder, pattern)) {
      if (!IsDotEntry(e.Name)) DoFind(folder + e.Name, SearchFileDataFrom(e), Continue);
      if (!Continue) return false;
    }
  }
  return true;
}

}  // namespace tarnick
