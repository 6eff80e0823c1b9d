#pragma once

// Test help around the fake encoder (tests/fake_encoder): a program folder
// holding it, its run log, and environment switches that undo themselves.
#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace tarnick::testsupport {

inline std::string FakeEncoderBinary() {
  return std::string(TARNICK_TEST_BIN_DIR) + "/ffmpeg";
}

struct FakeRun {
  int Pid = 0;
  std::string Cwd;
  bool StdinNull = false;
  std::vector<std::string> Args;
};

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (qEnvironmentVariableIsSet(name)) old_ = qgetenv(name);
    qputenv(name, QByteArray::fromStdString(value));
  }
  ~ScopedEnv() {
    if (old_)
      qputenv(name_, *old_);
    else
      qunsetenv(name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<QByteArray> old_;
};

// A temporary program folder with the fake encoder as its "ffmpeg", and the
// log it writes.
class FakeEncoderFolder {
 public:
  explicit FakeEncoderFolder(bool withEncoder = true)
      : logEnv_("FAKE_FFMPEG_LOG", dir_.filePath("encoder-runs.log").toStdString()) {
    if (withEncoder) {
      QString target = dir_.filePath("ffmpeg");
      QFile::copy(QString::fromStdString(FakeEncoderBinary()), target);
      QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
  }

  std::string Folder() const { return dir_.path().toStdString(); }
  std::string Path(const std::string& name) const {
    return dir_.filePath(QString::fromStdString(name)).toStdString();
  }
  std::string LogPath() const { return dir_.filePath("encoder-runs.log").toStdString(); }

  // Creates a file (a source) and returns its path.
  std::string MakeFile(const std::string& name, const std::string& content = "source") const {
    std::string p = Path(name);
    std::ofstream(p, std::ios::binary) << content;
    return p;
  }

  std::vector<FakeRun> Runs() const {
    std::vector<FakeRun> runs;
    std::ifstream in(LogPath());
    std::string line;
    FakeRun cur;
    while (std::getline(in, line)) {
      if (line.rfind("RUN ", 0) == 0)
        cur = FakeRun{std::stoi(line.substr(4)), "", false, {}};
      else if (line.rfind("CWD ", 0) == 0)
        cur.Cwd = line.substr(4);
      else if (line.rfind("STDIN ", 0) == 0)
        cur.StdinNull = line.substr(6) == "null";
      else if (line.rfind("ARG ", 0) == 0)
        cur.Args.push_back(line.substr(4));
      else if (line == "END")
        runs.push_back(cur);
    }
    return runs;
  }

  // Runs that are not the encoder list probe.
  std::vector<FakeRun> WorkRuns() const {
    std::vector<FakeRun> out;
    for (auto& r : Runs())
      if (r.Args != std::vector<std::string>{"-hide_banner", "-encoders"}) out.push_back(r);
    return out;
  }

 private:
  QTemporaryDir dir_;
  ScopedEnv logEnv_;
};

// Creates an empty file (opens a gate of the fake encoder).
inline void Touch(const std::string& path) {
  std::ofstream(path, std::ios::app);
}

// Waits up to `ms` for a condition, sleeping between looks.
inline bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) return false;
    QThread::msleep(10);
  }
  return true;
}

// True once the process has exited (gone, or a zombie not yet reaped): a
// test that needs "the encoder has ended" waits on this, not on a sleep.
inline bool ProcessEnded(int pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!std::getline(stat, text)) return true;
  const auto close = text.rfind(')');
  if (close == std::string::npos || close + 2 >= text.size()) return true;
  const char state = text[close + 2];
  return state == 'Z' || state == 'X';
}

// Waits for the last encoder run (not the encoder list probe) to exit.
inline bool WaitForLastRunToEnd(const FakeEncoderFolder& f, int ms = 5000) {
  int pid = 0;
  if (!WaitFor(
          [&] {
            const auto runs = f.WorkRuns();
            if (!runs.empty()) pid = runs.back().Pid;
            return pid != 0;
          },
          ms))
    return false;
  return WaitFor([&] { return ProcessEnded(pid); }, ms);
}

}  // namespace tarnick::testsupport
