// The program on a real X server (a private Xvfb), driven by real pointer
// and keyboard input through XTEST: grabs, enter and leave, window stacking
// and exposure as the offscreen platform does not have them.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

std::string gDisplay;
pid_t gXvfb = -1;
Display* gDpy = nullptr;

// Polls a condition until it holds or the deadline passes.
bool WaitFor(const std::function<bool()>& done, int ms) {
  const auto end = Clock::now() + milliseconds(ms);
  for (;;) {
    if (done()) return true;
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(milliseconds(10));
  }
}

// Starts Xvfb on a display number it picks itself. Empty when it cannot.
std::string StartXvfb() {
  int fds[2];
  if (pipe(fds) != 0) return {};
  gXvfb = fork();
  if (gXvfb == 0) {
    close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, 1);
    dup2(devnull, 2);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
           "tcp", "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string number;
  const auto end = Clock::now() + milliseconds(15000);
  while (Clock::now() < end) {
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, 100) > 0) {
      char c;
      ssize_t n = read(fds[0], &c, 1);
      if (n <= 0) break;
      if (c == '\n') break;
      number += c;
    }
    int status;
    if (waitpid(gXvfb, &status, WNOHANG) == gXvfb) {
      gXvfb = -1;
      break;
    }
  }
  close(fds[0]);
  if (number.empty()) return {};
  return ":" + number;
}

void StopProcess(pid_t& pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  int status;
  if (!WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 5000)) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  pid = -1;
}

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
std::ostream& operator<<(std::ostream& o, const Rgb& c) {
  return o << "rgb(" << c.r << "," << c.g << "," << c.b << ")";
}

QImage Grab(int x, int y, int w, int h) {
  XImage* img =
      XGetImage(gDpy, DefaultRootWindow(gDpy), x, y, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
  QImage out(w, h, QImage::Format_RGB32);
  if (!img) return {};
  for (int yy = 0; yy < h; ++yy)
    for (int xx = 0; xx < w; ++xx) {
      const unsigned long p = XGetPixel(img, xx, yy);
      out.setPixel(xx, yy, qRgb(int((p >> 16) & 255), int((p >> 8) & 255), int(p & 255)));
    }
  XDestroyImage(img);
  return out;
}

Rgb PixelAt(int x, int y) {
  const QImage i = Grab(x, y, 1, 1);
  if (i.isNull()) return {-1, -1, -1};
  const QRgb p = i.pixel(0, 0);
  return {qRed(p), qGreen(p), qBlue(p)};
}

void Shot(const QString& name) {
  QDir().mkpath(TARNICK_ARTIFACT_DIR);
  Grab(0, 0, 1024, 768).save(QString(TARNICK_ARTIFACT_DIR) + "/" + name);
}

void MoveTo(int x, int y) {
  XTestFakeMotionEvent(gDpy, -1, x, y, 0);
  XSync(gDpy, False);
}
void Button(bool down) {
  XTestFakeButtonEvent(gDpy, 1, down ? True : False, 0);
  XSync(gDpy, False);
}
void Click(int x, int y) {
  MoveTo(x, y);
  Button(true);
  Button(false);
}

struct TopLevel {
  Window id = 0;
  int x = 0, y = 0, w = 0, h = 0;
};

// The mapped top-level windows of the screen (no window manager: the
// program's windows are children of the root).
std::vector<TopLevel> TopLevels() {
  std::vector<TopLevel> out;
  Window root, parent, *children = nullptr;
  unsigned n = 0;
  if (!XQueryTree(gDpy, DefaultRootWindow(gDpy), &root, &parent, &children, &n)) return out;
  for (unsigned i = 0; i < n; ++i) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(gDpy, children[i], &a) || a.map_state != IsViewable) continue;
    out.push_back({children[i], a.x, a.y, a.width, a.height});
  }
  if (children) XFree(children);
  return out;
}

std::optional<TopLevel> WindowOfSize(int w, int h) {
  for (const TopLevel& t : TopLevels())
    if (t.w == w && t.h == h) return t;
  return std::nullopt;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// One run of the program with a program folder of its own.
class XScreenTest : public testing::Test {
 protected:
  QTemporaryDir dir;
  std::string folder = dir.path().toStdString();
  pid_t app = -1;
  TopLevel main;

  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    const std::string bin = TARNICK_BIN_DIR;
    ASSERT_EQ(std::system(("cp '" + bin + "/tarnick' '" + folder + "/tarnick'").c_str()), 0);
    WriteAll(folder + "/profile.txt", ReadAll(bin + "/profile.txt"));
    ASSERT_EQ(std::system(
                  ("cp '" + std::string(TARNICK_TEST_BIN_DIR) + "/ffmpeg' '" + folder + "/ffmpeg'")
                      .c_str()),
              0);
    QDir().mkpath(QString::fromStdString(folder + "/out"));
  }
  void TearDown() override { StopProcess(app); }

  void WriteSettings(int videoKbps) {
    std::ostringstream s;
    s << "[SET]\nM_LEFT=20\nM_TOP=20\n[SET1]\nC0=1\nC1=15\nC2=" << videoKbps
      << "\nC3=3\nC4=64\nC5=1\n[SET2]\nC11=" << folder << "/out\nC12=0\nC13=1\nC14=1\n";
    WriteAll(folder + "/Tarnick.ini", s.str());
  }

  std::string Setting(const std::string& key) {
    std::istringstream in(ReadAll(folder + "/Tarnick.ini"));
    std::string line;
    while (std::getline(in, line))
      if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    return {};
  }

  // Starts the program and waits for its main window and its first paint.
  void Launch(const std::vector<std::string>& args = {}) {
    app = fork();
    if (app == 0) {
      setenv("DISPLAY", gDisplay.c_str(), 1);
      setenv("QT_QPA_PLATFORM", "xcb", 1);
      setenv("FAKE_FFMPEG_LOG", (folder + "/encoder-runs.log").c_str(), 1);
      if (chdir(folder.c_str()) != 0) _exit(126);
      std::vector<std::string> all{folder + "/tarnick"};
      all.insert(all.end(), args.begin(), args.end());
      std::vector<char*> argv;
      for (auto& a : all) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    ASSERT_GT(app, 0);
    std::optional<TopLevel> w;
    ASSERT_TRUE(WaitFor([&] { return (w = WindowOfSize(400, 570)).has_value(); }, 20000))
        << "the main window never showed";
    main = *w;
    // Painted: the white body inside the grey frame.
    ASSERT_TRUE(WaitFor(
        [&] {
          return PixelAt(main.x + 3, main.y + 300) == Rgb{255, 255, 255};
        },
        10000));
  }

  // Screen position of a point of the main window.
  int X(int x) const { return main.x + x; }
  int Y(int y) const { return main.y + y; }

  bool Exited() {
    int status;
    if (app > 0 && waitpid(app, &status, WNOHANG) == app) {
      app = -1;
      return true;
    }
    return app <= 0;
  }

  // The "×" button of the title strip (Panel0 at 290, 2; the button at 84).
  void CloseByButton() {
    Click(X(290 + 84 + 10), Y(2 + 10));
    ASSERT_TRUE(WaitFor([&] { return Exited(); }, 10000)) << "the program did not end";
  }
};

TEST_F(XScreenTest, HeldStepButtonStopsWhenThePointerLeaves) {
  WriteSettings(411);
  Launch();
  // DigitBar2's up button: Panel5 (16, 196) + the bar (104, 8), 16 high.
  MoveTo(X(16 + 104 + 20), Y(196 + 8 + 8));
  Button(true);
  // Out sideways, never over the bar's middle: a move there would set the
  // value from the pointer's height, as a drag over the bar does.
  MoveTo(X(16 + 104 + 60), Y(196 + 8 + 8));
  MoveTo(900, 700);
  // Held far away: without the leave seen, 2 s of repeat add 17 steps.
  std::this_thread::sleep_for(milliseconds(2000));
  Shot("xscreen-digitbar-held-outside.png");
  Button(false);
  CloseByButton();
  EXPECT_EQ(Setting("C2"), "412");  // the one step of the press
}

TEST_F(XScreenTest, DisabledStartButtonDoesNotLightUp) {
  WriteSettings(384);
  Launch();
  // Button10 at Panel3 (6, 442) + (20, 72), 172 x 40; disabled with the list empty.
  const int bx = X(6 + 20), by = Y(442 + 72);
  MoveTo(X(200), Y(30 + 60));  // somewhere neutral first
  const QImage before = Grab(bx, by, 172, 40);
  MoveTo(bx + 86, by + 20);
  MoveTo(bx + 90, by + 22);
  int changed = 0;
  WaitFor(
      [&] {
        const QImage now = Grab(bx, by, 172, 40);
        changed = 0;
        for (int y = 0; y < 40; ++y)
          for (int x = 0; x < 172; ++x) changed += now.pixel(x, y) != before.pixel(x, y);
        return changed != 0;
      },
      1000);
  Shot("xscreen-disabled-start-hover.png");
  // A hint may open below the pointer; the button's own rows above it stay.
  const QImage now = Grab(bx, by, 172, 20);
  int changedTop = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 172; ++x) changedTop += now.pixel(x, y) != before.pixel(x, y);
  EXPECT_EQ(changedTop, 0);
  // Silver fill, grey border: the idle colours.
  EXPECT_EQ(PixelAt(bx + 5, by + 5), (Rgb{192, 192, 192}));
  EXPECT_EQ(PixelAt(bx, by + 20), (Rgb{128, 128, 128}));
}

TEST_F(XScreenTest, HintStaysWhenThePointerMovesOntoIt) {
  WriteSettings(384);
  Launch();
  // Over the drop panel (Panel1 (6, 30) + (6, 8), 374 x 120).
  MoveTo(X(30), Y(50));
  MoveTo(X(32), Y(52));
  std::optional<TopLevel> hint;
  auto findHint = [&] {
    for (const TopLevel& t : TopLevels())
      if (t.id != main.id && t.h < 60 && t.w < 400) return hint = t, true;
    return false;
  };
  ASSERT_TRUE(WaitFor(findHint, 3000)) << "no hint opened";
  Shot("xscreen-hint.png");
  // The pointer onto the hint, still over the panel beneath.
  MoveTo(hint->x + hint->w / 2, hint->y + hint->h / 2);
  int closedSamples = 0, samples = 0;
  const auto end = Clock::now() + milliseconds(1200);
  while (Clock::now() < end) {
    bool open = false;
    for (const TopLevel& t : TopLevels()) open |= t.id == hint->id;
    closedSamples += !open;
    ++samples;
    std::this_thread::sleep_for(milliseconds(20));
  }
  Shot("xscreen-hint-pointer-on-it.png");
  EXPECT_EQ(closedSamples, 0) << "closed in " << closedSamples << " of " << samples << " samples";
}

TEST_F(XScreenTest, WindowIsDraggedByItsSurface) {
  WriteSettings(384);
  Launch();
  ASSERT_EQ(main.x, 20);
  ASSERT_EQ(main.y, 20);
  // The title strip right of the title, left of the title buttons.
  MoveTo(X(230), Y(12));
  Button(true);
  for (int i = 1; i <= 10; ++i) MoveTo(X(230) + 10 * i, Y(12) + 5 * i);
  Button(false);
  std::optional<TopLevel> w;
  EXPECT_TRUE(
      WaitFor([&] { return (w = WindowOfSize(400, 570)) && w->x == 120 && w->y == 70; }, 5000))
      << "at " << (w ? w->x : -1) << "," << (w ? w->y : -1);
  Shot("xscreen-dragged.png");
  // A press on a panel does not move it.
  main = *w;
  MoveTo(X(200), Y(196 + 230));
  Button(true);
  MoveTo(X(200) + 50, Y(196 + 230) + 20);
  Button(false);
  MoveTo(X(200) + 60, Y(196 + 230) + 20);
  XSync(gDpy, False);
  w = WindowOfSize(400, 570);
  ASSERT_TRUE(w);
  EXPECT_EQ(w->x, 120);
  EXPECT_EQ(w->y, 70);
}

TEST_F(XScreenTest, TrackBarThumbsFollowARealDrag) {
  WriteSettings(384);
  Launch();
  // TrackBar2 at Panel5 (16, 196) + (64, 200): the thumb of position 1 spans
  // x 59 to 69, y 8 to 27; position 4's centre is at x 219.
  MoveTo(X(80 + 64), Y(396 + 18));
  Button(true);
  for (int x = 64; x <= 219; x += 31) MoveTo(X(80 + x), Y(396 + 18));
  MoveTo(X(80 + 219), Y(396 + 18));
  Button(false);
  // TrackBar1 at (224, 8) of the panel: position 3's thumb tip at y 124,
  // the thumb x 8 to 37; dragged up to position 0 (tip at y 16).
  MoveTo(X(240 + 23), Y(204 + 124));
  Button(true);
  for (int y = 124; y >= 16; y -= 27) MoveTo(X(240 + 23), Y(204 + y));
  MoveTo(X(240 + 23), Y(204 + 16));
  Button(false);
  MoveTo(X(200), Y(30 + 60));
  // Both thumbs painted where they were let go: their bright tips.
  EXPECT_TRUE(WaitFor(
      [&] {
        return PixelAt(X(80 + 219), Y(396 + 8)) == Rgb{255, 255, 255} &&
               PixelAt(X(240 + 8), Y(204 + 16)) == Rgb{255, 255, 255};
      },
      5000));
  Shot("xscreen-trackbars-dragged.png");
  CloseByButton();
  EXPECT_EQ(Setting("C5"), "4");
  EXPECT_EQ(Setting("C3"), "0");
}

TEST_F(XScreenTest, BatchThroughTheStartButton) {
  WriteSettings(384);
  const std::string source = folder + "/clip.avi";
  WriteAll(source, std::string(50000, 'v'));
  Launch({source});
  const int bx = X(6 + 20), by = Y(442 + 72);
  // Enabled now: a move over it lights it up (black border, yellow caption).
  MoveTo(bx + 86, by + 20);
  ASSERT_TRUE(WaitFor([&] { return PixelAt(bx, by + 20) == Rgb{0, 0, 0}; }, 3000));
  Button(true);
  Button(false);
  const auto pressed = Clock::now();
  // The progress window is painted in its own colours within 300 ms: the
  // light grey surface, the black outline.
  std::optional<TopLevel> p;
  bool painted = WaitFor(
      [&] {
        if (!p) p = WindowOfSize(401, 72);
        return p && PixelAt(p->x + 300, p->y + 8) == Rgb{235, 235, 235} &&
               PixelAt(p->x + 300, p->y) == Rgb{0, 0, 0};
      },
      300);
  const auto tookMs = std::chrono::duration_cast<milliseconds>(Clock::now() - pressed).count();
  Shot("xscreen-progress-first-paint.png");
  EXPECT_TRUE(painted) << "not painted " << tookMs << " ms after the press";
  ASSERT_TRUE(WaitFor([&] { return (p = WindowOfSize(401, 72)).has_value(); }, 5000));
  // Owned by the main window.
  Window owner = 0;
  EXPECT_TRUE(XGetTransientForHint(gDpy, p->id, &owner));
  EXPECT_EQ(owner, main.id);
  // The batch ends: the output is there and the progress window gone.
  const std::string out = folder + "/out/clip.mp4";
  EXPECT_TRUE(WaitFor([&] { return QFile::exists(QString::fromStdString(out)); }, 30000));
  EXPECT_TRUE(WaitFor([&] { return !WindowOfSize(401, 72).has_value(); }, 30000));
  Shot("xscreen-after-batch.png");
  EXPECT_NE(ReadAll(folder + "/encoder-runs.log").find("clip.avi"), std::string::npos);
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  gDisplay = StartXvfb();
  if (gDisplay.empty() || !(gDpy = XOpenDisplay(gDisplay.c_str()))) {
    std::printf("SKIPPED: Xvfb could not be started here (is the xvfb package installed?)\n");
    pid_t x = gXvfb;
    StopProcess(x);
    return 77;
  }
  int ev, er, major, minor;
  if (!XTestQueryExtension(gDpy, &ev, &er, &major, &minor)) {
    std::printf("SKIPPED: the X server has no XTEST extension\n");
    XCloseDisplay(gDpy);
    StopProcess(gXvfb);
    return 77;
  }
  const int rc = RUN_ALL_TESTS();
  XCloseDisplay(gDpy);
  StopProcess(gXvfb);
  return rc;
}
