#include "engine/SourceIntake.h"

namespace tarnick {
namespace {

// The text to look up, or empty when the path can name no entry.
std::string EntryPathOf(PathStyle style, std::string_view path) {
  if (style == PathStyle::Windows) {
    if (EndsWithSeparator(style, path)) return std::string();
    return std::string(path);
  }
  // Shell completion leaves "dir/"; the folder is meant. "/" itself stays
  // out: taking the whole file system is never what a drop means.
  std::size_t end = path.size();
  while (end > 0 && path[end - 1] == '/') --end;
  if (end == 0) return std::string();
  return std::string(path.substr(0, end));
}

}  // namespace

void TakeSourcePath(ISourceIntakeHost& host, PathStyle style, std::string_view path) {
  std::string entry = EntryPathOf(style, path);
  EntryKind kind = entry.empty() ? EntryKind::None : host.LookUpEntry(entry);
  if (kind == EntryKind::Folder) {
    host.SearchFolder(entry);
  } else if (kind == EntryKind::File && entry.size() == path.size()) {
    // As given; "a.avi/" names no file, as the system would answer it.
    host.AddSource(std::string(path));
  }
  // Also after a skipped path.
  if (host.SourceCount() > 0) host.ShowSourcesPresent();
}

}  // namespace tarnick
