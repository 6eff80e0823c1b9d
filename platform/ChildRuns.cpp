#include "platform/ChildRuns.h"

#include <QProcess>

#ifdef __linux__
#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#endif

namespace tarnick {
void EndWithProgram(QProcess& process) {
#ifdef __linux__
  const pid_t parent = getpid();
  process.setChildProcessModifier([parent] {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    // The program may have died between the fork and the prctl.
    if (getppid() != parent) raise(SIGTERM);
  });
#else
  (void)process;
#endif
}

}  // namespace tarnick
