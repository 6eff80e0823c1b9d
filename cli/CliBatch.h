#pragma once

#include <string>
#include <vector>

#include "cli/CliApp.h"
#include "cli/CliHost.h"

namespace tarnick {

// How the console batch runs and reports.
struct ConsoleBatchOptions {
  int Jobs = 1;               // files converted at once (at least 1)
  bool SkipExisting = false;  // leave out a file whose output is newer than it
  bool Quiet = false;         // no progress and no summary
  bool Verbose = false;       // each conversion line, and the encoder log kept
  bool Json = false;          // events on standard output, the progress on standard error
};

// Runs the batch with the console progress view and the real encoder, and
// gives the exit code: 0 when every file converted (or was up to date), 1
// when one failed or a path named nothing (`missingPaths`), 130 when
// interrupted by Ctrl-C (the runs in progress are ended and their partial
// outputs removed, as the cancel button does). The summary goes to standard
// output, the failures to standard error. With several jobs, files are
// handed out in list order to runners of their own; each file's passes stay
// in order and every output name is decided before any run starts, so the
// outputs are those of one job at a time.
int RunConsoleBatch(CliHost& host, int missingPaths, const CliEnvironment& env,
                    const ConsoleBatchOptions& options = {});

// The output each source of the list gets, as the batch names them (equal
// names numbered, an output that is a source of the list never given);
// empty for an entry the batch passes over. Nothing is run or written.
std::vector<std::string> PlanOutputs(const CliHost& host);

// Ctrl-C (SIGINT) and SIGTERM are taken as a cancel from here on (the batch
// installs it).
void InstallInterruptHandler();

}  // namespace tarnick
