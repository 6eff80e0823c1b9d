#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <vector>

#include <jpeglib.h>
#include <QTemporaryDir>

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

// A small file whose frame header claims another size.
std::string ClaimSize(std::string jpeg, int w, int h) {
  for (std::size_t i = 0; i + 9 < jpeg.size(); ++i)
    if (static_cast<unsigned char>(jpeg[i]) == 0xFF &&
        static_cast<unsigned char>(jpeg[i + 1]) == 0xC0) {
      jpeg[i + 5] = static_cast<char>(h >> 8), jpeg[i + 6] = static_cast<char>(h & 0xFF);
      jpeg[i + 7] = static_cast<char>(w >> 8), jpeg[i + 8] = static_cast<char>(w & 0xFF);
      return jpeg;
    }
  ADD_FAILURE() << "no frame header";
  return jpeg;
}

TEST_F(JpegImage, AHugeClaimedSizeGivesNoImageWithoutAllocating) {
  const std::string huge = ClaimSize(EncodeJpeg(16, 16, 9, 9, 9), 65500, 65500);
  ASSERT_LT(huge.size(), 1000u);
  EXPECT_TRUE(DecodeJpegFile(Write("huge.jpg", huge)).isNull());
  EXPECT_TRUE(DecodeJpegFile(Write("huge.jpg", huge), PreviewJpegLimits).isNull());
  EXPECT_TRUE(
      DecodeJpegData(reinterpret_cast<const unsigned char*>(huge.data()), huge.size()).isNull());
}

TEST_F(JpegImage, APreviewLargerThanItsThumbnailSizeIsRefused) {
  struct Case {
    int w, h;
    bool shown;
  };
  for (Case c : {Case{80, 60, true}, Case{320, 240, true}, Case{321, 240, false},
                 Case{320, 241, false}, Case{1920, 1080, false}}) {
    const std::string bytes = EncodeJpeg(c.w, c.h, 50, 60, 70);
    const QImage file = DecodeJpegFile(Write("p.jpg", bytes), PreviewJpegLimits);
    const QImage data = DecodeJpegData(reinterpret_cast<const unsigned char*>(bytes.data()),
                                       bytes.size(), PreviewJpegLimits);
    EXPECT_EQ(!file.isNull(), c.shown) << c.w << "x" << c.h;
    EXPECT_EQ(!data.isNull(), c.shown) << c.w << "x" << c.h;
    if (c.shown) {
      EXPECT_EQ(file.size(), QSize(c.w, c.h));
    }
  }
  // The general limit takes an ordinary picture.
  EXPECT_EQ(DecodeJpegFile(Write("big.jpg", EncodeJpeg(1920, 1080, 1, 1, 1))).size(),
            QSize(1920, 1080));
}

}  // namespace
}  // namespace tarnick
