#pragma once

#include <ostream>
#include <string>

#include "cli/CliHost.h"
#include "platform/FileOps.h"

namespace tarnick {

// Looks, never touches: every run is taken as having written its output.
// The dry run and the planning of the output names run the batch on it.
class LookingFiles : public FileOps {
 public:
  bool Exists(const std::string&) const override { return false; }
  void Delete(const std::string&) override {}
  bool ForceDirectories(const std::string&) override { return true; }
  std::int64_t FileSize(const std::string&) const override { return -1; }
  bool IsCompleteMp4(const std::string&) const override { return true; }
};

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
