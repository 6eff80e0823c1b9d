#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tarnick {

struct DirectoryEntry;

// The description of one directory entry handed to the search events.
struct TSearchFileData {
  std::string LongName;
  std::string ShortName;  // the long name: Linux keeps no 8.3 names
  std::int64_t Size = 0;
  bool CreationTimeValid = false;
  double CreationTime = 0;  // days since 30 Dec 1899, local time
  bool LastWriteTimeValid = false;
  double LastWriteTime = 0;
  bool LastAccessTimeValid = false;
  double LastAccessTime = 0;
  bool IsDirectory = false;
  bool IsReadOnly = false;
  bool IsHidden = false;
  bool IsSystem = false;
  bool IsVolumeID = false;
  bool IsArchive = false;
};

// Fills the data of an entry, converting its times.
TSearchFileData SearchFileDataFrom(const DirectoryEntry& entry);

class TSearchFile;
class TSearchDir;

// The flags are passed by reference; a handler may change them.
using TFindFileEvent = std::function<void(TSearchFile* Sender, const std::string& Name,
                                          const TSearchFileData& Data, bool& Continue)>;
using TFindDirEvent =
    std::function<void(TSearchFile* Sender, const std::string& Name, const TSearchFileData& Data,
                       bool& Skip, bool& IgnoreSubDir)>;
using TSearchDirEvent =
    std::function<void(TSearchDir* Sender, const std::string& Name, const TSearchFileData& Data,
                       bool& IgnoreSubDir, bool& Continue)>;

// Walks the folders below BaseDir breadth first and reports each one,
// BaseDir first. Symbolic links to folders are walked into; each folder
// (by device and inode) is reported and walked once, so no link loops.
class TSearchDir {
 public:
  TSearchDir() = default;
  virtual ~TSearchDir() = default;
  TSearchDir(const TSearchDir&) = delete;
  TSearchDir& operator=(const TSearchDir&) = delete;

  const std::string& BaseDir() const { return FBaseDir; }
  void SetBaseDir(const std::string& value) { FBaseDir = value; }
  const TSearchDirEvent& OnFind() const { return FOnFind; }
  void SetOnFind(TSearchDirEvent value) { FOnFind = std::move(value); }
  bool Busy() const { return FBusy; }

  // True when the walk ran to its end; false when none was started (busy,
  // OnFind unset, BaseDir missing) or a handler stopped it.
  bool Search();

 protected:
  virtual void DoFind(const std::string& Name, const TSearchFileData& Data, bool& IgnoreSubDir,
                      bool& Continue);

 private:
  std::string FBaseDir;
  TSearchDirEvent FOnFind;
  std::vector<std::string> FQueue;
  std::size_t FQueueHead = 0;
  bool FBusy = false;
};

// Reports every entry of Directory (and, when Recursive, of every folder
// below it) whose name matches SearchName, folder by folder in the walk's
// order, each as a full path.
class TSearchFile {
 public:
  TSearchFile();
  virtual ~TSearchFile() = default;
  TSearchFile(const TSearchFile&) = delete;
  TSearchFile& operator=(const TSearchFile&) = delete;

  const std::string& Directory() const { return FDirectory; }
  void SetDirectory(const std::string& value) { FDirectory = value; }
  bool Recursive() const { return FRecursive; }
  void SetRecursive(bool value) { FRecursive = value; }
  // Empty means "*.*".
  const std::string& SearchName() const { return FSearchName; }
  void SetSearchName(const std::string& value) { FSearchName = value; }
  const TFindFileEvent& OnFind() const { return FOnFind; }
  void SetOnFind(TFindFileEvent value) { FOnFind = std::move(value); }
  const TFindDirEvent& OnFindDir() const { return FOnFindDir; }
  void SetOnFindDir(TFindDirEvent value) { FOnFindDir = std::move(value); }
  bool Busy() const { return FBusy; }

  // The folders of the last search, in the order searched.
  const std::vector<std::string>& FolderList() const { return FFolderList; }

  // True when the search ran to its end; false when none was started (busy,
  // OnFind unset) or a handler stopped it.
  bool Search();

  // The walker's event.
  void SearchDirOnFind(TSearchDir* Sender, const std::string& Name, const TSearchFileData& Data,
                       bool& IgnoreSubDir, bool& Continue);

 protected:
  virtual void DoFind(const std::string& Name, const TSearchFileData& Data, bool& Continue);
  virtual void DoFindDir(const std::string& Name, const TSearchFileData& Data, bool& Skip,
                         bool& IgnoreSubDir);

 private:
  std::string FDirectory;
  bool FRecursive = false;
  std::string FSearchName;
  TFindFileEvent FOnFind;
  TFindDirEvent FOnFindDir;
  TSearchDir FSearchDir;
  std::vector<std::string> FFolderList;
  bool FBusy = false;
};

}  // namespace tarnick
