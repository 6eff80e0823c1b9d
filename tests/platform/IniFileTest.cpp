#include "platform/IniFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <csignal>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <tuple>

#include "engine/Exception.h"
#include "platform/IniSettingsFile.h"
#include "support/RunUnprivileged.h"

namespace fs = std::filesystem;

namespace tarnick {
namespace {

// A file saved for the unprivileged user keeps its mode and that owner.
void ExpectModeAndOwnerKept(const std::string& path) {
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  if (geteuid() == 0) {
    EXPECT_EQ(st.st_uid, test::UnprivilegedId);
  }
}

class IniFileTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "tarnick-profile-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    Dir = tmpl;
    chmod(Dir.c_str(), 0755);
    Ini = Dir + "/Tarnick.ini";
  }
  void TearDown() override {
    chmod(Dir.c_str(), 0755);
    std::error_code ec;
    fs::remove_all(Dir, ec);
  }
  void Put(const std::string& bytes) { std::ofstream(Ini, std::ios::binary) << bytes; }
  std::string Get() const {
    std::ifstream in(Ini, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::vector<std::string> FolderNames() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(Dir)) out.push_back(e.path().filename().string());
    return out;
  }
  std::string Dir, Ini;
};

// The save sequence of the main window, on a file that does not exist yet.
std::vector<IniEntry> SaveSequence() {
  return {{"SET", "M_LEFT", "20"}, {"SET", "M_TOP", "-4"}, {"SET1", "C0", "1"},
          {"SET1", "C1", "15"},    {"SET1", "C2", "384"},  {"SET1", "C3", "2"},
          {"SET1", "C4", "96"},    {"SET1", "C5", "0"},    {"SET2", "C11", "/home/u/My Videos"},
          {"SET2", "C12", "0"},    {"SET2", "C13", "1"},   {"SET2", "C14", "1"}};
}

TEST_F(IniFileTest, FileWrittenFromScratch) {
  mode_t oldMask = umask(027);
  WriteIniEntries(Ini, SaveSequence());
  umask(oldMask);
  struct stat st {};
  ASSERT_EQ(stat(Ini.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);  // a new file, as the umask says
  EXPECT_EQ(Get(),
            "[SET]\r\nM_LEFT=20\r\nM_TOP=-4\r\n"
            "[SET1]\r\nC0=1\r\nC1=15\r\nC2=384\r\nC3=2\r\nC4=96\r\nC5=0\r\n"
            "[SET2]\r\nC11=/home/u/My Videos\r\nC12=0\r\nC13=1\r\nC14=1\r\n");
  // Writing the same values again changes nothing.
  const std::string first = Get();
  WriteIniEntries(Ini, SaveSequence());
  EXPECT_EQ(Get(), first);
  // Nothing but the file itself is left in the folder.
  EXPECT_EQ(FolderNames(), std::vector<std::string>{"Tarnick.ini"});
}

TEST_F(IniFileTest, WrittenValuesReadBack) {
  IniFile f(Ini);
  f.WriteInteger("SET", "M_LEFT", -2147483647 - 1);
  f.WriteInteger("SET", "M_TOP", 2147483647);
  const std::vector<std::string> texts = {"",    " lead", "trail ",     "\"quoted\"",
                                          "'x'", "a=b;c", "C:\\動画\\", "\""};
  for (std::size_t i = 0; i < texts.size(); ++i)
    f.WriteText("T", "K" + std::to_string(i), texts[i]);
  f.Save();
  IniFile g = IniFile::Open(Ini);
  EXPECT_EQ(g.ReadInteger("SET", "M_LEFT", 0), -2147483647 - 1);
  EXPECT_EQ(g.ReadInteger("SET", "M_TOP", 0), 2147483647);
  for (std::size_t i = 0; i < texts.size(); ++i)
    EXPECT_EQ(g.ReadText("T", "K" + std::to_string(i)), texts[i]) << i;
}

TEST_F(IniFileTest, HandWrittenFileIsReadAndKept) {
  const std::string original =
      "; settings\n"
      "\n"
      "[set]\n"
      "m_left = 0x40\n"
      "  M_Top=\t$40  \n"
      "\n"
      "# not a key=1\n"
      "[ Set1 ]\n"
      "c1=  25\n"
      "junk line\n"
      "\n"
      "[SET2]\r\n"
      "C11=\r\n"
      "C12=2";
  Put(original);
  IniFile f = IniFile::Open(Ini);
  EXPECT_EQ(f.ReadInteger("SET", "M_LEFT", 20), 64);
  EXPECT_EQ(f.ReadInteger("SET", "M_TOP", 20), 64);
  EXPECT_EQ(f.ReadInteger("SET1", "C1", 0), 25);
  EXPECT_EQ(f.ReadInteger("SET1", "junk line", 7), 7);
  EXPECT_EQ(f.ReadInteger("SET", "# not a key", 7), 7);
  EXPECT_EQ(f.ReadString("SET2", "C11", "default"), "");
  EXPECT_EQ(f.ReadInteger("SET2", "C12", 0), 2);

  // One key replaced in place (its spelling kept), one added after the last
  // key of its section, one in a new section at the end.
  f.WriteInteger("SET", "M_TOP", 100);
  f.WriteInteger("SET1", "C2", 384);
  f.WriteInteger("SET3", "X", 1);
  f.Save();
  EXPECT_EQ(Get(),
            "; settings\n"
            "\n"
            "[set]\n"
            "m_left = 0x40\n"
            "M_Top=100\n"
            "\n"
            "# not a key=1\n"
            "[ Set1 ]\n"
            "c1=  25\n"
            "C2=384\r\n"
            "junk line\n"
            "\n"
            "[SET2]\r\n"
            "C11=\r\n"
            "C12=2\r\n"
            "[SET3]\r\nX=1\r\n");
}

TEST_F(IniFileTest, IntegerValues) {
  struct Case {
    const char* value;
    int expected;
  };
  const Case cases[] = {
      {"64", 64},
      {"0x40", 64},
      {"$40", 64},
      {" 64", 64},
      {"x40", 64},
      {"-1", -1},
      {"+5", 5},
      {"007", 7},
      {"$FFFFFFFF", -1},
      {"-$10", 16},
      {"2147483647", 2147483647},
      {"64px", -99},
      {"", -99},
      {"-", -99},
      {"$", -99},
      {"0x", -99},
      {"2147483648", -99},
      {"$100000000", -99},
      {"6 4", -99},
      {"\"64\"", 64},
  };
  std::string text = "[S]\r\n";
  for (std::size_t i = 0; i < std::size(cases); ++i)
    text += "K" + std::to_string(i) + "=" + cases[i].value + "\r\n";
  Put(text);
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(ReadIniInteger(Ini, "s", "k" + std::to_string(i), -99), cases[i].expected)
        << "'" << cases[i].value << "'";
  EXPECT_EQ(ReadIniInteger(Ini, "S", "missing", -99), -99);
  EXPECT_EQ(ReadIniInteger(Ini, "Other", "K0", -99), -99);
  EXPECT_EQ(ReadIniInteger(Dir + "/none.ini", "S", "K0", 5), 5);
}

TEST_F(IniFileTest, TextValues) {
  // 2047 bytes at most, never half a character.
  std::string longAscii(3000, 'a');
  std::string longWide;
  while (longWide.size() < 2100) longWide += "動";  // three bytes each
  Put("[SET2]\r\nC11=" + longAscii + "\r\nW=" + longWide + "\r\nE=   \r\n");
  IniFile f = IniFile::Open(Ini);
  EXPECT_EQ(f.ReadString("SET2", "C11", ""), std::string(2047, 'a'));
  EXPECT_EQ(f.ReadString("SET2", "W", ""), longWide.substr(0, 2046));
  EXPECT_EQ(f.ReadString("SET2", "E", "default"), "");
  EXPECT_EQ(f.ReadString("SET2", "missing", "default"), "default");
  EXPECT_EQ(f.ReadString("SET9", "C11", "default"), "default");
}

TEST_F(IniFileTest, Cp932FileIsReadAndSavedAsUtf8) {
  // "[SET2]" C11=C:\動画\表 in code page 932; 表 ends in the byte of "\".
  const std::string cp932Path = "C:\\\x93\xae\x89\xe6\\\x95\x5c";
  Put("; \x90\xdd\x92\xe8\r\n[SET2]\r\nC11=" + cp932Path + "\r\nC12=1\r\n");
  IniFile f = IniFile::Open(Ini);
  EXPECT_EQ(f.ReadString("SET2", "C11", ""), "C:\\動画\\表");
  EXPECT_EQ(f.ReadInteger("SET2", "C12", 0), 1);
  f.WriteInteger("SET2", "C12", 0);
  f.Save();
  EXPECT_EQ(Get(), "; 設定\r\n[SET2]\r\nC11=C:\\動画\\表\r\nC12=0\r\n");
}

TEST_F(IniFileTest, SaveLaysWritesOntoTheFileAsItIsNow) {
  Put("[SET]\r\nM_LEFT=1\r\n");
  IniFile f = IniFile::Open(Ini);
  f.WriteInteger("SET", "M_TOP", 2);
  EXPECT_TRUE(f.Modified());
  // Edited by someone else meanwhile.
  Put("[SET]\r\nM_LEFT=5\r\n[OTHER]\r\nA=b\r\n");
  f.Save();
  EXPECT_FALSE(f.Modified());
  EXPECT_EQ(Get(), "[SET]\r\nM_LEFT=5\r\nM_TOP=2\r\n[OTHER]\r\nA=b\r\n");
  // Reading sees the file as loaded, not as it changes under it.
  Put("[SET]\r\nM_LEFT=9\r\n");
  EXPECT_EQ(f.ReadInteger("SET", "M_LEFT", 0), 5);
  f.Load();
  EXPECT_EQ(f.ReadInteger("SET", "M_LEFT", 0), 9);
}

TEST_F(IniFileTest, ValuesTheLineFormCannotHoldAreRefused) {
  IniFile f(Ini);
  const std::string message = Ini + " に書き込めません";
  for (auto [section, key, value] : {std::tuple{"S", "K", "a\nb"},
                                     {"S", "K", "a\rb"},
                                     {"S", "K=", "v"},
                                     {"S]", "K", "v"},
                                     {"", "K", "v"},
                                     {"S", "", "v"},
                                     {"S", ";K", "v"},
                                     {"S", " K", "v"}}) {
    try {
      f.WriteText(section, key, value);
      ADD_FAILURE() << section << "/" << key;
    } catch (const EFileError& e) {
      EXPECT_EQ(e.Message(), message);
    }
  }
  EXPECT_FALSE(f.Modified());
}

TEST_F(IniFileTest, ReadOnlyFolderWritesTheFileInPlace) {
  Put("[SET]\r\nM_LEFT=1\r\n");
  chmod(Ini.c_str(), 0640);
  test::GiveToUnprivileged(Ini);
  chmod(Dir.c_str(), 0555);
  std::string result = test::RunUnprivileged([&]() -> std::string {
    IniFile f = IniFile::Open(Ini);
    if (f.ReadInteger("SET", "M_LEFT", 0) != 1) return "not read";
    f.WriteInteger("SET", "M_LEFT", 2);
    try {
      f.Save();
    } catch (const EFileError& e) {
      return "not saved: " + e.Message();
    }
    // A file that is not there yet cannot be made in such a folder.
    IniFile fresh(Dir + "/New.ini");
    fresh.WriteInteger("SET", "M_LEFT", 3);
    try {
      fresh.Save();
      return "new file saved";
    } catch (const EFileError& e) {
      if (e.Message() != Dir + "/New.ini に書き込めません") return "message: " + e.Message();
    }
    // The values are kept for another try.
    return fresh.Modified() ? "" : "writes dropped";
  });
  EXPECT_EQ(result, "");
  EXPECT_EQ(Get(), "[SET]\r\nM_LEFT=2\r\n");
  EXPECT_EQ(FolderNames(), std::vector<std::string>{"Tarnick.ini"});
  ExpectModeAndOwnerKept(Ini);
}

TEST_F(IniFileTest, AFileOfAnotherOwnerKeepsItsOwner) {
  if (geteuid() != 0) GTEST_SKIP() << "needs a second user: run as root";
  // Root's file, writable by all, in a folder open to all: the other user's
  // save must not turn it into a file of its own.
  Put("[SET]\r\nM_LEFT=1\r\n");
  chmod(Ini.c_str(), 0666);
  chmod(Dir.c_str(), 0777);
  std::string result = test::RunUnprivileged([&]() -> std::string {
    IniFile f = IniFile::Open(Ini);
    f.WriteInteger("SET", "M_LEFT", 2);
    f.Save();
    return "";
  });
  EXPECT_EQ(result, "");
  EXPECT_EQ(Get(), "[SET]\r\nM_LEFT=2\r\n");
  struct stat st {};
  ASSERT_EQ(stat(Ini.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 0u);
  EXPECT_EQ(FolderNames(), std::vector<std::string>{"Tarnick.ini"});
}

TEST_F(IniFileTest, ModeBitsMakeAFileReadOnlyEvenForRoot) {
  // Run as whoever runs the tests: access() would let root write anything.
  Put("[SET]\r\nM_LEFT=1\r\n");
  chmod(Ini.c_str(), 0444);
  IniFile f = IniFile::Open(Ini);
  f.WriteInteger("SET", "M_LEFT", 2);
  EXPECT_THROW(f.Save(), EFileError);
  EXPECT_TRUE(f.Modified());
  chmod(Ini.c_str(), 0644);
  EXPECT_EQ(Get(), "[SET]\r\nM_LEFT=1\r\n");
}

TEST_F(IniFileTest, SettingsThatAreNoRegularFileAreNeitherWaitedOnNorReplaced) {
  const std::string big = "[SET]\r\nM_LEFT=1\r\n;" + std::string(MaxSettingsFileBytes, 'x');
  struct Case {
    const char* name;
    std::function<void()> make;
    std::function<bool()> unchanged;
  } cases[] = {
      {"named pipe", [&] { ASSERT_EQ(mkfifo(Ini.c_str(), 0600), 0); },
       [&] { return fs::is_fifo(fs::symlink_status(Ini)); }},
      {"link to /dev/zero", [&] { fs::create_symlink("/dev/zero", Ini); },
       [&] { return fs::is_symlink(Ini) && fs::read_symlink(Ini) == "/dev/zero"; }},
      {"folder", [&] { fs::create_directory(Ini); }, [&] { return fs::is_directory(Ini); }},
      {"too long", [&] { Put(big); }, [&] { return Get() == big; }},
  };
  for (const Case& c : cases) {
    fs::remove_all(Ini);
    c.make();
    IniFile f = IniFile::Open(Ini);
    EXPECT_EQ(f.ReadInteger("SET", "M_LEFT", -5), -5) << c.name;
    f.WriteInteger("SET", "M_LEFT", 2);
    try {
      f.Save();
      ADD_FAILURE() << c.name << " saved";
    } catch (const EFileError& e) {
      EXPECT_EQ(e.Message(), Ini + " に書き込めません") << c.name;
    }
    EXPECT_TRUE(c.unchanged()) << c.name;
  }
  fs::remove_all(Ini);
}

TEST_F(IniFileTest, DanglingLinkIsWrittenThroughAndStaysALink) {
  fs::create_directory(Dir + "/real");
  ASSERT_EQ(symlink("real/Tarnick.ini", Ini.c_str()), 0);
  IniFile f = IniFile::Open(Ini);
  f.WriteInteger("SET", "M_LEFT", 3);
  f.Save();
  EXPECT_TRUE(fs::is_symlink(Ini));
  EXPECT_EQ(Get(), "[SET]\r\nM_LEFT=3\r\n");
  // A link into a folder that does not exist: refused, the link kept.
  const std::string lost = Dir + "/Lost.ini";
  ASSERT_EQ(symlink("gone/Tarnick.ini", lost.c_str()), 0);
  IniFile g(lost);
  g.WriteInteger("SET", "M_LEFT", 4);
  EXPECT_THROW(g.Save(), EFileError);
  EXPECT_TRUE(fs::is_symlink(lost));
  EXPECT_EQ(fs::read_symlink(lost), "gone/Tarnick.ini");
  EXPECT_FALSE(fs::exists(Dir + "/gone"));
}

TEST_F(IniFileTest, WriteCutShortLeavesTheOldFileWhole) {
  const std::string original = "[SET]\r\nM_LEFT=1\r\n";
  Put(original);
  test::GiveToUnprivileged(Dir);
  test::GiveToUnprivileged(Ini);
  std::string result = test::RunUnprivileged([&]() -> std::string {
    // As a full disk would: the write stops after 1 KiB.
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{1024, 1024};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return "no limit";
    IniFile f = IniFile::Open(Ini);
    f.WriteText("SET2", "C11", std::string(4000, 'v'));
    try {
      f.Save();
    } catch (const EFileError& e) {
      return e.Message() == Ini + " に書き込めません" ? "" : e.Message();
    }
    return "saved";
  });
  EXPECT_EQ(result, "");
  EXPECT_EQ(Get(), original);
  EXPECT_EQ(FolderNames(), std::vector<std::string>{"Tarnick.ini"});
}

TEST_F(IniFileTest, ReadOnlyOrUnreadableFileIsNotReplaced) {
  for (mode_t mode : {0444, 0200}) {
    Put("[SET]\r\nM_LEFT=1\r\n");
    test::GiveToUnprivileged(Dir);
    test::GiveToUnprivileged(Ini);
    chmod(Ini.c_str(), mode);
    std::string result = test::RunUnprivileged([&]() -> std::string {
      IniFile f(Ini);
      f.WriteInteger("SET", "M_LEFT", 2);
      try {
        f.Save();
      } catch (const EFileError&) {
        return "";
      }
      return "saved";
    });
    EXPECT_EQ(result, "") << std::oct << mode;
    chmod(Ini.c_str(), 0644);
    EXPECT_EQ(Get(), "[SET]\r\nM_LEFT=1\r\n");
  }
}

TEST_F(IniFileTest, SaveKeepsModeAndFollowsALink) {
  fs::create_directory(Dir + "/real");
  std::string target = Dir + "/real/Tarnick.ini";
  std::ofstream(target, std::ios::binary) << "[SET]\r\nM_LEFT=1\r\n";
  chmod(target.c_str(), 0640);
  test::GiveToUnprivileged(target);
  ASSERT_EQ(symlink("real/Tarnick.ini", Ini.c_str()), 0);
  IniFile f = IniFile::Open(Ini);
  f.WriteInteger("SET", "M_LEFT", 3);
  f.Save();
  EXPECT_TRUE(fs::is_symlink(Ini));
  EXPECT_EQ(Get(), "[SET]\r\nM_LEFT=3\r\n");
  ExpectModeAndOwnerKept(target);
}

TEST_F(IniFileTest, SettingsAdapterGivesValuesWholeAndReadOnlyNeverWrites) {
  const std::string longFolder = "/v/" + std::string(3000, 'x');
  const std::string original = "[SET2]\r\nC11=" + longFolder + "\r\n";
  Put(original);
  for (auto access : {TIniSettingsFile::Access::ReadOnly, TIniSettingsFile::Access::ReadWrite}) {
    auto file = TIniSettingsFile::OpenerFor(Ini, access)();
    EXPECT_EQ(file->ReadText("SET2", "C11"), longFolder);
    EXPECT_EQ(file->ReadText("SET2", "C12"), std::nullopt);
    const bool readOnly = access == TIniSettingsFile::Access::ReadOnly;
    EXPECT_EQ(file->WriteText("SET2", "C12", "1"), !readOnly);
    EXPECT_TRUE(file->Release());
    EXPECT_EQ(Get(), readOnly ? original : original + "C12=1\r\n");
  }
}

}  // namespace
}  // namespace tarnick
