// Decoding a JPEG picture at the scale its shown size needs: the smallest of the
// library's reduced scales that still covers the size, decoded only once.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "picture/bitmap/Bitmap.h"
#include "picture/readers/jpeg/JpegImage.h"
#include "picture/core/Stream.h"
#include "tests/support/LibraryJpeg.h"
#include "text/Exceptions.h"

namespace {

// A flat gray picture of the given size as a JPEG file.
std::vector<uint8_t> GrayishJpeg(int width, int height) {
  const std::vector<uint8_t> row(static_cast<size_t>(width) * 3, 0x80);
  return LibraryJpeg(width, height, 3, JCS_RGB, [&](int) { return row.data(); });
}

void Load(TJPEGImage& jpeg, const std::vector<uint8_t>& bytes) {
  TMemoryStream stream;
  stream.SetSize(static_cast<int32_t>(bytes.size()));
  std::memcpy(stream.Memory(), bytes.data(), bytes.size());
  jpeg.LoadStream(stream);
}

}  // namespace

TEST(JpegScale, TheSmallestScaleThatStillCoversTheSizeIsDecoded) {
  // 1601 by 1201: the library rounds each scaled side up, to 801 by 601, 401 by
  // 301 and 201 by 151.
  const std::vector<uint8_t> file = GrayishJpeg(1601, 1201);
  struct Case {
    int width, height;
    TJPEGScale scale;
    int decodedWidth, decodedHeight;
  };
  const Case cases[] = {
      {100, 100, jsEighth, 201, 151},     {201, 151, jsEighth, 201, 151},  {202, 151, jsQuarter, 401, 301},
      {201, 152, jsQuarter, 401, 301},    {401, 301, jsQuarter, 401, 301}, {401, 302, jsHalf, 801, 601},
      {801, 601, jsHalf, 801, 601},       {802, 10, jsFullSize, 1601, 1201},
      {5000, 5000, jsFullSize, 1601, 1201},
  };
  for (const Case& c : cases) {
    const std::string what = std::to_string(c.width) + " by " + std::to_string(c.height);
    TJPEGImage jpeg;
    Load(jpeg, file);
    TBitmap& decoded = jpeg.BitmapFor(c.width, c.height);
    EXPECT_EQ(c.scale, jpeg.Options().ScaleShift) << what;
    EXPECT_EQ(c.decodedWidth, decoded.Width()) << what;
    EXPECT_EQ(c.decodedHeight, decoded.Height()) << what;
    EXPECT_EQ(1601, jpeg.Width()) << what << ": the picture's size stays its own";
    EXPECT_EQ(1201, jpeg.Height()) << what;
  }
}

TEST(JpegScale, ThePictureIsDecodedOnlyWhenNoEarlierDecodeCoversTheSize) {
  TJPEGImage jpeg;
  Load(jpeg, GrayishJpeg(1601, 1201));
  int decodes = 0;
  jpeg.OnProgress = [&](TPersistent*, TProgressStage stage, uint8_t, bool, RECT&, std::string&) {
    if (stage == psStarting) ++decodes;
  };
  jpeg.BitmapFor(200, 150);
  jpeg.BitmapFor(150, 100);
  jpeg.BitmapFor(201, 151);
  jpeg.Bitmap();
  EXPECT_EQ(1, decodes) << "an eighth covers all of these";
  jpeg.BitmapFor(400, 300);
  EXPECT_EQ(2, decodes) << "a larger size needs a larger scale";
  EXPECT_EQ(jsQuarter, jpeg.Options().ScaleShift);
  jpeg.BitmapFor(200, 150);
  jpeg.BitmapFor(401, 301);
  EXPECT_EQ(2, decodes) << "the quarter covers these";
  jpeg.BitmapFor(3000, 3000);
  jpeg.BitmapFor(4000, 4000);
  EXPECT_EQ(3, decodes) << "the full size is decoded once and serves any size";
}

TEST(JpegScale, AFailedDecodeIsNotRepeatedForAnotherSize) {
  // A baseline file marked progressive: the header reads, but its first scan is
  // no valid progressive scan, so the decode fails.
  std::vector<uint8_t> file = GrayishJpeg(1601, 1201);
  for (size_t i = 2; i + 1 < file.size(); ++i) {
    if (file[i] == 0xFF && file[i + 1] == 0xC0) {
      file[i + 1] = 0xC2;  // progressive, while the scan is a baseline one
      break;
    }
  }
  TJPEGImage jpeg;
  Load(jpeg, file);
  EXPECT_THROW(jpeg.BitmapFor(200, 150), EJPEG);
  EXPECT_NO_THROW(jpeg.BitmapFor(400, 300)) << "the failure was reported once; the empty bitmap stays";
  EXPECT_EQ(1601, jpeg.Width());
}
