#pragma once

#include "cli/CliApp.h"
#include "cli/CliHost.h"

namespace tarnick {

// Runs the batch with the console progress view and the real encoder,
// prints the summary on standard error and gives the exit code: 0 when every
// file converted, 1 when one failed or a path named nothing (`missingPaths`),
// 130 when interrupted by Ctrl-C (the run in progress is ended and its
// partial output removed, as the cancel button does).
int RunConsoleBatch(CliHost& host, int missingPaths, const CliEnvironment& env);

// Ctrl-C (SIGINT) and SIGTERM are taken as a cancel from here on (the batch
// installs it).
void InstallInterruptHandler();

}  // namespace tarnick
