#include "platform/FileIdentity.h"

#include "platform/DirectoryListing.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <vector>

namespace tarnick {
namespace {

FileKind KindOf(const struct stat& st) {
  if (S_ISREG(st.st_mode)) return FileKind::Regular;
  if (S_ISDIR(st.st_mode)) return FileKind::Folder;
  return FileKind::Other;
}

}  // namespace

std::string NormalisedAbsolutePath(const std::string& path) {
  // The listing's rule, without the trailing "/" that names a folder.
  std::string out = AbsolutePath(path.empty() ? "." : path);
  if (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

FileIdentity IdentifyFile(const std::string& path) {
  FileIdentity id;
  if (path.empty()) return id;
  id.Path = NormalisedAbsolutePath(path);
  struct stat st {};
  // A spelling the kernel cannot follow ("x/.." with no x) still names the
  // file its normalised form names: that is what an absolute path given
  // to the encoder would reach.
  if (::stat(path.c_str(), &st) == 0 || ::stat(id.Path.c_str(), &st) == 0) {
    id.Kind = KindOf(st);
    id.Device = static_cast<std::uint64_t>(st.st_dev);
    id.Inode = static_cast<std::uint64_t>(st.st_ino);
    return id;
  }
  // Not there yet: its folder, where that exists, is named by its real path,
  // so a folder reached through a link gives the same name.
  const std::size_t slash = id.Path.rfind('/');
  const std::string folder = slash == 0 ? "/" : id.Path.substr(0, slash);
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(folder.c_str(), nullptr), &std::free);
  if (real && id.Path != "/") {
    std::string r = real.get();
    id.Path = (r == "/" ? "" : r) + id.Path.substr(slash);
  }
  return id;
}

}  // namespace tarnick
