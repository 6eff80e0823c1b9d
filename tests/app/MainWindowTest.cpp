#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/Entry.h"
#include "app/Mainwindow1.h"
#include "app/StdControls.h"
#include "controls/Digitbar.h"
#include "controls/Kitbrowseedit.h"
#include "controls/Kitspinedit.h"
#include "controls/Mccbox.h"
#include "controls/Pcvfadebutton.h"
#include "controls/Shadolbl.h"
#include "engine/Exception.h"
#include "engine/SourceOrder.h"
#include "platform/ProgramPlaces.h"
#include "support/SharedRuleCases.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Hint.h"
#include "toolkit/TrackBar.h"

namespace tarnick {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// A program folder of its own for every test: profile.txt from the data
// folder unless a test writes another.
class MainWindowTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  std::string folder = dir.path().toStdString();
  std::vector<std::string> args;
  std::vector<std::pair<std::string, bool>> opened;
  DialogRecorder dialogs;

  void SetUp() override {
    WriteAll(folder + "/profile.txt", ReadAll(TARNICK_SOURCE_DIR "/data/profile.txt"));
  }

  std::string Ini() const { return folder + "/Tarnick.ini"; }
  void WriteIni(const std::string& text) { WriteAll(Ini(), text); }

  std::unique_ptr<TMainForm1> Make() {
    TMainFormOptions o;
    o.ProgramFolder = folder;
    o.ProgramPath = folder + "/tarnick";
    o.Arguments = args;
    o.Open = [this](const std::string& target, bool isFile) {
      opened.emplace_back(target, isFile);
    };
    return std::make_unique<TMainForm1>(o);
  }

  // A window after its first activation, taken as the loop delivers it.
  std::unique_ptr<TMainForm1> Started() {
    auto w = Make();
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(w.get(), &activate);
    return w;
  }
};

TEST_F(MainWindowTest, ConstructionFillsBothListsAndWaitsForActivation) {
  auto w = Make();
  EXPECT_EQ(w->ProgramFolder(), folder);
  EXPECT_EQ(w->C2_00->Items().Count(), 1 + 8);
  EXPECT_EQ(w->C2_00->Items()[0], std::string(PresetHeaderRow));
  EXPECT_EQ(w->C2_00->GetColumnText(1, 0), "PSP 標準 (H.264 320x240)");
  EXPECT_EQ(w->PresetItemIndex(), -1);
  ASSERT_EQ(w->CodecCount(), 3);
  EXPECT_EQ(w->CodecItemText(0), "LIBX264");
  EXPECT_EQ(w->CodecItemText(2), "LIBXVID");
  EXPECT_EQ(w->Tag(), 0);
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(w->geometry(), QRect(20, 20, 400, 570));
  EXPECT_EQ(w->windowTitle(), "Tarnick");
  EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(Ini())));
}

TEST_F(MainWindowTest, EmptyProfileStartsWithTheLayoutValuesAndNoError) {
  WriteAll(folder + "/profile.txt", "");
  auto w = Started();
  EXPECT_EQ(w->C2_00->Items().Count(), 1);
  EXPECT_TRUE(dialogs.Boxes.empty());
  EXPECT_EQ(w->Tag(), 1);
  EXPECT_EQ(w->FrameRatePosition(), 15);
  EXPECT_EQ(w->VideoKbpsPosition(), 384);
  EXPECT_EQ(w->SampleRatePosition(), 3);
  EXPECT_EQ(w->AudioKbpsPosition(), 64);
  EXPECT_EQ(w->SizePosition(), 1);
  EXPECT_EQ(w->ReadConversionSettings().VideoCodec, "LIBX264");
}

TEST_F(MainWindowTest, MissingProfileRaisesWithTheFullPath) {
  QFile::remove(QString::fromStdString(folder + "/profile.txt"));
  try {
    Make();
    FAIL() << "no error";
  } catch (const EFileError& e) {
    EXPECT_EQ(e.Message(), "ファイル " + folder + "/profile.txt は開けません");
  }
}

TEST_F(MainWindowTest, NoSettingsFileGivesTheFirstPresetAndTheProgramFolder) {
  auto w = Started();
  EXPECT_EQ(w->pos(), QPoint(20, 20));
  EXPECT_EQ(w->PresetItemIndex(), 1);
  // The first preset: 320x240, LIBX264, 30fps, 384kbps, 44100Hz, 96kbps.
  EXPECT_EQ(w->SizePosition(), 1);
  EXPECT_EQ(w->ReadConversionSettings().VideoCodec, "LIBX264");
  EXPECT_EQ(w->FrameRatePosition(), 30);
  EXPECT_EQ(w->VideoKbpsPosition(), 384);
  EXPECT_EQ(w->SampleRatePosition(), 1);
  EXPECT_EQ(w->AudioKbpsPosition(), 96);
  EXPECT_EQ(w->OutputFolder(), folder);
  EXPECT_FALSE(w->TwoPass());
  EXPECT_TRUE(w->SideThumbnail());
  EXPECT_EQ(w->ThumbnailSecond(), 1);
  EXPECT_TRUE(w->SpinEdit1->isEnabled());
  EXPECT_EQ(w->Tag(), 1);
}

TEST_F(MainWindowTest, StoredPresetIndexOutsideThePresetsSelectsTheFirst) {
  for (const char* c0 : {"0", "-1", "9", "1000"}) {
    WriteIni(std::string("[SET1]\r\nC0=") + c0 + "\r\n");
    auto w = Started();
    EXPECT_EQ(w->PresetItemIndex(), 1) << c0;
    EXPECT_EQ(w->FrameRatePosition(), 30) << c0;
  }
}

TEST_F(MainWindowTest, StoredValuesOverrideThePresetButNotItsCodec) {
  // Preset 4: 480x272, MPEG4, 30fps, 768kbps, 48000Hz, 128kbps.
  WriteIni("[SET1]\r\nC0=4\r\nC1=25\r\nC3=7\r\n");
  auto w = Started();
  EXPECT_EQ(w->PresetItemIndex(), 4);
  EXPECT_EQ(w->ReadConversionSettings().VideoCodec, "MPEG4");
  EXPECT_EQ(w->FrameRatePosition(), 25);
  EXPECT_EQ(w->VideoKbpsPosition(), 768);
  EXPECT_EQ(w->SampleRatePosition(), 3);  // 7 clamped
  EXPECT_EQ(w->SizePosition(), 4);
}

TEST_F(MainWindowTest, StoredValuesOutsideTheRangesAreClampedByTheControls) {
  WriteIni("[SET1]\r\nC1=99\r\nC2=-5\r\nC3=7\r\nC4=1000\r\nC5=-1\r\n[SET2]\r\nC13=1\r\nC14=61\r\n");
  auto w = Started();
  EXPECT_EQ(w->FrameRatePosition(), 30);
  EXPECT_EQ(w->VideoKbpsPosition(), 48);
  EXPECT_EQ(w->SampleRatePosition(), 3);
  EXPECT_EQ(w->AudioKbpsPosition(), 128);
  EXPECT_EQ(w->SizePosition(), 0);
  EXPECT_EQ(w->ThumbnailSecond(), 60);
}

TEST_F(MainWindowTest, TwoPassValues) {
  struct Case {
    const char* c12;
    bool on;
  } cases[] = {{"2", true}, {"1", true}, {"0", false}, {"ab", false}, {"", false}};
  for (const auto& c : cases) {
    WriteIni(std::string("[SET2]\nC12=") + c.c12 + "\n");
    EXPECT_EQ(Started()->TwoPass(), c.on) << c.c12;
  }
}

TEST_F(MainWindowTest, WindowPositionValues) {
  struct Case {
    const char* text;
    int left;
  } cases[] = {{"0x40", 64}, {"$40", 64}, {" 64", 64}, {"64", 64}, {"64px", 20}, {"-10", -10}};
  for (const auto& c : cases) {
    WriteIni(std::string("[SET]\r\nM_LEFT=") + c.text + "\r\nM_TOP=33\r\n");
    auto w = Started();
    EXPECT_EQ(w->x(), c.left) << c.text;
    EXPECT_EQ(w->y(), 33) << c.text;
  }
}

TEST_F(MainWindowTest, OutputFolderValues) {
  struct Case {
    std::string ini;
    std::string want;
  } cases[] = {{"[SET2]\r\nC11=\r\n", folder},
               {"[SET2]\r\nC13=1\r\n", folder},
               {"[SET2]\r\nC11=/media/v/Video/\r\n", "/media/v/Video"},
               {"[SET2]\r\nC11=/media/v/ビデオ\r\n", "/media/v/ビデオ"},
               // Kept whole, as the command-line program keeps it.
               {"[SET2]\r\nC11=" + test::LongStoredFolder() + "\r\n", test::LongStoredFolder()}};
  for (const auto& c : cases) {
    WriteIni(c.ini);
    auto w = Started();
    EXPECT_EQ(w->OutputFolder(), c.want) << c.ini;
    EXPECT_EQ(GetHint(w->C1_03), c.want) << c.ini;
  }
}

TEST_F(MainWindowTest, UncheckedThumbnailDisablesTheSecondAndClampsIt) {
  WriteIni("[SET2]\r\nC13=0\r\nC14=75\r\n");
  auto w = Started();
  EXPECT_FALSE(w->SideThumbnail());
  EXPECT_FALSE(w->SpinEdit1->isEnabled());
  EXPECT_EQ(w->ThumbnailSecond(), 60);
  w->CheckBox2->setChecked(true);
  EXPECT_TRUE(w->SpinEdit1->isEnabled());
}

TEST_F(MainWindowTest, SecondActivationChangesNothing) {
  auto w = Started();
  WriteIni("[SET]\r\nM_LEFT=300\r\n[SET1]\r\nC1=5\r\n");
  w->FormActivate();
  EXPECT_EQ(w->x(), 20);
  EXPECT_EQ(w->FrameRatePosition(), 30);
}

TEST_F(MainWindowTest, CloseSavesTheTwelveKeysAndTheyLoadBack) {
  {
    auto w = Started();
    w->move(150, 60);
    w->SetPresetItemIndex(3);
    w->SetFrameRatePosition(12);
    w->SetOutputFolder(folder + "/out");
    w->SetTwoPass(true);
    w->SetThumbnailSecond(9);
    EXPECT_TRUE(w->FormClose());
  }
  std::string text = ReadAll(Ini());
  EXPECT_NE(text.find("[SET]\r\nM_LEFT=150\r\nM_TOP=60\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("C0=3\r\nC1=12\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("C11=" + folder + "/out\r\nC12=1\r\nC13=1\r\nC14=9"), std::string::npos)
      << text;
  auto w = Started();
  EXPECT_EQ(w->pos(), QPoint(150, 60));
  EXPECT_EQ(w->PresetItemIndex(), 3);
  EXPECT_EQ(w->FrameRatePosition(), 12);
  EXPECT_EQ(w->OutputFolder(), folder + "/out");
  EXPECT_TRUE(w->TwoPass());
  EXPECT_EQ(w->ThumbnailSecond(), 9);
}

TEST_F(MainWindowTest, UnwritableSettingsKeepTheWindowOpen) {
  auto w = Started();
  w->show();
  // Root writes anywhere; a folder in the file's place cannot be replaced.
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(Ini())));
  EXPECT_FALSE(w->close());
  EXPECT_TRUE(w->isVisible());
  ASSERT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(dialogs.Boxes[0].Text, Ini() + " に書き込めません.");
  EXPECT_EQ(dialogs.Boxes[0].Caption, "Tarnick");
  // Every further try saves again.
  QDir().rmdir(QString::fromStdString(Ini()));
  EXPECT_TRUE(w->close());
  EXPECT_TRUE(QFile::exists(QString::fromStdString(Ini())));
}

TEST_F(MainWindowTest, ReadOnlySettingsFileKeepsItsBytesEvenForRoot) {
  const std::string stored = "[SET]\r\nM_LEFT=20\r\nM_TOP=20\r\n";
  WriteIni(stored);
  QFile::setPermissions(QString::fromStdString(Ini()),
                        QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
  auto w = Started();
  w->show();
  w->SetFrameRatePosition(12);
  EXPECT_FALSE(w->close());
  ASSERT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(dialogs.Boxes[0].Text, Ini() + " に書き込めません.");
  EXPECT_EQ(ReadAll(Ini()), stored);
  QFile::setPermissions(QString::fromStdString(Ini()), QFile::ReadOwner | QFile::WriteOwner);
  EXPECT_TRUE(w->close());
  EXPECT_NE(ReadAll(Ini()).find("C1=12"), std::string::npos);
}

TEST_F(MainWindowTest, CloseButtonSavesFirst) {
  auto w = Started();
  w->show();
  w->Button1Click();
  EXPECT_FALSE(w->isVisible());
  EXPECT_NE(ReadAll(Ini()).find("M_LEFT=20"), std::string::npos);
}

TEST_F(MainWindowTest, FailingPresetStopsTheLoadAndShowsTheError) {
  WriteAll(folder + "/profile.txt", "bad,mp4,480x272,MPEG4,29.97fps,384kbps,AAC,44100Hz,96kbps\n");
  WriteIni("[SET1]\r\nC1=25\r\n");
  auto w = Started();
  ASSERT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(dialogs.Boxes[0].Text, "'29.97' は整数ではありません.");
  EXPECT_EQ(dialogs.Boxes[0].Caption, "Tarnick");
  EXPECT_EQ(w->Tag(), 0);
  // Size and codec were set before the failing step; C1 was never read.
  EXPECT_EQ(w->SizePosition(), 4);
  EXPECT_EQ(w->ReadConversionSettings().VideoCodec, "MPEG4");
  EXPECT_EQ(w->FrameRatePosition(), 15);
  EXPECT_TRUE(w->Sources().empty());
  // The next activation tries again from the start, without showing the
  // same failure again (its box's closing is an activation too).
  EXPECT_THROW(w->FormActivate(), EConvertError);
  QEvent again(QEvent::WindowActivate);
  QApplication::sendEvent(w.get(), &again);
  EXPECT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(w->Tag(), 0);
}

// ---------------------------------------------------------------- intake

class IntakeTest : public MainWindowTest {
 protected:
  std::string Touch(const std::string& rel) {
    std::string p = folder + "/" + rel;
    std::filesystem::create_directories(std::filesystem::path(p).parent_path());
    WriteAll(p, "x");
    return p;
  }
};

TEST_F(IntakeTest, TwoFilesAndAFolderAreSortedAsAWhole) {
  std::string b = Touch("B.avi");
  std::string a = Touch("m/a.avi");
  std::string sub = Touch("v/Sub/c.avi");
  Touch("v/d.avi");
  auto w = Started();
  EXPECT_TRUE(w->Panel11->isVisibleTo(w.get()));
  EXPECT_FALSE(w->Button10->isEnabled());
  w->TakeDroppedPaths({b, folder + "/v", a});
  EXPECT_EQ(w->Sources(),
            (std::vector<std::string>{b, a, folder + "/v/d.avi", folder + "/v/Sub", sub}));
  ASSERT_EQ(w->ListBox1->count(), 5);
  EXPECT_EQ(w->ListBox1->item(3)->text().toStdString(), folder + "/v/Sub");
  EXPECT_FALSE(w->Panel11->isVisibleTo(w.get()));
  EXPECT_TRUE(w->Button10->isEnabled());
  EXPECT_TRUE(w->Button11->isEnabled());
  w->grab().save(TARNICK_ARTIFACT_DIR "/main-window-sources.png");
}

TEST_F(IntakeTest, ListOrderIsTheOneTheCommandLineProgramGives) {
  std::vector<std::string> given, sorted;
  for (const std::string& name : test::SourceNamesGiven) given.push_back(Touch("o/" + name));
  for (const std::string& name : test::SourceNamesSorted) sorted.push_back(folder + "/o/" + name);
  auto w = Started();
  w->TakeDroppedPaths(given);
  EXPECT_EQ(w->Sources(), sorted);
}

// A later take is merged into the list in one step, in the order one insert
// at a time gives: equal names (without regard to case) after those already
// there, and among themselves as they were found; the selection stays on
// its entry.
TEST_F(IntakeTest, LaterTakeMergesInTheOrderOfOneInsertAtATime) {
  const std::string b = Touch("b.avi"), d = Touch("D.avi");
  const std::string a = Touch("n/a.avi"), bb = Touch("n/B.avi"), c = Touch("n/c.avi");
  const std::string lone = Touch("d.avi");
  auto w = Started();
  w->TakeDroppedPaths({d, b});
  w->ListBox1->setCurrentRow(1);  // D.avi
  w->TakeDroppedPaths({folder + "/n", lone});
  EXPECT_EQ(w->Sources(), (std::vector<std::string>{b, d, lone, a, bb, c}));
  ASSERT_EQ(w->ListBox1->count(), 6);
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(w->ListBox1->item(i)->text().toStdString(),
              w->Sources()[static_cast<std::size_t>(i)]);
  EXPECT_EQ(w->ListBox1->currentRow(), 1);
  // The same as the rule of one insert.
  std::vector<std::string> oneByOne;
  for (const std::string& p : {d, b, a, bb, c, lone})
    oneByOne.insert(
        oneByOne.begin() + static_cast<std::ptrdiff_t>(SourceInsertPosition(oneByOne, p)), p);
  EXPECT_EQ(w->Sources(), oneByOne);
}

TEST_F(IntakeTest, SameFileTwiceIsListedTwiceAndDelEmptiesTheList) {
  std::string f = Touch("x.avi");
  auto w = Started();
  w->TakeDroppedPaths({f, f, folder + "/missing.avi"});
  EXPECT_EQ(w->Sources(), (std::vector<std::string>{f, f}));
  w->Button5Click();
  EXPECT_TRUE(w->Sources().empty());
  EXPECT_EQ(w->ListBox1->count(), 0);
  EXPECT_TRUE(w->Panel11->isVisibleTo(w.get()));
  EXPECT_FALSE(w->Button10->isEnabled());
  EXPECT_FALSE(w->Button11->isEnabled());
  w->TakeDroppedPaths({f});
  EXPECT_EQ(w->Sources(), std::vector<std::string>{f});
  EXPECT_TRUE(w->Button11->isEnabled());
}

TEST_F(IntakeTest, MissingPathsAndEmptyFoldersLeaveThePanelUp) {
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder + "/empty")));
  auto w = Started();
  w->TakeDroppedPaths({folder + "/nothing", folder + "/empty", "/"});
  EXPECT_TRUE(w->Sources().empty());
  EXPECT_TRUE(w->Panel11->isVisibleTo(w.get()));
  EXPECT_FALSE(w->Button10->isEnabled());
}

TEST_F(IntakeTest, CommandLineIsTakenAtTheFirstActivationOnly) {
  std::string f = Touch("one.avi");
  Touch("dir/two.avi");
  QString old = QDir::currentPath();
  QDir::setCurrent(dir.path());
  args = {"one.avi", "dir/", "nothing.avi"};
  auto w = Make();
  EXPECT_TRUE(w->Sources().empty());
  w->FormActivate();
  QDir::setCurrent(old);
  // A relative file as written; a relative folder's entries in full.
  EXPECT_EQ(w->Sources(), (std::vector<std::string>{folder + "/dir/two.avi", "one.avi"}));
  w->FormActivate();
  EXPECT_EQ(w->Sources().size(), 2u);
}

TEST_F(IntakeTest, DropEventOfLocalFilesReachesTheList) {
  std::string f = Touch("drop.avi");
  auto w = Started();
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(f)), QUrl("http://example.com/a.avi")});
  QDragEnterEvent enter(QPoint(100, 80), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(100, 80), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w.get(), &drop);
  EXPECT_EQ(w->Sources(), std::vector<std::string>{f});
  // No child takes drops itself, so a drop anywhere reaches the window.
  for (QWidget* child : w->findChildren<QWidget*>()) EXPECT_FALSE(child->acceptDrops());
  EXPECT_TRUE(w->acceptDrops());
}

// A name that is no UTF-8 (0x82 0xA0, "あ" in code page 932) comes
// percent-encoded in the drop's address list and reaches the list as bytes.
TEST_F(IntakeTest, DroppedNameThatIsNoUtf8KeepsItsBytes) {
  const std::string f = Touch("clip\x82\xa0 1.avi");
  auto w = Started();
  QMimeData data;
  data.setData("text/uri-list",
               "file://" + QByteArray::fromStdString(f).toPercentEncoding("/") + "\r\n");
  ASSERT_EQ(data.urls().size(), 1);
  QDragEnterEvent enter(QPoint(100, 80), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w.get(), &enter);
  QDropEvent drop(QPointF(100, 80), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w.get(), &drop);
  EXPECT_EQ(w->Sources(), std::vector<std::string>{f}) << data.urls()[0].toEncoded().toStdString();
}

TEST_F(IntakeTest, ADropOfferingMoveIsAnsweredAsCopy) {
  // A source that acts on a move result deletes its file.
  std::string f = Touch("moved.avi");
  auto w = Started();
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(f))});
  const Qt::DropActions offered = Qt::MoveAction | Qt::CopyAction;
  // Shift held: the platform proposes the move.
  QDragEnterEvent enter(QPoint(100, 80), offered, &data, Qt::LeftButton, Qt::ShiftModifier);
  enter.setDropAction(Qt::MoveAction);
  QApplication::sendEvent(w.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
  QDragMoveEvent move(QPoint(100, 90), offered, &data, Qt::LeftButton, Qt::ShiftModifier);
  move.setDropAction(Qt::MoveAction);
  QApplication::sendEvent(w.get(), &move);
  EXPECT_EQ(move.dropAction(), Qt::CopyAction);
  QDropEvent drop(QPointF(100, 90), offered, &data, Qt::LeftButton, Qt::ShiftModifier);
  drop.setDropAction(Qt::MoveAction);
  QApplication::sendEvent(w.get(), &drop);
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
  EXPECT_EQ(w->Sources(), std::vector<std::string>{f});
  // Only a move offered: refused, nothing taken.
  QDropEvent moveOnly(QPointF(100, 90), Qt::MoveAction, &data, Qt::LeftButton, Qt::ShiftModifier);
  QApplication::sendEvent(w.get(), &moveOnly);
  EXPECT_FALSE(moveOnly.isAccepted());
  EXPECT_EQ(w->Sources().size(), 1u);
}

// ---------------------------------------------------------------- handlers

TEST_F(MainWindowTest, OutputFolderDropsTrailingSeparatorsAndShowsItselfAsHint) {
  auto w = Started();
  struct Case {
    const char* typed;
    const char* want;
  } cases[] = {{"/media/Video/", "/media/Video"},
               {"/media/Video//", "/media/Video"},
               {"/", "/"},
               {"relative", "relative"}};
  for (const auto& c : cases) {
    w->C1_03->SetText(c.typed);
    EXPECT_EQ(w->OutputFolder(), c.want) << c.typed;
    EXPECT_EQ(GetHint(w->C1_03), c.want) << c.typed;
  }
}

TEST_F(MainWindowTest, TypedSeparatorStaysUntilTheTypingEnds) {
  auto w = Started();
  w->show();
  QApplication::setActiveWindow(w.get());
  QLineEdit* editor = w->C1_03->Editor();
  editor->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return editor->hasFocus(); }));
  editor->clear();
  QTest::keyClicks(editor, "/media/v/");
  EXPECT_EQ(w->OutputFolder(), "/media/v/");
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_EQ(w->OutputFolder(), "/media/v");
  EXPECT_EQ(GetHint(w->C1_03), "/media/v");
  QTest::keyClick(editor, Qt::Key_End);  // setting the text put the caret at the start
  QTest::keyClicks(editor, "/x//");
  w->CheckBox1->setFocus();  // leaving the field ends the typing too
  EXPECT_EQ(w->OutputFolder(), "/media/v/x");
}

TEST_F(MainWindowTest, GuideAndInformationAddresses) {
  auto w = Started();
  w->Button3Click();
  w->Button4Click();
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], std::make_pair(folder + "/Readme.txt", true));
  EXPECT_EQ(opened[1],
            std::make_pair(std::string(InfoPageHost) + "/info.php?pf=w&sn=tarnick", false));
  EXPECT_EQ(InfoPageAddress("/opt/my tools/Tar nick.bin"),
            std::string(InfoPageHost) + "/info.php?pf=w&sn=Tar nick");
  EXPECT_EQ(InfoPageAddress("/opt/v1.2/tarnick"),
            std::string(InfoPageHost) + "/info.php?pf=w&sn=tarnick");
}

// ---------------------------------------------------------------- surface

void Press(QWidget* target, QPoint local, Qt::MouseButtons buttons, QEvent::Type type) {
  QPointF global = target->mapToGlobal(QPointF(local));
  QMouseEvent e(type, QPointF(local), global, Qt::LeftButton, buttons, Qt::NoModifier);
  QApplication::sendEvent(target, &e);
}

TEST_F(MainWindowTest, DraggedByTheBareSurfaceNotByAPanel) {
  auto w = Started();
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  const QPoint start = w->pos();
  // The title text, then the white frame between the panels.
  for (QPoint at : {QPoint(30, 12), QPoint(200, 193), QPoint(2, 300)}) {
    QPoint before = w->pos();
    Press(w.get(), at, Qt::LeftButton, QEvent::MouseButtonPress);
    Press(w.get(), at + QPoint(15, 7), Qt::LeftButton, QEvent::MouseMove);
    Press(w.get(), at + QPoint(15, 7), Qt::NoButton, QEvent::MouseButtonRelease);
    EXPECT_EQ(w->pos(), before + QPoint(15, 7)) << at.x() << "," << at.y();
  }
  EXPECT_NE(w->pos(), start);
  // A press on a panel's own background stays with the panel.
  QWidget* panel = w->Panel5;
  QPoint before = w->pos();
  QPoint at(5, 180);
  QWidget* hit = w->childAt(panel->mapTo(w.get(), at));
  ASSERT_EQ(hit, panel);
  Press(panel, at, Qt::LeftButton, QEvent::MouseButtonPress);
  Press(panel, at + QPoint(20, 20), Qt::LeftButton, QEvent::MouseMove);
  Press(panel, at + QPoint(20, 20), Qt::NoButton, QEvent::MouseButtonRelease);
  EXPECT_EQ(w->pos(), before);
}

TEST_F(MainWindowTest, FrameTitleStripAndShadowsStandWhereTheLayoutPutsThem) {
  auto w = Started();
  QImage img = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(img.size(), QSize(400, 570));
  auto at = [&](int x, int y) { return img.pixel(x, y) & 0xFFFFFF; };
  const QRgb black = 0x000000, silver = 0xC0C0C0, grey = 0x808080, white = 0xFFFFFF;
  auto rgb = [](TColor c) {
    c = ColorToRGB(c);
    return QRgb(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
  };
  const QRgb shadow = rgb(clBtnShadow), highlight = rgb(clBtnHighlight);
  // Title strip: black outline, silver inside, behind Panel0 too.
  EXPECT_EQ(at(0, 0), black);
  EXPECT_EQ(at(150, 0), black);
  EXPECT_EQ(at(0, 10), black);
  EXPECT_EQ(at(399, 10), black);
  EXPECT_EQ(at(4, 10), silver);
  EXPECT_EQ(at(250, 3), silver);
  EXPECT_EQ(at(292, 1), silver);
  // The body: a two-pixel grey frame around white, from y 23.
  for (int y : {23, 24, 568, 569}) EXPECT_EQ(at(200, y), grey) << y;
  for (int x : {0, 1, 398, 399}) EXPECT_EQ(at(x, 300), grey) << x;
  EXPECT_EQ(at(2, 300), white);
  EXPECT_EQ(at(200, 25), white);
  EXPECT_EQ(at(397, 567), white);
  // Panel1's shadow: 2 pixels right and below; outside it white.
  EXPECT_EQ(at(392, 100), silver);
  EXPECT_EQ(at(393, 100), silver);
  EXPECT_EQ(at(394, 100), white);
  EXPECT_EQ(at(100, 190), silver);
  EXPECT_EQ(at(100, 191), silver);
  EXPECT_EQ(at(100, 192), white);
  EXPECT_EQ(at(7, 191), white);  // the shadow starts at x 8
  EXPECT_EQ(at(8, 191), silver);
  // Panel5's and Panel3's shadows.
  EXPECT_EQ(at(382, 300), silver);
  EXPECT_EQ(at(383, 437), silver);
  EXPECT_EQ(at(384, 300), white);
  EXPECT_EQ(at(200, 560), silver);
  EXPECT_EQ(at(200, 561), silver);
  EXPECT_EQ(at(200, 562), white);
  // The panels' raised outer edge: white at the top-left, grey at the bottom-right.
  EXPECT_EQ(at(6, 100), highlight);
  EXPECT_EQ(at(7, 100), shadow);  // the lowered inner edge
  EXPECT_EQ(at(391, 100), shadow);
  EXPECT_EQ(at(100, 189), shadow);
  EXPECT_EQ(at(100, 32), 0xEBEBEB);
  img.save(TARNICK_ARTIFACT_DIR "/main-window.png");
}

}  // namespace
}  // namespace tarnick

namespace tarnick {
namespace {

TEST(Entry, MissingProfileShowsOneErrorBoxAndNoWindow) {
  QTemporaryDir dir;
  DialogRecorder dialogs;
  TMainFormOptions o;
  o.ProgramFolder = dir.path().toStdString();
  o.Arguments = std::vector<std::string>{};
  EXPECT_EQ(RunEntry(o), 0);
  ASSERT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(dialogs.Boxes[0].Text,
            "ファイル " + dir.path().toStdString() + "/profile.txt は開けません.");
  EXPECT_EQ(dialogs.Boxes[0].Caption, "Tarnick");
  EXPECT_EQ(dialogs.Boxes[0].Flags, MB_OK | MB_ICONSTOP);
  for (QWidget* w : QApplication::topLevelWidgets())
    EXPECT_FALSE(dynamic_cast<TMainForm1*>(w)) << "a main window was left";
  EXPECT_FALSE(QFile::exists(dir.path() + "/Tarnick.ini"));
}

}  // namespace
}  // namespace tarnick

namespace tarnick {
namespace {

// The batch as the window hosts it: its sources, its settings, disabled
// while the runner works, enabled again at the end.
class RecordingProgress : public IProgressView {
 public:
  explicit RecordingProgress(TMainForm1& owner) : owner_(owner) {}
  std::vector<std::string>* labels = nullptr;
  bool* ownerEnabledDuringRun = nullptr;
  int* released = nullptr;

  void Create(IRunCanceller&) override {}
  void Show() override {}
  void Release() override { ++*released; }
  void SetProgressMax(int) override {}
  void SetProgressPosition(int) override {}
  void SetLabel1(const std::string& text) override {
    labels->push_back(text);
    if (owner_.isEnabled()) *ownerEnabledDuringRun = true;
  }
  void ClearImage1() override {}
  bool LoadImage1(const std::string&) override { return false; }
  void SetTimer1Enabled(bool) override {}
  void ResetCancelAnswer() override {}
  CancelAnswer GetCancelAnswer() const override { return CancelAnswer::None; }

 private:
  TMainForm1& owner_;
};

TEST_F(IntakeTest, StartButtonRunsTheBatchOnTheListedSources) {
  namespace fs = std::filesystem;
  fs::copy_file(TARNICK_TEST_BIN_DIR "/ffmpeg", folder + "/ffmpeg");
  fs::permissions(folder + "/ffmpeg", fs::perms::owner_all);
  std::string clip = Touch("in/clip.avi");
  WriteIni("[SET2]\r\nC11=" + folder + "/out/\r\nC13=0\r\n");
  std::vector<std::string> labels;
  bool enabledDuringRun = false;
  int released = 0;
  TMainFormOptions o;
  o.ProgramFolder = folder;
  o.ProgramPath = folder + "/tarnick";
  o.Arguments = std::vector<std::string>{clip};
  o.ProgressView = [&](TMainForm1& owner) {
    auto p = std::make_unique<RecordingProgress>(owner);
    p->labels = &labels;
    p->ownerEnabledDuringRun = &enabledDuringRun;
    p->released = &released;
    return p;
  };
  TMainForm1 w(o);
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(&w, &activate);
  ASSERT_TRUE(w.Button10->isEnabled());
  w.Button10Click();
  EXPECT_TRUE(dialogs.Boxes.empty()) << dialogs.Boxes[0].Text;
  EXPECT_TRUE(QFile::exists(QString::fromStdString(folder + "/out/clip.mp4")));
  EXPECT_EQ(w.CurrentSource, clip);
  EXPECT_EQ(w.CurrentOutput, folder + "/out/clip.mp4");
  EXPECT_EQ(w.QuotedOutput, "\"" + folder + "/out/clip.mp4\"");
  EXPECT_FALSE(labels.empty());
  EXPECT_FALSE(enabledDuringRun);
  EXPECT_TRUE(w.isEnabled());
  EXPECT_EQ(released, 1);
  EXPECT_FALSE(w.BatchRunning());
}

}  // namespace
}  // namespace tarnick

namespace tarnick {
namespace {

TEST_F(MainWindowTest, EveryControlOfTheLayoutStandsWhereTheLayoutPutsIt) {
  auto w = Started();
  struct Place {
    const char* name;
    QWidget* control;
    QWidget* parent;
    QRect rect;
  };
  auto shadow = [&](const char* name) -> QWidget* {
    for (auto* l : w->ShadowLabels)
      if (l->objectName() == name) return l;
    ADD_FAILURE() << "no " << name;
    return nullptr;
  };
  const Place places[] = {
      {"Panel0", w->Panel0, w.get(), {290, 2, 104, 20}},
      {"Panel1", w->Panel1, w.get(), {6, 30, 386, 160}},
      {"Panel3", w->Panel3, w.get(), {6, 442, 386, 118}},
      {"Panel5", w->Panel5, w.get(), {16, 196, 366, 240}},
      {"Button4", w->Button4, w->Panel0, {0, 0, 40, 20}},
      {"Button3", w->Button3, w->Panel0, {44, 0, 20, 20}},
      {"Button2", w->Button2, w->Panel0, {64, 0, 20, 20}},
      {"Button1", w->Button1, w->Panel0, {84, 0, 20, 20}},
      {"ListBox1", w->ListBox1, w->Panel1, {6, 8, 374, 120}},
      {"Panel11", w->Panel11, w->Panel1, {6, 8, 374, 120}},
      {"L1_00", shadow("L1_00"), w->Panel1, {8, 138, 53, 11}},
      {"C2_00", w->C2_00, w->Panel1, {64, 134, 286, 19}},
      {"Button5", w->Button5, w->Panel1, {360, 128, 20, 18}},
      {"Memo0", w->Memo0, w->Panel1, {348, 103, 29, 25}},
      {"C2_04", w->C2_04, w->Panel1, {204, 126, 132, 19}},
      {"DigitBar1", w->DigitBar1, w->Panel5, {24, 8, 40, 140}},
      {"DigitBar2", w->DigitBar2, w->Panel5, {104, 8, 40, 140}},
      {"TrackBar1", w->TrackBar1, w->Panel5, {224, 8, 40, 140}},
      {"DigitBar3", w->DigitBar3, w->Panel5, {300, 8, 40, 140}},
      {"TrackBar2", w->TrackBar2, w->Panel5, {64, 200, 284, 30}},
      {"L2_03_01", shadow("L2_03_01"), w->Panel5, {8, 152, 75, 11}},
      {"ShadowLabel4", shadow("ShadowLabel4"), w->Panel5, {92, 152, 69, 11}},
      {"ShadowLabel5", shadow("ShadowLabel5"), w->Panel5, {184, 152, 79, 11}},
      {"ShadowLabel6", shadow("ShadowLabel6"), w->Panel5, {288, 152, 69, 11}},
      {"ShadowLabel2", shadow("ShadowLabel2"), w->Panel5, {32, 164, 24, 11}},
      {"ShadowLabel7", shadow("ShadowLabel7"), w->Panel5, {108, 164, 32, 11}},
      {"ShadowLabel8", shadow("ShadowLabel8"), w->Panel5, {212, 164, 22, 11}},
      {"ShadowLabel9", shadow("ShadowLabel9"), w->Panel5, {304, 164, 32, 11}},
      {"ShadowLabel3", shadow("ShadowLabel3"), w->Panel5, {32, 216, 34, 11}},
      {"L1_01", shadow("L1_01"), w->Panel3, {8, 12, 43, 11}},
      {"C1_03", w->C1_03, w->Panel3, {54, 8, 326, 19}},
      {"CheckBox1", w->CheckBox1, w->Panel3, {54, 32, 180, 12}},
      {"CheckBox2", w->CheckBox2, w->Panel3, {54, 52, 220, 12}},
      {"SpinEdit1", w->SpinEdit1, w->Panel3, {71, 48, 40, 20}},
      {"Button0", w->Button0, w->Panel3, {292, 32, 75, 17}},
      {"DriveComboBox1", w->DriveComboBox1, w->Panel3, {296, 8, 60, 18}},
      {"Button10", w->Button10, w->Panel3, {20, 72, 172, 40}},
      {"Button11", w->Button11, w->Panel3, {198, 72, 172, 40}},
  };
  for (const Place& p : places) {
    SCOPED_TRACE(p.name);
    ASSERT_NE(p.control, nullptr);
    EXPECT_EQ(p.control->parentWidget(), p.parent);
    EXPECT_EQ(p.control->geometry(), p.rect);
  }
  // The two bevel lines.
  std::vector<QRect> bevels;
  // (The toolkit's controls carry no meta-object: found by dynamic_cast.)
  std::vector<TStaticLabel*> labels;
  for (QWidget* c : w->Panel5->findChildren<QWidget*>()) {
    if (dynamic_cast<TBevelLine*>(c)) bevels.push_back(c->geometry());
    if (auto* l = dynamic_cast<TStaticLabel*>(c)) labels.push_back(l);
  }
  EXPECT_EQ(bevels, (std::vector<QRect>{{168, 16, 4, 153}, {8, 181, 345, 4}}));
  // The plain labels size themselves to their text, right-aligned: each
  // keeps its top, its height and its right edge (the first of each row's
  // left + width).
  struct Plain {
    const char* caption;
    int top, right;
  };
  const Plain plain[] = {{"48000Hz", 18, 224},  {"44100Hz", 54, 224},  {"41000Hz", 91, 224},
                         {"24000Hz", 126, 224}, {"160x120", 192, 96},  {"320x240", 192, 148},
                         {"640x480", 192, 200}, {"368x208", 192, 253}, {"480x272", 192, 305},
                         {"720x480", 192, 357}};
  for (const Plain& p : plain) {
    SCOPED_TRACE(p.caption);
    auto it = std::find_if(labels.begin(), labels.end(),
                           [&](TStaticLabel* l) { return l->Caption == p.caption; });
    ASSERT_NE(it, labels.end());
    const QRect g = (*it)->geometry();
    EXPECT_EQ(g.top(), p.top);
    EXPECT_EQ(g.height(), 11);
    EXPECT_EQ(g.left() + g.width(), p.right);
    EXPECT_GT(g.width(), 20);
  }
}

TEST_F(MainWindowTest, ThumbnailCaptionInkLiesRightOfTheSpinEdit) {
  auto w = Started();
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  QImage img(w->CheckBox2->size(), QImage::Format_RGB32);
  img.fill(Qt::white);
  w->CheckBox2->render(&img);
  // The spin edit covers x 71 to 110 of the panel, x 17 to 56 of the box.
  const int under = w->SpinEdit1->x() - w->CheckBox2->x();
  const int past = under + w->SpinEdit1->width();
  auto dark = [&](int x, int y) { return qGray(img.pixel(x, y)) < 160; };
  int inkUnder = 0, inkPast = 0;
  for (int y = 0; y < img.height(); ++y) {
    for (int x = under; x < past; ++x) inkUnder += dark(x, y);
    for (int x = past; x < img.width(); ++x) inkPast += dark(x, y);
  }
  EXPECT_EQ(inkUnder, 0);
  EXPECT_GT(inkPast, 30);
}

TEST_F(MainWindowTest, TrackBarsArePlainWithTheLayoutsThumbAndTicksAtTheirLabels) {
  auto w = Started();
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  const QImage img = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
  auto at = [&](QPoint p) { return img.pixel(p) & 0xFFFFFF; };
  const QRgb panel = 0xEBEBEB, black = 0x000000;
  auto origin = [&](QWidget* c) { return c->mapTo(w.get(), QPoint(0, 0)); };
  auto label = [&](const char* caption) -> QRect {
    for (auto* l : w->Panel5->findChildren<TStaticLabel*>())
      if (l->Caption == caption) return QRect(origin(l), l->size());
    ADD_FAILURE() << "no label " << caption;
    return {};
  };
  // Nothing of either bar is a selection colour (a blue fill).
  for (QWidget* bar : {static_cast<QWidget*>(w->TrackBar1), static_cast<QWidget*>(w->TrackBar2)})
    for (int y = 0; y < bar->height(); ++y)
      for (int x = 0; x < bar->width(); ++x) {
        const QColor c(img.pixel(origin(bar) + QPoint(x, y)));
        ASSERT_LT(c.blue() - c.red(), 40) << x << "," << y;
      }

  // TrackBar1: thumb length 30 across x 8 to 37 of the bar, 16 along;
  // ticks on the left, one beside each sample-rate label.
  const QPoint o1 = origin(w->TrackBar1);
  const int pos1 = w->SampleRatePosition();
  const int tip1 = 8 + 36 * pos1 + 8;
  EXPECT_EQ(at(o1 + QPoint(7, tip1)), panel);
  for (int x = 8; x < 38; ++x) EXPECT_NE(at(o1 + QPoint(x, tip1)), panel) << x;
  EXPECT_EQ(at(o1 + QPoint(38, tip1)), panel);
  const char* rates[] = {"48000Hz", "44100Hz", "41000Hz", "24000Hz"};
  for (int p = 0; p < 4; ++p) {
    const QPoint tick = o1 + QPoint(4, 16 + 36 * p);
    EXPECT_EQ(at(tick), black) << p;
    const QRect l = label(rates[p]);
    EXPECT_TRUE(tick.y() >= l.top() && tick.y() <= l.bottom()) << rates[p];
    EXPECT_LT(l.right(), o1.x() + 3) << rates[p];
  }

  // TrackBar2: the default thumb length 20 (y 8 to 27), 11 wide; ticks on
  // top, one under each size label.
  const QPoint o2 = origin(w->TrackBar2);
  const int pos2 = w->SizePosition();
  const int left2 = 8 + (257 * pos2 + 2) / 5;
  EXPECT_EQ(at(o2 + QPoint(left2 + 5, 7)), panel);
  for (int y = 8; y < 28; ++y) EXPECT_NE(at(o2 + QPoint(left2 + 5, y)), panel) << y;
  EXPECT_EQ(at(o2 + QPoint(left2 + 5, 28)), panel);
  EXPECT_EQ(at(o2 + QPoint(left2 - 1, 22)), panel);
  EXPECT_EQ(at(o2 + QPoint(left2 + 11, 22)), panel);
  const char* sizes[] = {"160x120", "320x240", "640x480", "368x208", "480x272", "720x480"};
  for (int p = 0; p < 6; ++p) {
    const QPoint tick = o2 + QPoint(8 + (257 * p + 2) / 5 + 5, 4);
    EXPECT_EQ(at(tick), black) << p;
    const QRect l = label(sizes[p]);
    EXPECT_TRUE(tick.x() >= l.left() && tick.x() <= l.right()) << sizes[p];
  }
}

TEST_F(MainWindowTest, TabOrderFollowsThePanelsThenTheirControls) {
  auto w = Make();
  const std::vector<QWidget*> want = {w->ListBox1,  w->C2_00,          w->Memo0,     w->C2_04,
                                      w->C1_03,     w->CheckBox1,      w->CheckBox2, w->SpinEdit1,
                                      w->Button0,   w->DriveComboBox1, w->DigitBar1, w->DigitBar2,
                                      w->TrackBar1, w->DigitBar3,      w->TrackBar2};
  std::vector<QWidget*> seen;
  QWidget* at = w->ListBox1;
  for (int i = 0; i < 500 && seen.size() < want.size(); ++i, at = at->nextInFocusChain()) {
    // A compound control's inner parts count as the control.
    for (QWidget* c : want)
      if ((at == c || c->isAncestorOf(at)) && (seen.empty() || seen.back() != c)) seen.push_back(c);
  }
  EXPECT_EQ(seen, want);
}

}  // namespace
}  // namespace tarnick

namespace tarnick {
namespace {

TEST_F(MainWindowTest, EveryHintedControlCarriesItsHint) {
  auto w = Make();
  const std::vector<std::pair<QWidget*, std::string>> hints = {
      {w->Button4, " インフォメーション"},
      {w->Button3, " ユーザーズガイド"},
      {w->Button2, " 最小化"},
      {w->Button1, " 閉じる"},
      {w->ListBox1, " 変換対象ファイル"},
      {w->Panel11, " ここにファイルをドロップ(複数可)"},
      {w->C2_00, " おまかせ設定"},
      {w->Button5, " 一覧をｸﾘｱ"},
      {w->C2_04, " 動画のｺｰﾃﾞｯｸ"},
      {w->DigitBar1, " 動画のﾌﾚｰﾑﾚｰﾄ"},
      {w->DigitBar2, " 動画のﾋﾞｯﾄﾚｰﾄ"},
      {w->TrackBar1, " 音声のｻﾝﾌﾟﾙﾚｰﾄ"},
      {w->DigitBar3, " 音声のﾋﾞｯﾄﾚｰﾄ"},
      {w->TrackBar2, " 動画のｻｲｽﾞ"},
      {w->C1_03, " 保存先のﾌｫﾙﾀﾞ"},
      {w->CheckBox1, " 2ﾊﾟｽｴﾝｺｰﾄﾞの有無"},
      {w->CheckBox2, " ｻﾑﾈｲﾙ画像生成の有無"},
      {w->SpinEdit1, " ｻﾑﾈｲﾙ画像生成の有無"},
      {w->Button10, " 変換後⇒ﾌｧｲﾙ保存"},
      {w->Button11, " 変換後⇒PSP(MemoryStick)転送"}};
  for (const auto& [control, hint] : hints) EXPECT_EQ(GetHint(control), hint) << hint;
  // The start buttons wait for a source; the thumbnail second is enabled.
  EXPECT_FALSE(w->Button10->isEnabled());
  EXPECT_FALSE(w->Button11->isEnabled());
  EXPECT_TRUE(w->SpinEdit1->isEnabled());
  EXPECT_FALSE(w->Button0->isVisibleTo(w.get()));
  EXPECT_FALSE(w->C2_04->isVisibleTo(w.get()));
  EXPECT_FALSE(w->Memo0->isVisibleTo(w.get()));
  EXPECT_FALSE(w->DriveComboBox1->isVisibleTo(w.get()));
}

// Installed: a program folder without profile.txt; the data comes from the
// prefix's share folder, the settings go to the user's configuration folder
// and nothing is written beside the program.
TEST_F(MainWindowTest, InstalledPlacesKeepTheSettingsInTheHomeAndNothingBesideTheProgram) {
  const std::string bin = folder + "/prefix/bin", data = folder + "/prefix/share/tarnick";
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(bin)));
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(data)));
  WriteAll(data + "/profile.txt", ReadAll(TARNICK_SOURCE_DIR "/data/profile.txt"));
  UserFolders user{folder + "/home", folder + "/home/.config", folder + "/home/.cache"};
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(user.Home)));

  TMainFormOptions o;
  o.Places = ChooseProgramPlaces(bin, user);
  ASSERT_TRUE(o.Places->Installed);
  o.ProgramPath = bin + "/tarnick";
  o.Arguments = args;
  o.Open = [this](const std::string& target, bool isFile) { opened.emplace_back(target, isFile); };
  auto w = std::make_unique<TMainForm1>(o);
  EXPECT_EQ(w->C2_00->Items().Count(), 1 + 8);
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(w.get(), &activate);
  EXPECT_EQ(w->OutputFolder(), user.Home);
  EXPECT_EQ(w->ScratchFolder(), user.CacheHome + "/tarnick");
  EXPECT_EQ(w->EncoderFolder(), "");
  EXPECT_TRUE(QDir(QString::fromStdString(user.CacheHome + "/tarnick")).exists());
  w->Button3Click();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], std::make_pair(data + "/Readme.txt", true));

  w->show();
  EXPECT_TRUE(w->close());
  const std::string ini = ReadAll(user.ConfigHome + "/tarnick/Tarnick.ini");
  EXPECT_NE(ini.find("C11=" + user.Home + "\r\n"), std::string::npos) << ini;
  EXPECT_TRUE(QDir(QString::fromStdString(bin)).isEmpty());
}

}  // namespace
}  // namespace tarnick
