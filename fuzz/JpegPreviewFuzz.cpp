// The preview loader on any bytes: a picture within the preview's limits,
// or no preview. Run with -malloc_limit_mb=64: no decode may ask for more.
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "platform/JpegImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarnick;
  const QImage image = DecodeJpegData(data, size, PreviewJpegLimits);
  if (image.isNull()) return 0;
  FUZZ_CHECK(image.width() > 0 && image.width() <= PreviewJpegLimits.MaxWidth);
  FUZZ_CHECK(image.height() > 0 && image.height() <= PreviewJpegLimits.MaxHeight);
  // Every row is there to be painted.
  FUZZ_CHECK(image.constScanLine(image.height() - 1) != nullptr);
  // Tighter limits refuse what does not fit them, and the same bytes always
  // give the same picture.
  const JpegLimits smaller{image.width() - 1, image.height()};
  FUZZ_CHECK(DecodeJpegData(data, size, smaller).isNull());
  FUZZ_CHECK(DecodeJpegData(data, size, PreviewJpegLimits) == image);
  return 0;
}
