#include "platform/DirectoryListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <memory>

namespace tarnick {

namespace {

unsigned char FoldAscii(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
}

// Length of the UTF-8 character starting at `pos` (1 for a stray byte), so
// that "?" stands for a whole character.
std::size_t CharLength(std::string_view s, std::size_t pos) {
  unsigned char c = static_cast<unsigned char>(s[pos]);
  std::size_t n = 1;
  if (c >= 0xF0 && c <= 0xF4)
    n = 4;
  else if (c >= 0xE0)
    n = (c <= 0xEF) ? 3 : 1;
  else if (c >= 0xC2)
    n = 2;
  if (pos + n > s.size()) return 1;
  for (std::size_t i = 1; i < n; ++i)
    if ((static_cast<unsigned char>(s[pos + i]) & 0xC0) != 0x80) return 1;
  return n;
}

DirectoryEntry EntryFromStat(std::string name, const struct statx& st, bool isLink) {
  DirectoryEntry e;
  e.IsHidden = !name.empty() && name[0] == '.';
  e.Name = std::move(name);
  e.IsSymbolicLink = isLink;
  e.IsDirectory = S_ISDIR(st.stx_mode);
  e.IsArchive = S_ISREG(st.stx_mode);
  e.IsReadOnly = (st.stx_mode & S_IWUSR) == 0;
  e.Device = makedev(st.stx_dev_major, st.stx_dev_minor);
  e.Inode = st.stx_ino;
  e.Size = e.IsDirectory ? 0 : static_cast<std::int64_t>(st.stx_size);
  if (st.stx_mask & STATX_BTIME) e.CreationTime = st.stx_btime.tv_sec;
  if (st.stx_mask & STATX_MTIME) e.LastWriteTime = st.stx_mtime.tv_sec;
  if (st.stx_mask & STATX_ATIME) e.LastAccessTime = st.stx_atime.tv_sec;
  return e;
}

constexpr unsigned StatMask = STATX_BASIC_STATS | STATX_BTIME;

// Describes `path` (relative to `dirfd`): what a link points at, or the
// link itself when it dangles.
std::optional<DirectoryEntry> Describe(int dirfd, const std::string& path, std::string name) {
  struct statx self {};
  if (statx(dirfd, path.c_str(), AT_SYMLINK_NOFOLLOW | AT_STATX_SYNC_AS_STAT, StatMask, &self) != 0)
    return std::nullopt;
  if (!S_ISLNK(self.stx_mode)) return EntryFromStat(std::move(name), self, false);
  struct statx target {};
  if (statx(dirfd, path.c_str(), AT_STATX_SYNC_AS_STAT, StatMask, &target) == 0)
    return EntryFromStat(std::move(name), target, true);
  return EntryFromStat(std::move(name), self, true);
}

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};

}  // namespace

bool MatchesPattern(std::string_view name, std::string_view pattern) {
  if (pattern == "*.*" || pattern == "*") return true;
  // Greedy glob with one back-track point per "*".
  std::size_t n = 0, p = 0;
  std::size_t starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
      continue;
    }
    if (p < pattern.size() && pattern[p] == '?') {
      n += CharLength(name, n);
      ++p;
      continue;
    }
    if (p < pattern.size() && FoldAscii(static_cast<unsigned char>(pattern[p])) ==
                                  FoldAscii(static_cast<unsigned char>(name[n]))) {
      ++n;
      ++p;
      continue;
    }
    if (starP == std::string_view::npos) return false;
    p = starP + 1;
    starN += CharLength(name, starN);
    n = starN;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

namespace {

std::vector<DirectoryEntry> List(const std::string& folder, std::string_view pattern,
                                 bool foldersOnly) {
  std::vector<DirectoryEntry> out;
  if (folder.empty()) return out;
  std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
  if (!dir) return out;
  int fd = dirfd(dir.get());
  while (dirent* d = readdir(dir.get())) {
    std::string name = d->d_name;
    bool dots = name == "." || name == "..";
    if (foldersOnly &&
        (dots || (d->d_type != DT_DIR && d->d_type != DT_LNK && d->d_type != DT_UNKNOWN)))
      continue;
    if (!MatchesPattern(name, pattern)) continue;
    if (dots) {
      DirectoryEntry e;
      e.Name = name;
      e.IsDirectory = true;
      e.IsHidden = true;
      out.push_back(std::move(e));
      continue;
    }
    // An entry removed between the read and the look-up is simply left out.
    auto e = Describe(fd, name, name);
    if (e && (!foldersOnly || e->IsDirectory)) out.push_back(std::move(*e));
  }
  std::sort(out.begin(), out.end(),
            [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.Name < b.Name; });
  return out;
}

}  // namespace

std::vector<DirectoryEntry> ListDirectory(const std::string& folder, std::string_view pattern) {
  return List(folder, pattern, false);
}

std::vector<DirectoryEntry> ListSubfolders(const std::string& folder) {
  return List(folder, "*.*", true);
}

std::optional<DirectoryEntry> LookupEntry(const std::string& path) {
  if (path.empty() || path.back() == '/') return std::nullopt;
  auto slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return Describe(AT_FDCWD, path, name);
}

bool PathExists(const std::string& path) {
  if (path.empty()) return false;
  struct stat st {};
  return stat(path.c_str(), &st) == 0 || lstat(path.c_str(), &st) == 0;
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty()) return path;
  std::string full;
  if (path[0] == '/') {
    full = path;
  } else {
    std::string cwd;
    std::size_t size = 256;
    for (;;) {
      cwd.resize(size);
      if (getcwd(cwd.data(), size)) break;
      if (errno != ERANGE) return path;
      size *= 2;
    }
    cwd.resize(cwd.find('\0'));
    full = cwd + "/" + path;
  }
  bool trailing = full.size() > 1 && full.back() == '/';
  std::vector<std::string> parts;
  std::size_t i = 0;
  while (i < full.size()) {
    std::size_t j = full.find('/', i);
    if (j == std::string::npos) j = full.size();
    std::string part = full.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    i = j + 1;
  }
  std::string out;
  for (const auto& p : parts) out += "/" + p;
  if (out.empty()) return "/";
  if (trailing) out += '/';
  return out;
}

std::optional<DosDateTime> ToDosDateTime(int year, int month, int day, int hour, int minute,
                                         int second) {
  if (year < 1980 || year > 2107) return std::nullopt;
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 ||
      minute > 59 || second < 0 || second > 60)
    return std::nullopt;
  if (second == 60) second = 59;  // a leap second
  DosDateTime d;
  d.Date = static_cast<std::uint16_t>(((year - 1980) << 9) | (month << 5) | day);
  d.Time = static_cast<std::uint16_t>((hour << 11) | (minute << 5) | (second / 2));
  return d;
}

std::optional<double> DosDateTimeToDateTime(DosDateTime dos) {
  using namespace std::chrono;
  int yearNumber = 1980 + (dos.Date >> 9);
  unsigned monthNumber = (dos.Date >> 5) & 0x0F;
  unsigned dayNumber = dos.Date & 0x1F;
  int hour = dos.Time >> 11;
  int minute = (dos.Time >> 5) & 0x3F;
  int second = (dos.Time & 0x1F) * 2;
  year_month_day ymd{year{yearNumber}, month{monthNumber}, day{dayNumber}};
  if (!ymd.ok() || hour > 23 || minute > 59 || second > 59) return std::nullopt;
  constexpr year_month_day epoch{year{1899}, month{12}, day{30}};
  double days = static_cast<double>((sys_days(ymd) - sys_days(epoch)).count());
  return days + (hour * 3600 + minute * 60 + second) / 86400.0;
}

std::optional<double> FileTimeToDateTime(std::int64_t unixSeconds) {
  std::time_t t = static_cast<std::time_t>(unixSeconds);
  std::tm local{};
  if (!localtime_r(&t, &local)) return std::nullopt;
  auto dos = ToDosDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                           local.tm_min, local.tm_sec);
  if (!dos) return std::nullopt;
  return DosDateTimeToDateTime(*dos);
}

}  // namespace tarnick
