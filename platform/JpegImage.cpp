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

// A progressive file may hold thousands of tiny scans, each a pass over the
// whole picture: far more than any encoder writes means a hostile file.
constexpr int MaxScans = 100;

void OnProgress(j_common_ptr cinfo) {
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->is_decompressor && d->input_scan_number > MaxScans)
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Kept apart so no object with a destructor lives across setjmp there.
// `attach` sets the source of the decompressor.
template <typename Attach>
bool Decode(Attach attach, JpegLimits limits, QImage& image) {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  jpeg_progress_mgr progress{};
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnError;
  err.pub.emit_message = OnMessage;
  jpeg_create_decompress(&cinfo);
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    image = QImage();
    return false;
  }
  cinfo.mem->max_memory_to_use = JpegWorkMemoryBytes;
  progress.progress_monitor = OnProgress;
  cinfo.progress = &progress;
  attach(cinfo);
  jpeg_read_header(&cinfo, TRUE);
  // The claimed size decides before any buffer is made.
  if (cinfo.image_width == 0 || cinfo.image_height == 0 ||
      cinfo.image_width > static_cast<JDIMENSION>(limits.MaxWidth) ||
      cinfo.image_height > static_cast<JDIMENSION>(limits.MaxHeight)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  if (cinfo.output_components != 3) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  image = QImage(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height),
                 QImage::Format_RGB888);
  if (image.isNull()) {  // out of memory
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = image.scanLine(static_cast<int>(cinfo.output_scanline));
    if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) {
      jpeg_destroy_decompress(&cinfo);
      image = QImage();
      return false;
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return !err.corrupt;
}

}  // namespace

QImage DecodeJpegFile(const std::string& path, JpegLimits limits) {
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
  if (!f) return {};
  QImage image;
  std::FILE* file = f.get();
  if (!Decode([file](jpeg_decompress_struct& c) { jpeg_stdio_src(&c, file); }, limits, image))
    return {};
  return image;
}

QImage DecodeJpegData(const unsigned char* data, std::size_t size, JpegLimits limits) {
  if (!data || size == 0) return {};
  QImage image;
  if (!Decode(
          [data, size](jpeg_decompress_struct& c) {
            jpeg_mem_src(&c, data, static_cast<unsigned long>(size));
          },
          limits, image))
    return {};
  return image;
}

}  // namespace tarnick
