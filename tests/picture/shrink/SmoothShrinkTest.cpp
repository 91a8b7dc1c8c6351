// Shrinking with the filter: fine detail becomes its average, never a pattern;
// the picture keeps its place and orientation, whatever the source's format.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "picture/bitmap/Bitmap.h"
#include "picture/shrink/SmoothShrink.h"
#include "picture/core/Stream.h"
#include "tests/support/BitmapTestSupport.h"

using namespace bitmap_test;

namespace {

int Channel(DWORD pixel, int shift) { return static_cast<int>(pixel >> shift & 0xFF); }

bool Near(DWORD pixel, DWORD wanted, int tolerance) {
  for (int shift : {0, 8, 16}) {
    if (std::abs(Channel(pixel, shift) - Channel(wanted, shift)) > tolerance) return false;
  }
  return true;
}

void Load(TBitmap& bitmap, const std::vector<uint8_t>& file) {
  TMemoryStream stream;
  stream.SetSize(static_cast<int32_t>(file.size()));
  std::memcpy(stream.Memory(), file.data(), file.size());
  bitmap.LoadStream(stream);
}

// The rows of a one-pixel black and white checkerboard, as a BMP file stores them
// (bottom row first), for pixels of bitCount bits where black is 0.
std::vector<uint8_t> CheckerRows(int width, int height, int bitCount, uint32_t white) {
  const size_t stride = static_cast<size_t>(RowStride(width, bitCount, 32));
  std::vector<uint8_t> rows(stride * height);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = rows.data() + stride * (height - 1 - y);
    for (int x = 0; x < width; ++x) {
      if ((x + y) % 2 == 0) continue;
      if (bitCount < 8) {
        const int bit = x * bitCount;
        row[bit / 8] |= static_cast<uint8_t>(white << (8 - bitCount - bit % 8));
      } else {
        for (int b = 0; b < bitCount / 8; ++b) row[x * bitCount / 8 + b] = static_cast<uint8_t>(white >> (8 * b));
      }
    }
  }
  return rows;
}

}  // namespace

TEST(SmoothShrink, AOnePixelCheckerboardOfAnyFormatBecomesFlatGray) {
  struct Format {
    int bitCount;
    uint32_t white;
    std::vector<DWORD> table;
  };
  const std::vector<Format> formats = {{1, 1, {kBlack, kWhite}},   {4, 1, {kBlack, kWhite}},
                                       {8, 1, {kBlack, kWhite}},   {16, 0x7FFF, {}},
                                       {24, 0xFFFFFF, {}},         {32, 0xFFFFFF, {}}};
  // 403 by 301 shown as 97 by 64: neither side divides evenly.
  for (const Format& format : formats) {
    for (bool deviceBitmap : {false, true}) {
      const std::string what = std::to_string(format.bitCount) + " bits" + (deviceBitmap ? ", made a DDB" : "");
      TBitmap source;
      Load(source, BmpFile(403, 301, static_cast<uint16_t>(format.bitCount), format.table,
                           CheckerRows(403, 301, format.bitCount, format.white),
                           static_cast<uint32_t>(format.table.size())));
      if (deviceBitmap) source.SetPixelDepth(pdDevice);
      const std::vector<DWORD> before = PixelsOf(source);
      ASSERT_EQ(kBlack, before[0]) << what;
      ASSERT_EQ(kWhite, before[1]) << what;

      const std::unique_ptr<TBitmap> shrunk = ShrinkSmoothly(source, 97, 64);
      ASSERT_EQ(97, shrunk->Width()) << what;
      ASSERT_EQ(64, shrunk->Height()) << what;
      EXPECT_EQ(pd24Bit, shrunk->PixelDepth()) << what;
      const std::vector<DWORD> pixels = PixelsOf(*shrunk);
      int off = 0;
      for (DWORD pixel : pixels) off += Near(pixel, 0x808080, 4) ? 0 : 1;
      EXPECT_EQ(0, off) << what << ": pixels not flat gray, e.g. " << std::hex << pixels[0] << " " << pixels[1];
    }
  }
}

TEST(SmoothShrink, ThePictureKeepsItsPlaceAndOrientation) {
  // Quarters: red, green above; blue, white below. 610 by 490 averages 5 by 4
  // blocks with smaller blocks at the bottom edge before it is filtered.
  constexpr int kWidth = 610, kHeight = 490, kShownWidth = 61, kShownHeight = 49;
  std::vector<DWORD> quarters(static_cast<size_t>(kWidth) * kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      quarters[static_cast<size_t>(y) * kWidth + x] =
          y < kHeight / 2 ? (x < kWidth / 2 ? kRed : kGreen) : (x < kWidth / 2 ? kBlue : kWhite);
    }
  }
  // A 24-bit file row of the same picture, bottom-up or top-down.
  const auto file24 = [&](bool topDown) {
    const size_t stride = static_cast<size_t>(RowStride(kWidth, 24, 32));
    std::vector<uint8_t> rows(stride * kHeight);
    for (int y = 0; y < kHeight; ++y) {
      uint8_t* row = rows.data() + stride * (topDown ? y : kHeight - 1 - y);
      for (int x = 0; x < kWidth; ++x) {
        const DWORD pixel = quarters[static_cast<size_t>(y) * kWidth + x];
        row[x * 3] = static_cast<uint8_t>(pixel);
        row[x * 3 + 1] = static_cast<uint8_t>(pixel >> 8);
        row[x * 3 + 2] = static_cast<uint8_t>(pixel >> 16);
      }
    }
    return BmpFile(kWidth, topDown ? -kHeight : kHeight, 24, {}, rows);
  };

  for (int kind = 0; kind < 4; ++kind) {
    const char* what[] = {"24-bit bottom-up", "24-bit top-down", "32-bit section", "device bitmap"};
    TBitmap source;
    if (kind < 2) {
      Load(source, file24(kind == 1));
    } else {
      SetPixels(source, kWidth, kHeight, quarters);
      if (kind == 3) source.SetPixelDepth(pdDevice);
    }
    const std::unique_ptr<TBitmap> shrunk = ShrinkSmoothly(source, kShownWidth, kShownHeight);
    const std::vector<DWORD> pixels = PixelsOf(*shrunk);
    const auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y) * kShownWidth + x]; };
    // The edges between the quarters lie at 30.5 and 24.5: a few pixels off either
    // side the colours are clean.
    for (int y : {0, 21}) {
      EXPECT_TRUE(Near(at(0, y), kRed, 3)) << what[kind] << std::hex << " " << at(0, y);
      EXPECT_TRUE(Near(at(27, y), kRed, 3)) << what[kind];
      EXPECT_TRUE(Near(at(33, y), kGreen, 3)) << what[kind];
      EXPECT_TRUE(Near(at(60, y), kGreen, 3)) << what[kind];
    }
    for (int y : {27, 48}) {
      EXPECT_TRUE(Near(at(0, y), kBlue, 3)) << what[kind];
      EXPECT_TRUE(Near(at(27, y), kBlue, 3)) << what[kind];
      EXPECT_TRUE(Near(at(33, y), kWhite, 3)) << what[kind];
      EXPECT_TRUE(Near(at(60, y), kWhite, 3)) << what[kind];
    }
    // On the edge itself the two colours meet half and half.
    EXPECT_TRUE(Near(at(30, 0), 0x808000, 24)) << what[kind] << std::hex << " " << at(30, 0);
  }
}

TEST(SmoothShrink, OnlyPicturesMadeSmallerInSomeDirectionAreShrunk) {
  EXPECT_TRUE(DrawnSmaller(600, 400, 590, 400));
  EXPECT_TRUE(DrawnSmaller(600, 400, 700, 399)) << "smaller in one direction, larger in the other";
  EXPECT_FALSE(DrawnSmaller(600, 400, 600, 400));
  EXPECT_FALSE(DrawnSmaller(300, 200, 590, 400));
  EXPECT_FALSE(DrawnSmaller(0, 0, 590, 400));
  EXPECT_FALSE(DrawnSmaller(600, 400, 0, 0));
}

namespace {

constexpr double kPi = 3.14159265358979323846;

// 24-bit BMP rows of a gray sine grating across: 128 + 120 sin(2 pi x / period)
// at each pixel's centre.
std::vector<uint8_t> GratingRows(int width, int height, double period) {
  const size_t stride = static_cast<size_t>(RowStride(width, 24, 32));
  std::vector<uint8_t> rows(stride * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto level = static_cast<uint8_t>(std::lround(128 + 120 * std::sin(2 * kPi * (x + 0.5) / period)));
      for (int c = 0; c < 3; ++c) rows[stride * y + x * 3 + c] = level;
    }
  }
  return rows;
}

}  // namespace

TEST(SmoothShrink, DetailTheResultCannotHoldTurnsGrayAndCoarserDetailKeepsItsContrastAndPlace) {
  // 1999 pixels shown as 97: averaged in blocks of 5 and 6 pixels before the filter.
  const int width = 1999, shown = 97;
  const double factor = static_cast<double>(width) / shown;
  // Cycles per shown pixel: the result holds up to 0.5.
  for (const double frequency : {0.25, 0.7}) {
    TBitmap source;
    Load(source, BmpFile(width, 4, 24, {}, GratingRows(width, 4, factor / frequency), 0));
    const std::vector<DWORD> pixels = PixelsOf(*ShrinkSmoothly(source, shown, 4));
    int worst = 0;
    // The outermost pixels, whose kernel reaches past the picture, are left out.
    for (int x = 3; x < shown - 3; ++x) {
      const double expected = frequency < 0.5 ? 128 + 120 * std::sin(2 * kPi * (x + 0.5) * frequency) : 128;
      const int got = Channel(pixels[static_cast<size_t>(shown + x)], 8);
      worst = std::max(worst, std::abs(got - static_cast<int>(std::lround(expected))));
    }
    EXPECT_LE(worst, frequency < 0.5 ? 3 : 5) << frequency << " cycles per shown pixel";
  }
}

TEST(SmoothShrink, AFlatPictureStaysFlatFromOnePixelToFarLargerAndToTheSmallestSizes) {
  // Source and shown sizes: one pixel, factors near 1, shrunk one way and
  // enlarged the other, tiny shown sizes of wide and tall pictures.
  struct Sizes {
    int width, height, shownWidth, shownHeight;
  };
  const Sizes cases[] = {{1, 1, 1, 1},     {2, 2, 1, 1},       {1, 500, 1, 7},    {5000, 1, 3, 1},
                         {601, 400, 600, 399}, {600, 400, 599, 400}, {3, 3, 2, 2}, {20000, 2, 1, 1},
                         {7, 900, 700, 1}, {1000, 1000, 1, 1}, {333, 1, 332, 40}};
  constexpr DWORD kFlat = 0x3C6E96;
  for (const Sizes& c : cases) {
    TBitmap source;
    SetPixels(source, c.width, c.height, std::vector<DWORD>(static_cast<size_t>(c.width) * c.height, kFlat));
    const std::unique_ptr<TBitmap> shrunk = ShrinkSmoothly(source, c.shownWidth, c.shownHeight);
    const std::vector<DWORD> pixels = PixelsOf(*shrunk);
    ASSERT_EQ(static_cast<size_t>(c.shownWidth) * c.shownHeight, pixels.size());
    const auto off = std::count_if(pixels.begin(), pixels.end(), [](DWORD p) { return !Near(p, kFlat, 1); });
    EXPECT_EQ(0, off) << c.width << "x" << c.height << " shown " << c.shownWidth << "x" << c.shownHeight;
  }
}
