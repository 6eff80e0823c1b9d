#pragma once

#include <string>
#include <string_view>

#include "platform/Volumes.h"

namespace tarnick {

inline constexpr std::string_view PspNotFoundMessage =
    "PSP本体がPCに接続(USBモード)されていないか,PSP用のMemoryStickがPCに差し込まれていません。\n"
    "ご確認の上,もう一度実行して下さい。";

// What the Memory Stick button does to the main window.
class IPspTransferTarget {
 public:
  virtual ~IPspTransferTarget() = default;
  // Sets the output folder (C1_03's path, with its change handler).
  virtual void SetOutputFolder(const std::string& folder) = 0;
  // The plain start button's batch.
  virtual void RunBatch() = 0;
  virtual void Beep() = 0;
  virtual void ShowMessage(const std::string& text) = 0;
};

// Looks through the volumes listed now for a PSP folder tree; the last one
// found in list order gets the output, then the batch runs. Without one:
// a beep and the message, and nothing else changes. True when the batch ran.
bool TransferToPsp(IVolumeSource& volumes, IPspTransferTarget& target);

}  // namespace tarnick
