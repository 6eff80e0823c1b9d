#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTest>

#include <filesystem>
#include <fstream>

#include "app/BatchDriver.h"
#include "app/Mainwindow1.h"
#include "app/PauseSleeper.h"
#include "controls/Pcvfadebutton.h"
#include "platform/Volumes.h"
#include "support/FakeEncoder.h"
#include "toolkit/Dialogs.h"

namespace tarnick {
namespace {

namespace fs = std::filesystem;
using testsupport::FakeEncoderFolder;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The main window in a program folder holding the fake encoder, with
// folders of the test offered as the mounted volumes.
class PspMainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy_file(TARNICK_SOURCE_DIR "/data/profile.txt", enc.Path("profile.txt"));
    std::ofstream(enc.Path("Tarnick.ini"), std::ios::binary)
        << "[SET2]\r\nC11=" << enc.Path("out") << "\r\n";
    clip = enc.MakeFile("clip.avi");
  }

  // A folder standing for a volume, with the PSP folders asked for.
  std::string Volume(const std::string& name, const std::string& tree) {
    const std::string root = enc.Path("vol/" + name);
    fs::create_directories(root + tree);
    return root;
  }

  std::unique_ptr<TMainForm1> Started() {
    TMainFormOptions o;
    o.ProgramFolder = enc.Folder();
    o.ProgramPath = enc.Path("tarnick");
    o.Arguments = std::vector<std::string>{};
    o.Open = [](const std::string&, bool) {};
    auto w = std::make_unique<TMainForm1>(o);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(w.get(), &activate);
    w->TakeDroppedPaths({clip});
    return w;
  }

  void Click(TControl* button) {
    QTest::mouseClick(button, Qt::LeftButton, {},
                      QPoint(button->width() / 2, button->height() / 2));
  }

  FakeEncoderFolder enc;
  std::string clip;
  DialogRecorder dialogs;
};

TEST_F(PspMainWindow, TheLaterOfTwoPspVolumesReceivesTheOutput) {
  const std::string f = Volume("F", "/PSP/GAME");
  const std::string g = Volume("G", "/PSP");
  const std::string h = Volume("H", "/PSP/GAME");
  ScopedVolumeSource volumes(
      std::make_unique<FolderVolumeSource>(std::vector<std::string>{f, g, h}));
  auto w = Started();
  apptest::PauseSleeper pauses{w->BatchDriver()};
  w->show();
  ASSERT_TRUE(w->Button11->isEnabled());
  Click(w->Button11);

  EXPECT_TRUE(fs::exists(h + "/VIDEO/clip.mp4"));
  EXPECT_FALSE(fs::exists(f + "/VIDEO"));
  EXPECT_EQ(w->OutputFolder(), h + "/VIDEO");
  EXPECT_EQ(w->CurrentOutput, h + "/VIDEO/clip.mp4");
  // The drive list is the volumes of this click, in their order.
  ASSERT_EQ(w->DriveComboBox1->count(), 3);
  EXPECT_EQ(w->DriveComboBox1->itemText(2).toStdString(), h);
  EXPECT_TRUE(dialogs.Boxes.empty());
  EXPECT_TRUE(w->isEnabled());

  // The plain start button now writes there too, and closing saves it.
  fs::remove(h + "/VIDEO/clip.mp4");
  Click(w->Button10);
  EXPECT_TRUE(fs::exists(h + "/VIDEO/clip.mp4"));
  EXPECT_TRUE(w->close());
  EXPECT_NE(ReadAll(enc.Path("Tarnick.ini")).find("C11=" + h + "/VIDEO"), std::string::npos);
}

TEST_F(PspMainWindow, NoPspVolumeGivesTheMessageAndChangesNothing) {
  const std::string pspOnly = Volume("A", "/PSP");
  const std::string gameFile = Volume("B", "/PSP");
  std::ofstream(gameFile + "/PSP/GAME") << "not a folder";
  ScopedVolumeSource volumes(std::make_unique<FolderVolumeSource>(
      std::vector<std::string>{pspOnly, gameFile, enc.Path("vol/unplugged")}));
  auto w = Started();
  const std::string before = w->OutputFolder();
  w->Button11Click();

  ASSERT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(
      dialogs.Boxes[0].Text,
      "PSP本体がPCに接続(USBモード)されていないか,PSP用のMemoryStickがPCに差し込まれていません。\n"
      "ご確認の上,もう一度実行して下さい。");
  EXPECT_EQ(dialogs.Boxes[0].Caption, "Tarnick");
  EXPECT_EQ(dialogs.Boxes[0].Flags, MB_OK);
  EXPECT_EQ(dialogs.Beeps, std::vector<unsigned>{0});
  EXPECT_EQ(w->OutputFolder(), before);
  EXPECT_FALSE(fs::exists(enc.Path("out")));  // no batch ran
  EXPECT_TRUE(enc.WorkRuns().empty());
  EXPECT_FALSE(fs::exists(pspOnly + "/VIDEO"));
  EXPECT_TRUE(w->isEnabled());
}

}  // namespace
}  // namespace tarnick
