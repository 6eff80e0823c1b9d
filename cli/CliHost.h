#pragma once

#include "engine/QuietBatch.h"

namespace tarnick {

// The main window as a batch of the command line program sees it.
using CliHost = ListBatchHost;

}  // namespace tarnick
