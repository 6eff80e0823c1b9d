#pragma once

#include <string>

#include <QImage>

namespace tarnick {

// Decodes a JPEG file with libjpeg. A file that is missing, not a JPEG, or
// cut short (the encoder may still be writing it) gives a null image.
QImage DecodeJpegFile(const std::string& path);

}  // namespace tarnick
