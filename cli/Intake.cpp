#include "cli/Intake.h"

#include "app/Searchfile.h"
#include "engine/SourceIntake.h"
#include "engine/SourceOrder.h"
#include "platform/DirectoryListing.h"

namespace tarnick {
namespace {

class ListHost : public ISourceIntakeHost {
 public:
  EntryKind LookUpEntry(const std::string& path) override {
    auto entry = LookupEntry(path);
    last_ = !entry ? EntryKind::None : entry->IsDirectory ? EntryKind::Folder : EntryKind::File;
    return last_;
  }
  void SearchFolder(const std::string& folder) override {
    TSearchFile search;
    search.SetRecursive(true);
    search.SetDirectory(folder);
    search.SetSearchName("*.*");
    // The search also reports the subfolders themselves; as sources they
    // could only fail, so only what is not a folder goes into the list.
    search.SetOnFind(
        [this](TSearchFile*, const std::string& name, const TSearchFileData& data, bool&) {
          if (!data.IsDirectory) list_.push_back(name);
        });
    search.Search();
  }
  void AddSource(const std::string& path) override { list_.push_back(path); }
  int SourceCount() const override { return static_cast<int>(list_.size()); }
  void ShowSourcesPresent() override {}

  EntryKind Last() const { return last_; }
  void ResetLast() { last_ = EntryKind::None; }
  std::vector<std::string>& List() { return list_; }

 private:
  std::vector<std::string> list_;
  EntryKind last_ = EntryKind::None;
};

}  // namespace

IntakeResult TakePaths(const std::vector<std::string>& paths) {
  ListHost host;
  IntakeResult result;
  for (const std::string& path : paths) {
    host.ResetLast();
    const int before = host.SourceCount();
    TakeSourcePath(host, NativePathStyle, path);
    // "a.avi/" finds the file but names none.
    if (host.Last() == EntryKind::None ||
        (host.Last() == EntryKind::File && host.SourceCount() == before))
      result.Missing.push_back(path);
  }
  result.Sources = std::move(host.List());
  SortSourcePaths(result.Sources);
  return result;
}

}  // namespace tarnick
