#include "platform/FileIdentity.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <vector>

namespace tarnick {
namespace {

std::string CurrentFolder() {
  std::vector<char> buf(PATH_MAX);
  while (!::getcwd(buf.data(), buf.size())) {
    if (errno != ERANGE) return "/";
    buf.resize(buf.size() * 2);
  }
  return buf.data();
}

FileKind KindOf(const struct stat& st) {
  if (S_ISREG(st.st_mode)) return FileKind::Regular;
  if (S_ISDIR(st.st_mode)) return FileKind::Folder;
  return FileKind::Other;
}

}  // namespace

std::string NormalisedAbsolutePath(const std::string& path) {
  const std::string full = !path.empty() && path[0] == '/' ? path : CurrentFolder() + "/" + path;
  std::vector<std::string> parts;
  std::size_t pos = 0;
  while (pos <= full.size()) {
    std::size_t end = full.find('/', pos);
    if (end == std::string::npos) end = full.size();
    std::string part = full.substr(pos, end - pos);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    pos = end + 1;
  }
  std::string out;
  for (const auto& p : parts) out += "/" + p;
  return out.empty() ? "/" : out;
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
