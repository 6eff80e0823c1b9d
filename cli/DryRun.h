#pragma once

#include <ostream>

#include "cli/CliHost.h"

namespace tarnick {

// Runs the batch with an encoder that only prints: each conversion line's
// text, one line per file and pass in batch order, so the output names
// (numbered duplicates, refused files) are exactly the batch's. Nothing is
// started, no folder is made, no file is written or deleted.
void PrintDryRun(CliHost& host, std::ostream& out);

}  // namespace tarnick
