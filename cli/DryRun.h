#pragma once

#include <ostream>
#include <string>

#include "cli/CliHost.h"

namespace tarnick {

enum class DryRunStyle {
  Adapted,   // every run of each file as it would run, quoted for a shell
  Described  // the conversion lines as built before adapting
};

// Runs the batch with an encoder that only prints, one line per run in batch
// order, so the output names (numbered duplicates, refused files) are
// exactly the batch's. Nothing is started but the encoder's list of its
// encoders (the adapting needs it), no folder is made, no file is written or
// deleted. A refused file is named on `err`; false when one was refused.
bool PrintDryRun(CliHost& host, std::ostream& out, std::ostream& err, DryRunStyle style);

}  // namespace tarnick
