#pragma once

// Runs a check in a child process that cannot override file permissions, so
// that tests of unreadable and unwritable files mean something when the
// tests themselves run as root. The check returns "" on success or a
// description of what went wrong.

#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <exception>
#include <functional>
#include <string>

namespace tarnick::test {

// The user the child runs as when started by root.
inline constexpr uid_t UnprivilegedId = 65534;

// Gives a path to that user, so the child owns what the test prepared.
inline void GiveToUnprivileged(const std::string& path) {
  if (geteuid() == 0 && chown(path.c_str(), UnprivilegedId, UnprivilegedId) != 0) {
  }
}

inline std::string RunUnprivileged(const std::function<std::string()>& check) {
  int fds[2];
  if (pipe(fds) != 0) return "pipe failed";
  pid_t pid = fork();
  if (pid < 0) return "fork failed";
  if (pid == 0) {
    close(fds[0]);
    std::string result;
    if (geteuid() == 0 && (setgid(UnprivilegedId) != 0 || setuid(UnprivilegedId) != 0)) {
      result = "cannot drop privileges";
    } else {
      try {
        result = check();
      } catch (const std::exception& e) {
        result = std::string("exception: ") + e.what();
      } catch (...) {
        result = "unknown exception";
      }
    }
    const char* p = result.data();
    std::size_t left = result.size();
    while (left > 0) {
      ssize_t n = write(fds[1], p, left);
      if (n <= 0) break;
      p += n;
      left -= static_cast<std::size_t>(n);
    }
    _exit(0);
  }
  close(fds[1]);
  std::string out;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
    out.append(buffer, static_cast<std::size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status)) return "child did not exit";
  return out;
}

}  // namespace tarnick::test
