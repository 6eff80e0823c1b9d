#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "app/PspTransfer.h"

namespace tarnick {
namespace {

// Records what the button does to the window, in order.
struct RecordingTarget : IPspTransferTarget {
  std::vector<std::string> calls;
  void SetOutputFolder(const std::string& folder) override { calls.push_back("folder " + folder); }
  void RunBatch() override { calls.push_back("batch"); }
  void Beep() override { calls.push_back("beep"); }
  void ShowMessage(const std::string& text) override { calls.push_back("message " + text); }
};

TEST(PspTransfer, FoundVolumeGetsTheOutputThenTheBatchRuns) {
  QTemporaryDir base;
  ASSERT_TRUE(QDir().mkpath(base.path() + "/F/PSP/GAME"));
  ASSERT_TRUE(QDir().mkpath(base.path() + "/H/PSP/GAME"));
  const std::string f = base.path().toStdString() + "/F";
  const std::string h = base.path().toStdString() + "/H";
  FolderVolumeSource volumes({f, h});
  RecordingTarget target;
  EXPECT_TRUE(TransferToPsp(volumes, target));
  EXPECT_EQ(target.calls, (std::vector<std::string>{"folder " + h + "/VIDEO", "batch"}));
}

TEST(PspTransfer, NoPspGivesOneBeepAndTheTwoLineMessageOnly) {
  QTemporaryDir base;
  ASSERT_TRUE(QDir().mkpath(base.path() + "/F/PSP"));
  FolderVolumeSource volumes({base.path().toStdString() + "/F"});
  RecordingTarget target;
  EXPECT_FALSE(TransferToPsp(volumes, target));
  EXPECT_EQ(target.calls,
            (std::vector<std::string>{
                "beep",
                "message PSP本体がPCに接続(USBモード)されていないか,PSP用のMemoryStickがPCに"
                "差し込まれていません。\nご確認の上,もう一度実行して下さい。"}));
}

// The volumes are read at each click, so a stick plugged in after a failed
// try is found on the next.
TEST(PspTransfer, EveryClickLooksAgain) {
  QTemporaryDir base;
  const std::string ms = base.path().toStdString() + "/MS";
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(ms)));
  FolderVolumeSource volumes({ms});
  RecordingTarget first;
  EXPECT_FALSE(TransferToPsp(volumes, first));
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(ms + "/PSP/GAME")));
  RecordingTarget second;
  EXPECT_TRUE(TransferToPsp(volumes, second));
  EXPECT_EQ(second.calls.front(), "folder " + ms + "/VIDEO");
}

}  // namespace
}  // namespace tarnick
