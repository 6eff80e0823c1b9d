#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <vector>

#include <QTemporaryDir>
#include <jpeglib.h>

#include "platform/JpegImage.h"

namespace tarnick {
namespace {

// A JPEG of one flat colour.
std::string EncodeJpeg(int w, int h, unsigned char r, unsigned char g, unsigned char b) {
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &mem, &size);
  cinfo.image_width = static_cast<JDIMENSION>(w);
  cinfo.image_height = static_cast<JDIMENSION>(h);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 95, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<unsigned char> row(static_cast<std::size_t>(w) * 3);
  for (int x = 0; x < w; ++x) row[x * 3] = r, row[x * 3 + 1] = g, row[x * 3 + 2] = b;
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&cinfo, &p, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string out(reinterpret_cast<char*>(mem), size);
  std::free(mem);
  return out;
}

class JpegImage : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    std::string p = dir.filePath(QString::fromStdString(name)).toStdString();
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  QTemporaryDir dir;
};

TEST_F(JpegImage, DecodesSizeAndColour) {
  QImage img = DecodeJpegFile(Write("a.jpg", EncodeJpeg(80, 60, 200, 40, 10)));
  ASSERT_FALSE(img.isNull());
  EXPECT_EQ(img.size(), QSize(80, 60));
  QColor c = img.pixelColor(40, 30);
  EXPECT_NEAR(c.red(), 200, 4);
  EXPECT_NEAR(c.green(), 40, 4);
  EXPECT_NEAR(c.blue(), 10, 4);
}

TEST_F(JpegImage, BrokenFilesGiveNoImage) {
  const std::string good = EncodeJpeg(160, 120, 1, 2, 3);
  const std::vector<std::pair<const char*, std::string>> cases{
      {"empty", ""},
      {"text", "this is not a picture"},
      {"header only", good.substr(0, 200)},
      {"cut short", good.substr(0, good.size() / 2)},
  };
  for (const auto& [name, bytes] : cases)
    EXPECT_TRUE(DecodeJpegFile(Write(std::string(name) + ".jpg", bytes)).isNull()) << name;
  EXPECT_TRUE(DecodeJpegFile(dir.filePath("missing.jpg").toStdString()).isNull());
  EXPECT_TRUE(DecodeJpegFile(dir.path().toStdString()).isNull());
}

}  // namespace
}  // namespace tarnick
