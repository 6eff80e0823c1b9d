#include "platform/JpegImage.h"

#include <csetjmp>
#include <cstdio>
#include <memory>

#include <jpeglib.h>

namespace tarnick {
namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  bool corrupt = false;
};

[[noreturn]] void OnError(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings (level -1) mean damaged data, such as a file that ends early;
// such an image is not shown.
void OnMessage(j_common_ptr cinfo, int level) {
  if (level < 0) reinterpret_cast<ErrorManager*>(cinfo->err)->corrupt = true;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Kept out of DecodeJpegFile so no object with a destructor lives across
// setjmp there.
bool Decode(std::FILE* f, QImage& image) {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnError;
  err.pub.emit_message = OnMessage;
  jpeg_create_decompress(&cinfo);
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_stdio_src(&cinfo, f);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  image = QImage(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height),
                 QImage::Format_RGB888);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = image.scanLine(static_cast<int>(cinfo.output_scanline));
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return !err.corrupt;
}

}  // namespace

QImage DecodeJpegFile(const std::string& path) {
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
  if (!f) return {};
  QImage image;
  if (!Decode(f.get(), image)) return {};
  return image;
}

}  // namespace tarnick
