#include <gtest/gtest.h>

#include "engine/BatchRunner.h"
#include "engine/QuietBatch.h"
#include "platform/FileOps.h"
#include "platform/ProcessLauncher.h"
#include "support/FakeEncoder.h"

namespace tarnick {
namespace {

using testing::FakeEncoderFolder;
using testing::ScopedEnv;

// Host and progress window whose cancel button is pressed from the pump, as
// a click handled between two wait slices would be.
struct Windows : ListBatchHost, SilentProgressView, INotifier, IMessagePump, ISleeper {
  IRunCanceller* canceller = nullptr;
  CancelAnswer answer = CancelAnswer::None;
  int clickAtPump = -1;  // press cancel at this pump call of the batch
  int pumps = 0;
  bool enabled = true;
  std::vector<std::string> messages;

  void SetMainEnabled(bool on) override { enabled = on; }
  void Create(IRunCanceller& c) override { canceller = &c; }
  void Release() override { canceller = nullptr; }
  bool LoadImage1(const std::string&) override { return true; }
  void ResetCancelAnswer() override { answer = CancelAnswer::None; }
  CancelAnswer GetCancelAnswer() const override { return answer; }

  void Beep() override {}
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ProcessMessages() override {
    if (pumps++ == clickAtPump && canceller)
      answer = canceller->TerminateConversion() ? CancelAnswer::Cancelled : CancelAnswer::NotCancelled;
  }
  void Sleep(int) override {}
};

class BatchProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    w.programFolder = f.Folder();
    w.settings.OutputFolder = f.Path("out");
    for (const char* n : {"a.avi", "b.avi"}) w.sources.push_back(f.MakeFile(n));
  }
  BatchResult Run() { return Button0Click({w, w, launcher, w, w, w, files, PathStyle::Posix}); }

  FakeEncoderFolder f;
  Windows w;
  FileOps files;
  ProcessLauncher launcher{f.Folder(), f.Path("stderr.log")};
};

TEST_F(BatchProcess, CancelTerminatesTheRunRemovesItsOutputAndEndsTheBatch) {
  ScopedEnv hang("FAKE_FFMPEG_HANG", "1");
  w.clickAtPump = 3;
  BatchResult r = Run();
  EXPECT_EQ(r.End, BatchEnd::Cancelled);
  EXPECT_FALSE(files.Exists(f.Path("out/a.mp4")));
  EXPECT_FALSE(files.Exists(f.Path("out/b.mp4")));
  auto runs = f.WorkRuns();
  // Preview, side thumbnail and the one conversion of a.avi; nothing of b.avi.
  int conversions = 0;
  for (const auto& run : runs) {
    EXPECT_EQ(run.Args[1], w.sources[0]);
    conversions += std::find(run.Args.begin(), run.Args.end(), "image2") == run.Args.end();
  }
  EXPECT_EQ(conversions, 1);
  EXPECT_TRUE(w.messages.empty());
  EXPECT_TRUE(w.enabled);
}

TEST_F(BatchProcess, FailingEncoderShowsTheEndMessageOnce) {
  ScopedEnv fail("FAKE_FFMPEG_FAIL", "1");
  BatchResult r = Run();
  EXPECT_EQ(r.End, BatchEnd::Completed);
  EXPECT_EQ(r.PassesRun, 2);
  EXPECT_EQ(w.messages, std::vector<std::string>{std::string(UnsupportedFilesMessage)});
}

TEST_F(BatchProcess, EncoderThatWritesNothingFailsThePass) {
  ScopedEnv none("FAKE_FFMPEG_NO_OUTPUT", "1");
  EXPECT_TRUE(Run().AnyPassFailed);
}

TEST_F(BatchProcess, MissingEncoderEndsTheBatchNamingWhereItWasLookedFor) {
  FakeEncoderFolder empty(false);
  ScopedEnv path("PATH", empty.Folder());
  w.programFolder = empty.Folder();
  ProcessLauncher nowhere(empty.Folder(), empty.Path("stderr.log"));
  BatchResult r = Button0Click({w, w, nowhere, w, w, w, files, PathStyle::Posix});
  EXPECT_EQ(r.End, BatchEnd::EncoderMissing);
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_NE(w.messages[0].find(empty.Path("ffmpeg")), std::string::npos);
  EXPECT_TRUE(w.enabled);
}

}  // namespace
}  // namespace tarnick
