#include "platform/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "engine/Exception.h"
#include "engine/NumberText.h"
#include "platform/DirectoryListing.h"
#include "platform/TextCodec.h"
#include "platform/TextFile.h"

namespace tarnick {

namespace {

constexpr std::string_view Bom = "\xEF\xBB\xBF";
constexpr std::string_view NewLineEnd = "\r\n";
const char* const CannotWriteMessage = "%s に書き込めません";

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x -= 'a' - 'A';
    if (y >= 'a' && y <= 'z') y -= 'a' - 'A';
    if (x != y) return false;
  }
  return true;
}

// "[name]" (blanks allowed around and inside the brackets).
bool SectionOf(std::string_view line, std::string_view& name) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return false;
  line.remove_prefix(1);
  auto close = line.find(']');
  name = Trim(close == std::string_view::npos ? line : line.substr(0, close));
  return true;
}

bool IsComment(std::string_view trimmed) {
  return !trimmed.empty() && (trimmed.front() == ';' || trimmed.front() == '#');
}

// "key = value": the key and the raw value, both trimmed.
bool KeyOf(std::string_view line, std::string_view& key, std::string_view& value) {
  std::string_view t = Trim(line);
  if (t.empty() || IsComment(t) || t.front() == '[') return false;
  auto eq = t.find('=');
  if (eq == std::string_view::npos) return false;
  key = Trim(t.substr(0, eq));
  value = Trim(t.substr(eq + 1));
  return true;
}

std::string Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return std::string(value);
}

// Quotes a value whose own blanks or quotes the reading would take off, so
// that every value reads back as written.
std::string QuoteIfNeeded(std::string_view value) {
  if (value.empty()) return std::string();
  bool needs = IsBlank(value.front()) || IsBlank(value.back()) ||
               (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                value.back() == value.front());
  if (!needs) return std::string(value);
  std::string out = "\"";
  out += value;
  out += '"';
  return out;
}

bool HasLineBreak(std::string_view s) {
  return s.find_first_of("\r\n") != std::string_view::npos;
}

bool ValidSectionName(std::string_view s) {
  return !s.empty() && !HasLineBreak(s) && s.find(']') == std::string_view::npos &&
         Trim(s).size() == s.size();
}

bool ValidKeyName(std::string_view s) {
  return !s.empty() && !HasLineBreak(s) && s.find('=') == std::string_view::npos &&
         Trim(s).size() == s.size() && s.front() != '[' && !IsComment(s);
}

// The file's bytes: nullopt when it exists and cannot be read (or is no
// regular file of at most MaxSettingsFileBytes), the empty text when it does
// not exist.
std::optional<std::string> ReadBytes(const std::string& path, bool& exists) {
  std::string bytes;
  FileReadResult result = ReadRegularFile(path, MaxSettingsFileBytes, bytes);
  exists = result != FileReadResult::Missing;
  if (result == FileReadResult::Refused) return std::nullopt;
  return bytes;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Read-only is what the user set with the mode bits: root may write any
// file, yet a settings file of mode 0444 is meant to stay as it is.
bool IsReadOnly(const std::string& path, const struct stat& st) {
  if (::geteuid() == 0) return (st.st_mode & 0222) == 0;
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0;
}

// Overwrites an existing file in place (its owner, mode and links stay):
// for a folder that takes no new file.
bool WriteInPlace(const std::string& target, const std::string& text) {
  int fd = ::open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  ok = ok && ::ftruncate(fd, 0) == 0 && WriteAll(fd, text) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  return ok;
}

// Replaces `target` by `text` through a temporary file of the same folder,
// so the old file stays whole until the new one is complete on the disk.
// Where the folder refuses the temporary file, or the new file could not
// keep the old one's owner, the old file is written in place.
bool ReplaceFile(const std::string& target, const std::string& text) {
  struct stat old {};
  bool hadOld = ::stat(target.c_str(), &old) == 0;
  if (hadOld && (!S_ISREG(old.st_mode) || IsReadOnly(target, old))) return false;

  std::string folder = FolderOf(target);
  auto slash = target.find_last_of('/');
  std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  // Created like any new file (the umask applies); an old file's mode and
  // owner are carried over below.
  std::string temp;
  int fd = -1;
  for (unsigned attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temp = folder + "/." + base + "." + std::to_string(::getpid()) + "." + std::to_string(attempt);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) {
      if (hadOld && (errno == EACCES || errno == EPERM)) return WriteInPlace(target, text);
      return false;
    }
  }
  if (fd < 0) return false;

  bool ok = true;
  if (hadOld) {
    struct stat made {};
    bool sameOwner =
        ::fstat(fd, &made) == 0 && made.st_uid == old.st_uid && made.st_gid == old.st_gid;
    // Only root may give a file away; anyone else keeps the owner by
    // writing the old file itself.
    if (!sameOwner && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
      ::close(fd);
      ::unlink(temp.c_str());
      return WriteInPlace(target, text);
    }
    ok = ::fchmod(fd, old.st_mode & 07777) == 0;
  }
  ok = ok && WriteAll(fd, text) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);  // the rename itself on the disk; best effort
    ::close(dir);
  }
  return true;
}

// A settings file reached through a symbolic link is written where the link
// points, keeping the link; a dangling link is written through to the file
// it names (created there), never replaced by a file of its own. nullopt
// for a chain of links that does not end.
std::optional<std::string> WriteTarget(const std::string& path) {
  std::string at = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
    std::string link(PATH_MAX, '\0');
    ssize_t n = ::readlink(at.c_str(), link.data(), link.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= link.size()) return std::nullopt;
    link.resize(static_cast<std::size_t>(n));
    at = link.front() == '/' ? link : FolderOf(at) + "/" + link;
  }
  return std::nullopt;
}

}  // namespace

IniFile::IniFile(std::string path) : FPath(std::move(path)) {}

IniFile IniFile::Open(std::string path) {
  IniFile f(std::move(path));
  f.Load();
  return f;
}

std::vector<IniFile::Line> IniFile::Parse(const std::string& raw, bool& bom) {
  // The mark comes off before the encoding is judged.
  std::string_view body(raw);
  bom = body.substr(0, Bom.size()) == Bom;
  if (bom) body.remove_prefix(Bom.size());
  std::string text = IsValidUtf8(body) ? std::string(body) : Cp932ToUtf8(std::string(body));
  std::string_view rest(text);
  std::vector<Line> lines;
  while (!rest.empty()) {
    auto at = rest.find_first_of("\r\n");
    Line line;
    if (at == std::string_view::npos) {
      line.Content = std::string(rest);
      rest = {};
    } else {
      line.Content = std::string(rest.substr(0, at));
      std::size_t endLength =
          (rest[at] == '\r' && at + 1 < rest.size() && rest[at + 1] == '\n') ? 2 : 1;
      line.End = std::string(rest.substr(at, endLength));
      rest.remove_prefix(at + endLength);
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

std::string IniFile::Compose(const std::vector<Line>& lines, bool bom) {
  std::string out;
  if (bom) out += Bom;
  for (const Line& l : lines) {
    out += l.Content;
    out += l.End;
  }
  return out;
}

void IniFile::Apply(std::vector<Line>& lines, const IniEntry& entry) {
  const std::string newLine = entry.Key + "=" + QuoteIfNeeded(entry.Value);
  auto insertAfter = [&lines](std::size_t index, std::string content) {
    if (lines[index].End.empty()) lines[index].End = NewLineEnd;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(index) + 1,
                 Line{std::move(content), std::string(NewLineEnd)});
  };

  std::size_t header = lines.size();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string_view name;
    if (SectionOf(lines[i].Content, name) && SameName(name, entry.Section)) {
      header = i;
      break;
    }
  }
  if (header == lines.size()) {
    if (!lines.empty() && lines.back().End.empty()) lines.back().End = NewLineEnd;
    lines.push_back(Line{"[" + entry.Section + "]", std::string(NewLineEnd)});
    lines.push_back(Line{newLine, std::string(NewLineEnd)});
    return;
  }

  std::size_t lastKey = header;
  for (std::size_t i = header + 1; i < lines.size(); ++i) {
    std::string_view name, key, value;
    if (SectionOf(lines[i].Content, name)) break;
    if (!KeyOf(lines[i].Content, key, value)) continue;
    if (SameName(key, entry.Key)) {
      // Keep the key as it was spelt; only the value changes.
      lines[i].Content = std::string(key) + "=" + QuoteIfNeeded(entry.Value);
      return;
    }
    lastKey = i;
  }
  insertAfter(lastKey, newLine);
}

void IniFile::Load() {
  bool exists = false;
  auto bytes = ReadBytes(FPath, exists);
  FLines = Parse(bytes.value_or(std::string()), FBom);
  FPending.clear();
}

std::optional<std::string> IniFile::ReadText(std::string_view section, std::string_view key) const {
  bool inSection = false;
  bool seenSection = false;
  for (const Line& l : FLines) {
    std::string_view name, k, value;
    if (SectionOf(l.Content, name)) {
      // The first section of a name is the one read and written.
      if (inSection) return std::nullopt;
      inSection = !seenSection && SameName(name, section);
      seenSection = seenSection || inSection;
      continue;
    }
    if (inSection && KeyOf(l.Content, k, value) && SameName(k, key)) return Unquote(value);
  }
  return std::nullopt;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
  auto value = ReadText(section, key);
  if (!value) return std::string(fallback);
  if (value->size() > MaxIniTextBytes) {
    std::size_t cut = MaxIniTextBytes;
    // Never leave half a character behind.
    while (cut > 0 && (static_cast<unsigned char>((*value)[cut]) & 0xC0) == 0x80) --cut;
    value->resize(cut);
  }
  return *value;
}

std::int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                                  std::int32_t fallback) const {
  auto value = ReadText(section, key);
  if (!value) return fallback;
  return TryStrToInt(*value).value_or(fallback);
}

void IniFile::WriteText(std::string_view section, std::string_view key, std::string_view value) {
  if (!ValidSectionName(section) || !ValidKeyName(key) || HasLineBreak(value))
    throw EFileError(FormatMessage(CannotWriteMessage, AbsolutePath(FPath)));
  IniEntry entry{std::string(section), std::string(key), std::string(value)};
  Apply(FLines, entry);
  FPending.push_back(std::move(entry));
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
  WriteText(section, key, IniIntegerText(value));
}

void IniFile::WriteEntries(const std::vector<IniEntry>& entries) {
  for (const IniEntry& e : entries) WriteText(e.Section, e.Key, e.Value);
}

void IniFile::Save() {
  const std::string fullPath = AbsolutePath(FPath);
  bool exists = false;
  auto bytes = ReadBytes(FPath, exists);
  // A file that is there but cannot be read must not be replaced by what
  // little we know of it.
  if (!bytes) throw EFileError(FormatMessage(CannotWriteMessage, fullPath));
  bool bom = false;
  std::vector<Line> lines = Parse(*bytes, bom);
  for (const IniEntry& e : FPending) Apply(lines, e);
  auto target = WriteTarget(FPath);
  if (!target || !ReplaceFile(*target, Compose(lines, bom)))
    throw EFileError(FormatMessage(CannotWriteMessage, fullPath));
  FLines = std::move(lines);
  FBom = bom;
  FPending.clear();
}

std::string IniFile::Text() const {
  return Compose(FLines, FBom);
}

std::int32_t ReadIniInteger(const std::string& path, std::string_view section, std::string_view key,
                            std::int32_t fallback) {
  return IniFile::Open(path).ReadInteger(section, key, fallback);
}

std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view fallback) {
  return IniFile::Open(path).ReadString(section, key, fallback);
}

void WriteIniEntries(const std::string& path, const std::vector<IniEntry>& entries) {
  IniFile f = IniFile::Open(path);
  f.WriteEntries(entries);
  f.Save();
}

std::string IniIntegerText(std::int32_t value) {
  return std::to_string(value);
}

}  // namespace tarnick
