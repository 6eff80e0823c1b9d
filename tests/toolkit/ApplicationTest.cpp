#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include "engine/Exception.h"
#include "toolkit/Application.h"
#include "toolkit/Dialogs.h"

namespace tarnick {
namespace {

TEST(ErrorBoxTest, FullStopRule) {
  struct Case {
    const char* message;
    const char* shown;
  } cases[] = {
      {"", ""},
      {"abc", "abc."},
      {"abc.", "abc."},
      {"abc!", "abc!"},  // "!" orders before "."
      {"abc-", "abc-"},
      {"abc/", "abc/."},  // "/" orders after "."
      {"ファイル C:\\x は開けません", "ファイル C:\\x は開けません."},
      {"中止しました。", "中止しました。."},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorBoxText(c.message), c.shown) << c.message;
}

TEST(ErrorBoxTest, GuardedHandlingShowsTheBoxAndGoesOn) {
  DialogRecorder rec;
  EXPECT_FALSE(RunGuarded([]() -> bool { throw Exception("ファイル a は開けません"); }));
  EXPECT_FALSE(RunGuarded([]() -> bool { throw std::runtime_error("not ours"); }));
  EXPECT_TRUE(RunGuarded([] { return true; }));
  ASSERT_EQ(rec.Boxes.size(), 2u);
  EXPECT_EQ(rec.Boxes[0].Text, "ファイル a は開けません.");
  EXPECT_EQ(rec.Boxes[0].Caption, "Tarnick");
  EXPECT_EQ(rec.Boxes[0].Flags, MB_OK | MB_ICONSTOP);
  EXPECT_EQ(rec.Boxes[1].Text, "");
}

// A handler that fails, as a window's event handler may.
class Failing : public QObject {
 public:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) throw Exception("ファイル b は開けません");
    return QObject::event(e);
  }
};

TEST(ErrorBoxTest, AnExceptionFromAnEventHandlerReachesTheBox) {
  DialogRecorder rec;
  Failing target;
  QEvent ev(QEvent::User);
  // The same path TApplication::notify takes around every event.
  EXPECT_FALSE(RunGuarded([&] { return QCoreApplication::sendEvent(&target, &ev); }));
  ASSERT_EQ(rec.Boxes.size(), 1u);
  EXPECT_EQ(rec.Boxes[0].Text, "ファイル b は開けません.");
  QEvent later(QEvent::User);
  EXPECT_FALSE(RunGuarded([&] { return QCoreApplication::sendEvent(&target, &later); }));
  EXPECT_EQ(rec.Boxes.size(), 2u);  // and it goes on
}

TEST(DialogsTest, BeepAndPlainMessageAreRecorded) {
  DialogRecorder rec(IDOK);
  MessageBeep(0);
  ShowMessage("PSP");
  ASSERT_EQ(rec.Beeps.size(), 1u);
  EXPECT_EQ(rec.Beeps[0], 0u);
  ASSERT_EQ(rec.Boxes.size(), 1u);
  EXPECT_EQ(rec.Boxes[0].Caption, ApplicationTitle());
  EXPECT_EQ(rec.Boxes[0].Flags, MB_OK);
}

}  // namespace
}  // namespace tarnick
