#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/BatchRunner.h"
#include "engine/Exception.h"

namespace tarnick {
namespace {

// One object plays every part the batch talks to and writes what it is asked
// into one log, so the order of calls can be checked as a whole.
class FakeWorld : public IBatchHost,
                  public IProgressView,
                  public IProcessLauncher,
                  public IMessagePump,
                  public ISleeper,
                  public INotifier,
                  public IFileOps {
 public:
  std::vector<std::string> log;
  std::vector<std::string> sources{"C:\\v\\a.avi"};
  ConversionSettings settings = [] {
    ConversionSettings s;
    s.OutputFolder = "D:\\out";
    return s;
  }();
  std::string programFolder = "C:\\Tools";
  std::set<std::string> files;               // files that exist
  std::set<std::string> badJpegs;            // existing files that do not decode
  std::set<std::string> folders;             // entries that are folders
  std::set<std::string> specials;            // pipes, devices, sockets
  std::set<std::string> broken;              // outputs without their index (no moov)
  std::set<std::string> photos;              // existing JPEGs that are no side thumbnail
  std::map<std::string, std::string> links;  // another name of an existing file
  std::vector<std::string> refusals;
  std::vector<std::string> skippedThumbnails;
  int thumbnailEnds = 0;
  std::string preview = "C:\\Tools\\_thumb.jpg";
  bool previewWritten = true;                                // the preview run leaves a JPEG
  std::function<RunOutcome(const EncoderCommand&)> encoder;  // replaces the default run
  std::function<void()> duringRun;  // a "cancel click" handled while waiting
  CancelAnswer answer = CancelAnswer::None;
  bool running = false;
  bool created = false;
  bool mainEnabled = true;
  bool timerOn = false;
  int beeps = 0;
  std::vector<std::string> messages;
  std::vector<int> positions;
  std::vector<EncoderCommand> conversions;
  std::vector<std::string> currentFields;
  PathStyle style = PathStyle::Windows;

  BatchResult Run() {
    BatchContext c{*this, *this, *this, *this, *this, *this, *this, style};
    return Button0Click(c);
  }

  // Only the entries starting with one of these.
  std::vector<std::string> Only(std::initializer_list<std::string> prefixes) const {
    std::vector<std::string> out;
    for (const auto& e : log)
      for (const auto& p : prefixes)
        if (e.rfind(p, 0) == 0) {
          out.push_back(e);
          break;
        }
    return out;
  }

  // IBatchHost
  void SetMainEnabled(bool on) override {
    mainEnabled = on;
    log.push_back(on ? "main on" : "main off");
  }
  std::string ScratchFolder() const override { return programFolder; }
  std::string EncoderFolder() const override { return programFolder; }
  int SourceCount() const override { return static_cast<int>(sources.size()); }
  std::string SourceAt(int i) const override { return sources.at(static_cast<std::size_t>(i)); }
  ConversionSettings ReadConversionSettings() const override { return settings; }
  void SetCurrentSource(const std::string& p) override { currentFields.push_back("S " + p); }
  void SetCurrentOutput(const std::string& p) override { currentFields.push_back("O " + p); }
  void SetQuotedOutput(const std::string& p) override { currentFields.push_back("Q " + p); }
  std::map<int, std::string> givenOutputs;  // names decided before the batch
  std::set<int> leftOut;
  std::vector<int> taken;
  std::string GivenOutput(int i) const override {
    auto it = givenOutputs.find(i);
    return it == givenOutputs.end() ? std::string() : it->second;
  }
  bool TakeSource(int i) override {
    taken.push_back(i);
    return leftOut.count(i) == 0;
  }

  // IProgressView
  void Create(IRunCanceller& canceller) override {
    EXPECT_EQ(&canceller, static_cast<IRunCanceller*>(this));
    created = true;
    log.push_back("create");
  }
  void Show() override { log.push_back("show"); }
  void Release() override {
    created = false;
    log.push_back("release");
  }
  void SetProgressMax(int m) override { log.push_back("max " + std::to_string(m)); }
  void SetProgressPosition(int p) override {
    positions.push_back(p);
    log.push_back("pos " + std::to_string(p));
  }
  void SetLabel1(const std::string& t) override { log.push_back("label " + t); }
  void ClearImage1() override { log.push_back("clear"); }
  bool LoadImage1(const std::string& path) override {
    bool ok = files.count(path) != 0 && badJpegs.count(path) == 0;
    log.push_back(std::string(ok ? "load " : "load-bad ") + path);
    return ok;
  }
  void SetTimer1Enabled(bool on) override {
    timerOn = on;
    log.push_back(on ? "timer on" : "timer off");
  }
  void ResetCancelAnswer() override {
    answer = CancelAnswer::None;
    log.push_back("reset cancel");
  }
  CancelAnswer GetCancelAnswer() const override { return answer; }
  void PassRefused(PassRefusal why) override {
    static const char* names[] = {"line too long", "output is source", "not regular", "no source"};
    refusals.push_back(names[static_cast<int>(why)]);
    log.push_back(std::string("refused ") + names[static_cast<int>(why)]);
  }
  void SideThumbnailSkipped(const std::string& path) override {
    skippedThumbnails.push_back(path);
    log.push_back("skip thumbnail " + path);
  }

  // IProcessLauncher
  bool TerminateConversion() override { return running; }
  void StartThumbnailRun(const EncoderCommand& cmd) override {
    log.push_back("thumb " + cmd.Text);
    if (cmd.Arguments.back() == preview && previewWritten) files.insert(preview);
  }
  RunOutcome RunConversion(const EncoderCommand& cmd, IMessagePump& pump) override {
    log.push_back("run " + cmd.Text);
    conversions.push_back(cmd);
    running = true;
    pump.ProcessMessages();
    if (duringRun) duringRun();
    running = false;
    if (encoder) return encoder(cmd);
    files.insert(cmd.Arguments.back());
    return {true, true, 0};
  }
  std::string EncoderSearchText() const override { return "/opt/tarnick/ffmpeg, PATH"; }
  void EndThumbnailRuns() override {
    ++thumbnailEnds;
    log.push_back("end thumbnails");
  }

  // IMessagePump, ISleeper, INotifier
  void ProcessMessages() override { log.push_back("pump"); }
  void Sleep(int ms) override { log.push_back("sleep " + std::to_string(ms)); }
  void Beep() override {
    ++beeps;
    log.push_back("beep");
  }
  void ShowMessage(const std::string& text) override {
    messages.push_back(text);
    log.push_back("message " + text);
  }

  // IFileOps
  bool Exists(const std::string& p) const override { return files.count(p) != 0; }
  void Delete(const std::string& p) override {
    files.erase(p);
    log.push_back("delete " + p);
  }
  bool ForceDirectories(const std::string& p) override {
    if (p.empty()) throw Exception("empty folder name");
    log.push_back("mkdir " + p);
    return true;
  }
  std::int64_t FileSize(const std::string& p) const override { return files.count(p) ? 0 : -1; }
  bool IsCompleteMp4(const std::string& p) const override {
    return files.count(p) != 0 && broken.count(p) == 0;
  }
  bool IsSideThumbnailImage(const std::string& p) const override {
    return files.count(p) != 0 && photos.count(p) == 0;
  }
  // Windows names ignore letter case; a link names its target. Sources
  // exist unless they are named missing.
  FileIdentity Identify(const std::string& path) const override {
    std::string p = links.count(path) ? links.at(path) : path;
    FileIdentity id;
    id.Path = style == PathStyle::Windows ? AsciiLower(p) : p;
    auto has = [&](const std::set<std::string>& set) {
      for (const auto& e : set)
        if ((style == PathStyle::Windows ? AsciiLower(e) : e) == id.Path) return true;
      return false;
    };
    if (has(folders))
      id.Kind = FileKind::Folder;
    else if (has(specials))
      id.Kind = FileKind::Other;
    else if (has(files) ||
             (has(std::set<std::string>(sources.begin(), sources.end())) && !has(missing)))
      id.Kind = FileKind::Regular;
    if (id.Exists()) id.Inode = std::hash<std::string>()(id.Path);
    return id;
  }
  std::set<std::string> missing;  // sources that are gone

  // The windows are back as before the batch.
  void ExpectRestored() const {
    EXPECT_TRUE(mainEnabled);
    EXPECT_FALSE(timerOn);
    EXPECT_FALSE(created);
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log.back(), "main on");
  }
};

const std::string kLine =
    "ffmpeg.exe -i \"C:\\v\\a.avi\" -y -flags bitexact -s 320x240 -aspect 4:3 -vcodec libx264 "
    "-b 384k -r 15 -acodec libfaac -ab 64k -ar 24000 \"D:\\out\\a.mp4\"";

TEST(BatchRunner, OneFileOnePassRunsEveryStepInOrder) {
  FakeWorld w;
  BatchResult r = w.Run();
  const std::vector<std::string> expected{
      "create",
      "max 1",
      "pos 0",
      "show",
      "timer on",
      "main off",
      "mkdir D:\\out",
      "pos 0",
      "label a.avi -> a.mp4",
      "clear",
      "thumb -i \"C:\\v\\a.avi\" -f image2 -ss 5 -vframes 1 -s 80x60 -an \"C:\\Tools\\_thumb.jpg\"",
      "sleep 1000",
      "load C:\\Tools\\_thumb.jpg",
      "delete C:\\Tools\\_thumb.jpg",
      "reset cancel",
      "thumb -i \"C:\\v\\a.avi\" -f image2 -ss 1 -vframes 1 -s 160x120 -an \"D:\\out\\a.jpg\"",
      "sleep 1000",
      "run " + kLine,
      "pump",
      "beep",
      "timer off",
      "release",
      "main on"};
  EXPECT_EQ(w.log, expected);
  EXPECT_EQ(r.End, BatchEnd::Completed);
  EXPECT_FALSE(r.AnyPassFailed);
  EXPECT_EQ(r.PassesRun, 1);
  EXPECT_EQ(w.currentFields, (std::vector<std::string>{"S C:\\v\\a.avi", "O D:\\out\\a.mp4",
                                                       "Q \"D:\\out\\a.mp4\""}));
  EXPECT_TRUE(w.messages.empty());
}

TEST(BatchRunner, RunsAndSleepsForPassesAndSideThumbnail) {
  struct Case {
    bool twoPass;
    bool side;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases{
      {false, true, {"thumb preview", "sleep 1000", "thumb side", "sleep 1000", "run"}},
      {false, false, {"thumb preview", "sleep 1000", "run"}},
      {true,
       true,
       {"thumb preview", "sleep 1000", "run -pass 1 -an", "thumb preview", "sleep 1000",
        "thumb side", "sleep 1000", "run -pass 2"}},
      {true,
       false,
       {"thumb preview", "sleep 1000", "run -pass 1 -an", "thumb preview", "sleep 1000",
        "run -pass 2"}},
  };
  for (const Case& c : cases) {
    FakeWorld w;
    w.settings.TwoPass = c.twoPass;
    w.settings.SideThumbnail = c.side;
    w.Run();
    std::vector<std::string> got;
    for (const std::string& e : w.Only({"thumb", "sleep", "run"})) {
      if (e.rfind("thumb", 0) == 0)
        got.push_back(e.find("_thumb.jpg") != std::string::npos ? "thumb preview" : "thumb side");
      else if (e.rfind("run", 0) == 0)
        got.push_back(e.find(" -pass 1 -an -flags") != std::string::npos ? "run -pass 1 -an"
                      : e.find(" -pass 2 -flags") != std::string::npos   ? "run -pass 2"
                      : e.find("-pass") == std::string::npos             ? "run"
                                                                         : e);
      else
        got.push_back(e);
    }
    EXPECT_EQ(got, c.expected) << "twoPass " << c.twoPass << " side " << c.side;
    // Both passes write the same output.
    for (const auto& cmd : w.conversions) EXPECT_EQ(cmd.Arguments.back(), "D:\\out\\a.mp4");
  }
}

TEST(BatchRunner, BarShowsFilesFinishedBeforeEachOne) {
  FakeWorld w;
  w.sources = {"C:\\v\\a.avi", "C:\\v\\b.avi", "C:\\v\\c.avi"};
  w.settings.TwoPass = true;
  w.Run();
  EXPECT_EQ(w.Only({"max"}), std::vector<std::string>{"max 3"});
  EXPECT_EQ(w.positions, (std::vector<int>{0, 0, 0, 1, 1, 2, 2}));
  EXPECT_EQ(w.conversions.size(), 6u);
}

TEST(BatchRunner, MissingPreviewLeavesImageClearAndStillConverts) {
  FakeWorld w;
  w.previewWritten = false;  // a source shorter than 5 seconds
  BatchResult r = w.Run();
  EXPECT_TRUE(w.Only({"load"}).empty());
  EXPECT_EQ(w.Only({"clear"}).size(), 1u);
  EXPECT_EQ(w.conversions.size(), 1u);
  EXPECT_FALSE(r.AnyPassFailed);
  EXPECT_TRUE(w.messages.empty());
  EXPECT_EQ(w.beeps, 1);
}

TEST(BatchRunner, LeftoverBadPreviewIsDeletedAndThePassGoesOn) {
  FakeWorld w;
  w.previewWritten = false;
  w.files.insert(w.preview);
  w.badJpegs.insert(w.preview);
  w.sources = {"C:\\v\\a.avi", "C:\\v\\b.avi"};
  BatchResult r = w.Run();
  EXPECT_EQ(
      w.Only({"load-bad", "delete"}),
      (std::vector<std::string>{"load-bad C:\\Tools\\_thumb.jpg", "delete C:\\Tools\\_thumb.jpg"}));
  EXPECT_FALSE(w.Exists(w.preview));
  EXPECT_EQ(w.conversions.size(), 2u);
  EXPECT_FALSE(r.AnyPassFailed);
  EXPECT_TRUE(w.messages.empty());
}

TEST(BatchRunner, LatePreviewIsShownByTheNextPass) {
  FakeWorld w;
  w.previewWritten = false;
  w.sources = {"C:\\v\\a.avi", "C:\\v\\b.avi"};
  // The first file's preview appears only while its conversion runs.
  w.duringRun = [&] {
    if (w.conversions.size() == 1) w.files.insert(w.preview);
  };
  w.Run();
  EXPECT_EQ(w.Only({"load", "delete"}), (std::vector<std::string>{"load C:\\Tools\\_thumb.jpg",
                                                                  "delete C:\\Tools\\_thumb.jpg"}));
  auto loadAt = std::find(w.log.begin(), w.log.end(), "load C:\\Tools\\_thumb.jpg");
  auto secondLabel = std::find(w.log.begin(), w.log.end(), "label b.avi -> b.mp4");
  EXPECT_LT(secondLabel, loadAt);
}

TEST(BatchRunner, FailedRunsSetTheErrorFlagOnceAndTheBatchGoesOn) {
  struct Case {
    const char* name;
    RunOutcome outcome;
    bool writesOutput;
  };
  const std::vector<Case> cases{
      {"non-zero exit", {true, true, 1}, true},
      {"crash", {true, false, 0}, true},
      {"no output", {true, true, 0}, false},
  };
  for (const Case& c : cases) {
    FakeWorld w;
    w.sources = {"C:\\v\\a.avi", "C:\\v\\b.avi", "C:\\v\\c.avi"};
    w.encoder = [&](const EncoderCommand& cmd) {
      bool bad = cmd.Arguments.back() != "D:\\out\\b.mp4";  // only b converts well
      if (!bad || c.writesOutput) w.files.insert(cmd.Arguments.back());
      return bad ? c.outcome : RunOutcome{true, true, 0};
    };
    BatchResult r = w.Run();
    EXPECT_EQ(r.End, BatchEnd::Completed) << c.name;
    EXPECT_TRUE(r.AnyPassFailed) << c.name;
    EXPECT_EQ(w.conversions.size(), 3u) << c.name;
    EXPECT_EQ(w.messages, std::vector<std::string>{std::string(UnsupportedFilesMessage)}) << c.name;
    EXPECT_EQ(w.beeps, 2) << c.name;
    std::vector<std::string> tail(w.log.end() - 6, w.log.end());
    EXPECT_EQ(tail,
              (std::vector<std::string>{"beep", "message " + std::string(UnsupportedFilesMessage),
                                        "beep", "timer off", "release", "main on"}))
        << c.name;
    w.ExpectRestored();
  }
}

TEST(BatchRunner, EncoderThatCannotStartEndsTheBatchWithWhereItWasLookedFor) {
  FakeWorld w;
  w.sources = {"C:\\v\\a.avi", "C:\\v\\b.avi"};
  w.encoder = [](const EncoderCommand&) { return RunOutcome{}; };
  BatchResult r = w.Run();
  EXPECT_EQ(r.End, BatchEnd::EncoderMissing);
  EXPECT_EQ(w.conversions.size(), 1u);
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_NE(w.messages[0].find("/opt/tarnick/ffmpeg, PATH"), std::string::npos);
  EXPECT_EQ(w.beeps, 1);
  w.ExpectRestored();
}

TEST(BatchRunner, FailureOutsideThePassesShowsTheUnknownErrorAndRestores) {
  FakeWorld w;
  w.settings.OutputFolder = "";  // the folder creation refuses it
  BatchResult r = w.Run();
  EXPECT_EQ(r.End, BatchEnd::Aborted);
  EXPECT_TRUE(w.conversions.empty());
  EXPECT_EQ(w.messages, std::vector<std::string>{std::string(UnknownErrorMessage)});
  EXPECT_EQ(w.beeps, 1);
  w.ExpectRestored();
}

TEST(BatchRunner, EmptySourceListDoesNothingAtAll) {
  FakeWorld w;
  w.sources.clear();
  BatchResult r = w.Run();
  EXPECT_EQ(r.End, BatchEnd::NothingToDo);
  EXPECT_TRUE(w.log.empty());
}

TEST(BatchRunner, CancelRemovesThePartialOutputAndEndsTheBatch) {
  FakeWorld w;
  w.sources = {"C:\\v\\a.avi", "C:\\v\\b.avi", "C:\\v\\c.avi"};
  w.settings.TwoPass = true;
  // Cancel the second file's first pass.
  w.duringRun = [&] {
    if (w.conversions.size() == 3) {
      ASSERT_TRUE(w.TerminateConversion());
      w.answer = CancelAnswer::Cancelled;
    }
  };
  w.encoder = [&](const EncoderCommand& cmd) {
    w.files.insert(cmd.Arguments.back());  // partial output is there
    return w.answer == CancelAnswer::Cancelled ? RunOutcome{true, false, 0}
                                               : RunOutcome{true, true, 0};
  };
  BatchResult r = w.Run();
  EXPECT_EQ(r.End, BatchEnd::Cancelled);
  EXPECT_EQ(w.conversions.size(), 3u);
  EXPECT_TRUE(w.Exists("D:\\out\\a.mp4"));
  EXPECT_FALSE(w.Exists("D:\\out\\b.mp4"));
  EXPECT_FALSE(w.Exists("D:\\out\\c.mp4"));
  EXPECT_FALSE(r.AnyPassFailed);
  EXPECT_TRUE(w.messages.empty());
  EXPECT_EQ(w.beeps, 1);
  w.ExpectRestored();
}

TEST(BatchRunner, FailedCancelKeepsTheOutputAndGoesOn) {
  FakeWorld w;
  w.sources = {"C:\\v\\a.avi", "C:\\v\\b.avi"};
  w.duringRun = [&] {
    if (w.conversions.size() == 1) w.answer = CancelAnswer::NotCancelled;
  };
  BatchResult r = w.Run();
  EXPECT_EQ(r.End, BatchEnd::Completed);
  EXPECT_EQ(w.conversions.size(), 2u);
  EXPECT_TRUE(w.Exists("D:\\out\\a.mp4"));
  EXPECT_TRUE(w.Only({"delete D:"}).empty());
  // The answer is reset for the next run.
  EXPECT_EQ(w.Only({"reset cancel"}).size(), 2u);
}

TEST(BatchRunner, OutputThatWouldReplaceItsSourceIsRefused) {
  FakeWorld w;
  w.sources = {"D:\\OUT\\Clip.MP4", "C:\\v\\clip.avi"};
  BatchResult r = w.Run();
  ASSERT_EQ(w.conversions.size(), 1u);
  // The refused file keeps its name taken, so the other cannot replace it.
  EXPECT_EQ(w.conversions[0].Arguments.back(), "D:\\out\\clip (2).mp4");
  EXPECT_TRUE(r.AnyPassFailed);
  EXPECT_EQ(w.messages, std::vector<std::string>{std::string(UnsupportedFilesMessage)});
}

TEST(BatchRunner, PosixOutputThatIsTheSameFileIsRefused) {
  FakeWorld w;
  w.links["/out/x/../clip.mp4"] = "/out/clip.mp4";
  w.files.insert("/out/clip.mp4");
  w.style = PathStyle::Posix;
  w.programFolder = "/opt/t";
  w.preview = "/opt/t/_thumb.jpg";
  w.settings.OutputFolder = "/out";
  w.sources = {"/out/x/../clip.mp4"};
  BatchResult r = w.Run();
  EXPECT_TRUE(w.conversions.empty());
  EXPECT_TRUE(r.AnyPassFailed);
}

TEST(BatchRunner, OutputNeverReplacesALaterSourceOfTheList) {
  FakeWorld w;
  w.style = PathStyle::Posix;
  w.programFolder = "/opt/t";
  w.preview = "/opt/t/_thumb.jpg";
  w.settings.OutputFolder = "/out";
  w.sources = {"/v/a.avi", "/out/a.mp4"};
  BatchResult r = w.Run();
  ASSERT_EQ(w.conversions.size(), 1u);
  EXPECT_EQ(w.conversions[0].Arguments.back(), "/out/a (2).mp4");
  EXPECT_TRUE(r.AnyPassFailed);  // the second names itself
}

TEST(BatchRunner, LaterSourceWithTheSameOutputNameIsNumbered) {
  FakeWorld w;
  w.sources = {"C:\\x\\a.avi", "C:\\y\\a.mkv", "C:\\z\\A.wmv"};
  w.settings.TwoPass = true;
  w.Run();
  std::vector<std::string> outputs;
  for (const auto& cmd : w.conversions) outputs.push_back(cmd.Arguments.back());
  EXPECT_EQ(outputs, (std::vector<std::string>{"D:\\out\\a.mp4", "D:\\out\\a.mp4",
                                               "D:\\out\\a (2).mp4", "D:\\out\\a (2).mp4",
                                               "D:\\out\\A (3).mp4", "D:\\out\\A (3).mp4"}));
  auto sides = w.Only({"thumb -i \"C:\\y"});
  ASSERT_EQ(sides.size(), 3u);  // two previews, one side thumbnail
  EXPECT_NE(sides[2].find("\"D:\\out\\a (2).jpg\""), std::string::npos);
  EXPECT_NE(w.Only({"label"})[2].find("a.mkv -> a (2).mp4"), std::string::npos);
}

// The command line decides the names before it runs and shares the files
// among runners: a given name is used as it is, a file not taken is not
// touched at all, and each source is asked for once.
TEST(BatchRunner, GivenNamesAndSourcesLeftOut) {
  FakeWorld w;
  w.sources = {"C:\\x\\a.avi", "C:\\y\\a.mkv", "C:\\z\\b.wmv"};
  w.settings.TwoPass = true;
  w.givenOutputs = {{1, "D:\\out\\a (2).mp4"}};
  w.leftOut = {0};
  const BatchResult r = w.Run();
  EXPECT_EQ(r.End, BatchEnd::Completed);
  EXPECT_EQ(w.taken, (std::vector<int>{0, 1, 2}));
  std::vector<std::string> outputs;
  for (const auto& cmd : w.conversions) outputs.push_back(cmd.Arguments.back());
  EXPECT_EQ(outputs, (std::vector<std::string>{"D:\\out\\a (2).mp4", "D:\\out\\a (2).mp4",
                                               "D:\\out\\b.mp4", "D:\\out\\b.mp4"}));
  for (const auto& e : w.log) EXPECT_EQ(e.find("C:\\x\\a.avi"), std::string::npos) << e;
}

TEST(BatchRunner, LineOfTenThousandBytesIsRefusedOneLessRuns) {
  FakeWorld base;
  const std::size_t baseLength = MakeConversionCommand(PathStyle::Windows, base.settings,
                                                       "C:\\v\\a.avi", "D:\\out\\a.mp4", 1, 1)
                                     .Text.size();
  for (std::size_t length : {CommandBufferSize - 1, CommandBufferSize}) {
    FakeWorld w;
    w.settings.OutputFolder = "D:\\" + std::string(length - baseLength + 3, 'o');
    BatchResult r = w.Run();
    ASSERT_EQ(MakeConversionCommand(PathStyle::Windows, w.settings, "C:\\v\\a.avi",
                                    w.settings.OutputFolder + "\\a.mp4", 1, 1)
                  .Text.size(),
              length);
    EXPECT_EQ(w.conversions.size(), length < CommandBufferSize ? 1u : 0u) << length;
    EXPECT_EQ(r.AnyPassFailed, length >= CommandBufferSize) << length;
  }
}

TEST(BatchRunner, ThrowingStepInsideAPassFailsOnlyThatPass) {
  struct ThrowingWorld : FakeWorld {
    void StartThumbnailRun(const EncoderCommand& cmd) override {
      if (cmd.Arguments[1] == "C:\\v\\a.avi") throw Exception("cannot start");
      FakeWorld::StartThumbnailRun(cmd);
    }
  } w;
  w.sources = {"C:\\v\\a.avi", "C:\\v\\b.avi"};
  BatchResult r = w.Run();
  ASSERT_EQ(w.conversions.size(), 1u);
  EXPECT_EQ(w.conversions[0].Arguments[1], "C:\\v\\b.avi");
  EXPECT_TRUE(r.AnyPassFailed);
  w.ExpectRestored();
}

TEST(BatchRunner, NumberedOutputPath) {
  EXPECT_EQ(NumberedOutputPath("D:\\out\\a.mp4", 2), "D:\\out\\a (2).mp4");
  EXPECT_EQ(NumberedOutputPath("/o/a.b.mp4", 12), "/o/a.b (12).mp4");
  EXPECT_EQ(NumberedOutputPath("/o/a", 2), "/o/a (2)");
}

FakeWorld PosixWorld() {
  FakeWorld w;
  w.style = PathStyle::Posix;
  w.programFolder = "/opt/t";
  w.preview = "/opt/t/_thumb.jpg";
  w.settings.OutputFolder = "/out";
  return w;
}

// Another spelling of a source is the source: no output may be written over
// it, and the one whose output is itself is refused.
TEST(BatchRunner, OutputNamesFollowIdentityNotText) {
  FakeWorld w = PosixWorld();
  w.links["/out/./a.mp4"] = "/out/a.mp4";
  w.files.insert("/out/a.mp4");
  w.sources = {"/v/a.avi", "/out/./a.mp4"};
  BatchResult r = w.Run();
  ASSERT_EQ(w.conversions.size(), 1u);
  EXPECT_EQ(w.conversions[0].Arguments.back(), "/out/a (2).mp4");
  EXPECT_EQ(w.refusals, std::vector<std::string>{"output is source"});
  EXPECT_TRUE(r.AnyPassFailed);
}

TEST(BatchRunner, NumberingSkipsNamesTakenBySourcesAndKeepsCounting) {
  FakeWorld w = PosixWorld();
  w.sources = {"/a/x.avi", "/b/x.avi", "/out/x (3).mp4", "/c/x.avi", "/d/x.avi"};
  w.settings.SideThumbnail = false;
  w.Run();
  std::vector<std::string> outputs;
  for (const auto& cmd : w.conversions) outputs.push_back(cmd.Arguments.back());
  // "x (3).mp4" names itself and is refused; its name is never given.
  EXPECT_EQ(outputs, (std::vector<std::string>{"/out/x.mp4", "/out/x (2).mp4", "/out/x (4).mp4",
                                               "/out/x (5).mp4"}));
  EXPECT_EQ(w.refusals, std::vector<std::string>{"output is source"});
}

// An output written by an earlier file is taken even when a later base name
// reaches it by another spelling (a mount that ignores letter case).
TEST(BatchRunner, WrittenOutputIsTakenUnderAnyName) {
  FakeWorld w = PosixWorld();
  w.sources = {"/a/clip.avi", "/b/CLIP.avi"};
  w.links["/out/CLIP.mp4"] = "/out/clip.mp4";
  w.Run();
  ASSERT_EQ(w.conversions.size(), 2u);
  EXPECT_EQ(w.conversions[1].Arguments.back(), "/out/CLIP (2).mp4");
}

TEST(BatchRunner, SideThumbnailNeverReplacesASourceOrAForeignFile) {
  struct Case {
    const char* name;
    std::function<void(FakeWorld&)> setUp;
    bool written;
  };
  const std::vector<Case> cases{
      {"no file there", [](FakeWorld&) {}, true},
      {"an earlier thumbnail", [](FakeWorld& w) { w.files.insert("/out/holiday.jpg"); }, true},
      {"the user's photo",
       [](FakeWorld& w) {
         w.files.insert("/out/holiday.jpg");
         w.photos.insert("/out/holiday.jpg");
       },
       false},
      {"a thumbnail-sized source of the batch",
       [](FakeWorld& w) { w.sources.push_back("/out/holiday.jpg"); }, false},
      {"a folder", [](FakeWorld& w) { w.folders.insert("/out/holiday.jpg"); }, false},
  };
  for (const Case& c : cases) {
    FakeWorld w = PosixWorld();
    w.sources = {"/out/holiday.avi"};
    c.setUp(w);
    BatchResult r = w.Run();
    auto sides = w.Only({"thumb -i \"/out/holiday.avi\" -f image2 -ss 1"});
    EXPECT_EQ(sides.size(), c.written ? 1u : 0u) << c.name;
    EXPECT_EQ(w.skippedThumbnails,
              c.written ? std::vector<std::string>{} : std::vector<std::string>{"/out/holiday.jpg"})
        << c.name;
    EXPECT_FALSE(r.AnyPassFailed) << c.name;  // the conversion itself went well
    // Without the side thumbnail's run there is no second wait either.
    if (w.sources.size() == 1) {
      EXPECT_EQ(w.Only({"sleep"}).size(), c.written ? 2u : 1u) << c.name;
    }
  }
}

// The photo that is a source gets converted too; its output is numbered and
// its side thumbnail follows the output's number.
TEST(BatchRunner, SideThumbnailFollowsItsOutputsNumber) {
  FakeWorld w = PosixWorld();
  w.sources = {"/out/holiday.avi", "/out/holiday.jpg"};
  w.photos.insert("/out/holiday.jpg");
  w.Run();
  EXPECT_EQ(w.skippedThumbnails, std::vector<std::string>{"/out/holiday.jpg"});
  auto sides = w.Only({"thumb -i \"/out/holiday.jpg\" -f image2 -ss 1"});
  ASSERT_EQ(sides.size(), 1u);
  EXPECT_NE(sides[0].find("\"/out/holiday (2).jpg\""), std::string::npos);
}

TEST(BatchRunner, PreviewOfTheSameNameAsASourceIsNeverRunNorDeleted) {
  FakeWorld w = PosixWorld();
  w.sources = {"/opt/t/_thumb.jpg", "/v/a.avi"};
  w.Run();
  EXPECT_TRUE(
      w.Only({"delete /opt/t/_thumb.jpg", "thumb -i \"/v/a.avi\" -f image2 -ss 5"}).empty());
  EXPECT_EQ(w.conversions.size(), 2u);
}

TEST(BatchRunner, PassCountsOnlyWhenTheOutputIsACompleteMp4AndNoWriteFailed) {
  struct Case {
    const char* name;
    bool broken;
    std::string writeError;
    bool failed;
  };
  const std::vector<Case> cases{
      {"whole", false, "", false},
      {"no moov", true, "", true},
      {"write error in the log", false, "Error writing trailer of x.mp4: No space left on device",
       true},
  };
  for (const Case& c : cases) {
    FakeWorld w = PosixWorld();
    w.encoder = [&](const EncoderCommand& cmd) {
      w.files.insert(cmd.Arguments.back());
      if (c.broken) w.broken.insert(cmd.Arguments.back());
      return RunOutcome{true, true, 0, c.writeError};
    };
    BatchResult r = w.Run();
    EXPECT_EQ(r.AnyPassFailed, c.failed) << c.name;
    EXPECT_EQ(w.messages.size(), c.failed ? 1u : 0u) << c.name;
  }
}

TEST(BatchRunner, SourceThatIsNoRegularFileIsRefusedBeforeAnyRun) {
  FakeWorld w = PosixWorld();
  w.sources = {"/v/pipe.avi", "/v/gone.avi", "/v/b.avi"};
  w.specials.insert("/v/pipe.avi");
  w.missing.insert("/v/gone.avi");
  BatchResult r = w.Run();
  ASSERT_EQ(w.conversions.size(), 1u);
  EXPECT_EQ(w.conversions[0].Arguments[1], "/v/b.avi");
  EXPECT_EQ(w.Only({"thumb"}).size(), 2u);  // only b's preview and side thumbnail
  EXPECT_EQ(w.refusals, (std::vector<std::string>{"not regular", "no source"}));
  EXPECT_TRUE(r.AnyPassFailed);
  EXPECT_EQ(r.End, BatchEnd::Completed);
}

TEST(BatchRunner, FolderOfTheListIsPassedOverWithoutFailure) {
  FakeWorld w = PosixWorld();
  w.sources = {"/fold/sub", "/fold/sub/x.mov"};
  w.folders.insert("/fold/sub");
  w.settings.TwoPass = true;
  BatchResult r = w.Run();
  EXPECT_EQ(w.conversions.size(), 2u);
  EXPECT_FALSE(r.AnyPassFailed);
  EXPECT_TRUE(w.messages.empty());
  EXPECT_EQ(w.Only({"label"}).size(), 2u);  // no label for the folder
  EXPECT_TRUE(w.refusals.empty());
}

TEST(BatchRunner, RefusalsSayWhy) {
  FakeWorld w = PosixWorld();
  w.settings.OutputFolder = "/" + std::string(CommandBufferSize, 'o');
  w.Run();
  EXPECT_EQ(w.refusals, std::vector<std::string>{"line too long"});
}

// The cancelled file's thumbnail runs are ended and what they wrote goes.
TEST(BatchRunner, CancelEndsThumbnailRunsAndRemovesWhatTheyWrote) {
  FakeWorld w = PosixWorld();
  w.sources = {"/v/a.avi", "/v/b.avi"};
  w.duringRun = [&] {
    if (w.conversions.size() == 2) {
      w.files.insert("/out/b.jpg");         // the side thumbnail came
      w.files.insert("/opt/t/_thumb.jpg");  // a late preview
      w.answer = CancelAnswer::Cancelled;
    }
  };
  w.encoder = [&](const EncoderCommand& cmd) {
    w.files.insert(cmd.Arguments.back());
    return RunOutcome{true, w.answer != CancelAnswer::Cancelled, 0};
  };
  w.files.insert("/out/a.jpg");
  BatchResult r = w.Run();
  EXPECT_EQ(r.End, BatchEnd::Cancelled);
  EXPECT_EQ(w.thumbnailEnds, 1);
  EXPECT_FALSE(w.Exists("/out/b.mp4"));
  EXPECT_FALSE(w.Exists("/out/b.jpg"));
  EXPECT_FALSE(w.Exists("/opt/t/_thumb.jpg"));
  EXPECT_TRUE(w.Exists("/out/a.jpg"));  // the finished file keeps its thumbnail
  // Ended before their files are removed.
  auto order = w.Only({"end thumbnails", "delete /out/b.jpg"});
  EXPECT_EQ(order, (std::vector<std::string>{"end thumbnails", "delete /out/b.jpg"}));
}

TEST(BatchRunner, CommandsCarryTheirKindAndPass) {
  struct KindWorld : FakeWorld {
    std::vector<std::string> kinds;
    void StartThumbnailRun(const EncoderCommand& cmd) override {
      kinds.push_back(cmd.Kind == EncoderRunKind::PreviewThumbnail ? "preview" : "side");
      FakeWorld::StartThumbnailRun(cmd);
    }
    RunOutcome RunConversion(const EncoderCommand& cmd, IMessagePump& pump) override {
      EXPECT_EQ(cmd.Kind, EncoderRunKind::Conversion);
      kinds.push_back("pass " + std::to_string(cmd.Pass) + "/" + std::to_string(cmd.Passes));
      return FakeWorld::RunConversion(cmd, pump);
    }
  } w;
  w.settings.TwoPass = true;
  w.Run();
  EXPECT_EQ(w.kinds,
            (std::vector<std::string>{"preview", "pass 1/2", "preview", "side", "pass 2/2"}));
}

TEST(BatchRunner, MessagesCarryTheirIdentifier) {
  struct IdWorld : FakeWorld {
    std::vector<BatchMessage> ids;
    void ShowBatchMessage(BatchMessage id, const std::string& text) override {
      ids.push_back(id);
      FakeWorld::ShowBatchMessage(id, text);
    }
  };
  IdWorld failed;
  failed.encoder = [](const EncoderCommand&) { return RunOutcome{true, true, 1}; };
  failed.Run();
  EXPECT_EQ(failed.ids, std::vector<BatchMessage>{BatchMessage::UnsupportedFiles});
  EXPECT_EQ(failed.messages, std::vector<std::string>{std::string(UnsupportedFilesMessage)});
  IdWorld missing;
  missing.encoder = [](const EncoderCommand&) { return RunOutcome{}; };
  missing.Run();
  EXPECT_EQ(missing.ids, std::vector<BatchMessage>{BatchMessage::EncoderNotStarted});
  IdWorld aborted;
  aborted.settings.OutputFolder = "";
  aborted.Run();
  EXPECT_EQ(aborted.ids, std::vector<BatchMessage>{BatchMessage::UnknownError});
}

TEST(CommandLine, ShellQuotedWordsReadBack) {
  EXPECT_EQ(ShellQuoted({"ffmpeg", "-i", "/v/a b.avi", "-b:v", "384k", "it's", "", "$x", "a\"b"}),
            "ffmpeg -i '/v/a b.avi' -b:v 384k 'it'\\''s' '' '$x' 'a\"b'");
}

}  // namespace
}  // namespace tarnick
