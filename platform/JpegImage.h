#pragma once

#include <cstddef>
#include <string>

#include <QImage>

namespace tarnick {

// The largest picture a decode accepts. The header's dimensions are checked
// before anything is allocated, so a small file claiming a huge picture
// costs nothing.
struct JpegLimits {
  int MaxWidth = 4096;
  int MaxHeight = 4096;
};

// The preview is made at 80x60; a margin allows an encoder that rounds up.
inline constexpr JpegLimits PreviewJpegLimits{320, 240};

// What libjpeg may allocate for one decode, beyond the picture itself.
inline constexpr long JpegWorkMemoryBytes = 64L * 1024 * 1024;

// Decodes a JPEG file with libjpeg. A file that is missing, not a JPEG, cut
// short (the encoder may still be writing it), larger than `limits` or
// that cannot be allocated gives a null image.
QImage DecodeJpegFile(const std::string& path, JpegLimits limits = {});

// The same for bytes in memory.
QImage DecodeJpegData(const unsigned char* data, std::size_t size, JpegLimits limits = {});

}  // namespace tarnick
