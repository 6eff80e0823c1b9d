#include "app/PspTransfer.h"

namespace tarnick {

bool TransferToPsp(IVolumeSource& volumes, IPspTransferTarget& target) {
  // Read afresh at every click: a stick plugged in after a failed try is
  // found on the next.
  const std::optional<std::string> video = FindPspVideoFolder(volumes.VolumeRoots());
  if (!video) {
    target.Beep();
    target.ShowMessage(std::string(PspNotFoundMessage));
    return false;
  }
  target.SetOutputFolder(*video);
  target.RunBatch();
  return true;
}

}  // namespace tarnick
