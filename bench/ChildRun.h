#pragma once

// What the command line benchmarks share: clips made by the real ffmpeg in
// a private folder, and child processes timed by wall clock and by the CPU
// they and their children used (getrusage RUSAGE_CHILDREN).
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

namespace tarnick::bench {

struct Cost {
  double Wall = 0;
  double Cpu = 0;
  int Code = -1;
};

inline double ChildrenCpu() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs argv with standard input, output and error on the null device.
inline Cost RunChild(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const double cpu = ChildrenCpu();
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    freopen("/dev/null", "r", stdin);
    freopen("/dev/null", "w", stdout);
    freopen("/dev/null", "w", stderr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  Cost c;
  c.Wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  c.Cpu = ChildrenCpu() - cpu;
  c.Code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return c;
}

// A clip with picture and sound.
inline bool MakeClip(const std::string& path, int seconds, const std::string& size) {
  const std::string s = std::to_string(seconds);
  return RunChild({"ffmpeg",
                   "-hide_banner",
                   "-loglevel",
                   "error",
                   "-y",
                   "-f",
                   "lavfi",
                   "-i",
                   "testsrc=duration=" + s + ":size=" + size + ":rate=25",
                   "-f",
                   "lavfi",
                   "-i",
                   "sine=duration=" + s,
                   "-shortest",
                   "-c:v",
                   "mpeg4",
                   "-q:v",
                   "3",
                   "-c:a",
                   "pcm_s16le",
                   path})
             .Code == 0;
}

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

inline int EnvInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::atoi(v) : fallback;
}

inline const std::string Cli = std::string(TARNICK_BIN_DIR) + "/tarnick-cli";

}  // namespace tarnick::bench
