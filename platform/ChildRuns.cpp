#include "platform/ChildRuns.h"

#include <QFile>
#include <QProcess>
#include <QStringList>

#include <memory>

#ifdef __linux__
#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#endif

namespace tarnick {
namespace {

#ifdef __linux__
// The argument vector, made before the fork: the child may not allocate.
struct RawCommand {
  std::vector<std::string> words;
  std::vector<char*> pointers;
};

void EndWithParent(pid_t parent) {
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  // The program may have died between the fork and the prctl.
  if (getppid() != parent) raise(SIGTERM);
}
#endif

}  // namespace

void EndWithProgram(QProcess& process) {
#ifdef __linux__
  const pid_t parent = getpid();
  process.setChildProcessModifier([parent] { EndWithParent(parent); });
#else
  (void)process;
#endif
}

void SetChildCommand(QProcess& process, const std::string& program,
                     const std::vector<std::string>& arguments) {
  // The text forms name the run in Qt's own messages; on Linux they never
  // reach the child.
  QStringList shown;
  shown.reserve(static_cast<qsizetype>(arguments.size()));
  for (const std::string& a : arguments) shown << QFile::decodeName(a.c_str());
  process.setProgram(QFile::decodeName(program.c_str()));
  process.setArguments(shown);
#ifdef __linux__
  auto raw = std::make_shared<RawCommand>();
  raw->words.reserve(arguments.size() + 1);
  raw->words.push_back(program);
  raw->words.insert(raw->words.end(), arguments.begin(), arguments.end());
  for (std::string& w : raw->words) raw->pointers.push_back(w.data());
  raw->pointers.push_back(nullptr);
  const pid_t parent = getpid();
  // Runs in the child after its channels and folder are set up. When the
  // exec fails, QProcess's own exec fails the same way and reports it.
  process.setChildProcessModifier([parent, raw] {
    EndWithParent(parent);
    execvp(raw->pointers[0], raw->pointers.data());
  });
#else
  EndWithProgram(process);
#endif
}

}  // namespace tarnick
