// Photos tagged with an Exif orientation are decoded upright, compared with the
// same files turned by another tool (tests/data/exif, see its README); a tag that
// is missing, damaged or absurd leaves the picture as stored.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <utility>
#include <string>
#include <vector>

#include "picture/bitmap/Bitmap.h"
#include "picture/metadata/ExifOrientation.h"
#include "picture/readers/jpeg/JpegImage.h"
#include "picture/readers/jpeg/JpegProgress.h"
#include "picture/core/Stream.h"
#include "tests/support/BitmapTestSupport.h"
#include "tests/support/ReferencePictures.h"
#include "tests/support/ExifSegment.h"
#include "tests/support/LibraryJpeg.h"

using namespace bitmap_test;
using namespace exif_segment;
using namespace reference_pictures;

namespace {

std::string DataFolder() { return reference_pictures::DataFolder("exif"); }

// The picture shrunk by averaging blocks of 2^shift pixels a side, as the
// library's reduced scales do (the sides here divide exactly).
Picture Shrunk(const Picture& p, int shift) {
  const int n = 1 << shift;
  Picture s{p.width / n, p.height / n, {}};
  for (int y = 0; y < s.height; ++y) {
    for (int x = 0; x < s.width; ++x) {
      int sum[3] = {0, 0, 0};
      for (int v = 0; v < n; ++v)
        for (int u = 0; u < n; ++u)
          for (int k = 0; k < 3; ++k) sum[k] += Channel(p.At(x * n + u, y * n + v), 8 * k);
      DWORD pixel = 0;
      for (int k = 0; k < 3; ++k) pixel |= static_cast<DWORD>((sum[k] + n * n / 2) / (n * n)) << (8 * k);
      s.pixels.push_back(pixel);
    }
  }
  return s;
}

void Load(TJPEGImage& jpeg, const Bytes& bytes) {
  TMemoryStream stream;
  stream.SetSize(static_cast<int32_t>(bytes.size()));
  std::memcpy(stream.Memory(), bytes.data(), bytes.size());
  jpeg.LoadStream(stream);
}

}  // namespace

TEST(ExifOrientation, EveryValueIsDecodedUprightAtEveryScaleAsAnotherToolTurnsIt) {
  for (int value = 1; value <= 8; ++value) {
    const std::string name = "orientation-" + std::to_string(value);
    const Picture upright = ReadPpm(DataFolder() + "upright-" + std::to_string(value) + ".ppm");
    ASSERT_EQ(value >= 5 ? 32 : 48, upright.width) << name;
    TJPEGImage jpeg;
    jpeg.LoadFile(DataFolder() + name + ".jpg");
    EXPECT_EQ(upright.width, jpeg.Width()) << name;
    EXPECT_EQ(upright.height, jpeg.Height()) << name;
    EXPECT_LT(MeanDifference(upright, Decoded(jpeg.Bitmap())), 3.0) << name;
    // Each reduced scale, chosen for an upright size that only it covers.
    for (int shift = 1; shift <= 3; ++shift) {
      TJPEGImage reduced;
      reduced.LoadFile(DataFolder() + name + ".jpg");
      TBitmap& bitmap = reduced.BitmapFor(upright.width >> shift, upright.height >> shift);
      EXPECT_EQ(shift, reduced.Options().ScaleShift) << name << " at 1/" << (1 << shift);
      EXPECT_LT(MeanDifference(Shrunk(upright, shift), Decoded(bitmap)), 12.0) << name << " at 1/" << (1 << shift);
    }
  }
}

TEST(ExifOrientation, PalettePicturesAreTurnedToo) {
  // Eight-bit output takes the one-byte path of the turn.
  for (int value : {2, 6, 7}) {
    const std::string name = "orientation-" + std::to_string(value);
    TJPEGImage jpeg;
    jpeg.Options().OutputDepth = jf8Bit;
    jpeg.LoadFile(DataFolder() + name + ".jpg");
    ASSERT_EQ(pd8Bit, jpeg.Bitmap().PixelDepth()) << name;
    EXPECT_LT(MeanDifference(ReadPpm(DataFolder() + "upright-" + std::to_string(value) + ".ppm"),
                             Decoded(jpeg.Bitmap())),
              12.0)
        << name;
  }
}

namespace {

DWORD fakeNow = 0;
DWORD WINAPI SecondPerCall() { return fakeNow += 1000; }

// Red, green above blue, yellow: the quarters of the test pictures.
DWORD Quarter(int x, int y, int width, int height) {
  static const DWORD kColors[4] = {0xE01818, 0x18C018, 0x1818E0, 0xE0E018};
  return kColors[(y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0)];
}

// A progressive file of the quarters, `width` by `height` as stored, tagged 6.
Bytes ProgressiveQuartersTurnedRight(int width, int height) {
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
  const Bytes file = LibraryJpeg(
      width, height, 3, JCS_RGB,
      [&](int y) {
        for (int x = 0; x < width; ++x) {
          const DWORD color = Quarter(x, y, width, height);
          for (int k = 0; k < 3; ++k) row[static_cast<size_t>(x) * 3 + k] = static_cast<uint8_t>(color >> (16 - 8 * k));
        }
        return row.data();
      },
      [](jpeg_compress_struct& cinfo) { jpeg_simple_progression(&cinfo); });
  return WithApp1(file, OrientationBody(6));
}

}  // namespace

TEST(ExifOrientation, EveryScanOfAProgressiveFileIsShownUpright) {
  {
    const Picture upright = ReadPpm(DataFolder() + "upright-progressive-6.ppm");
    TJPEGImage jpeg;
    jpeg.Options().ShowScans = true;
    jpeg.LoadFile(DataFolder() + "progressive-6.jpg");
    EXPECT_LT(MeanDifference(upright, Decoded(jpeg.Bitmap())), 4.0);
  }
  // Stored 600 by 720, upright 720 by 600: tall enough for several bands a
  // scan. Every report shows what stands in the bitmap: stored rows become
  // columns, from the right, already in their upright places.
  const int width = 600, height = 720;
  TJPEGImage jpeg;
  jpeg.Options().ShowScans = true;
  Load(jpeg, ProgressiveQuartersTurnedRight(width, height));
  int bands = 0;
  bool sawPartial = false;
  jpeg.OnProgress = [&](TPersistent*, TProgressStage stage, uint8_t, bool, RECT& rect, std::string&) {
    if (stage != psRunning || IsRectEmpty(&rect)) return;
    ++bands;
    EXPECT_EQ(0, rect.top);
    EXPECT_EQ(width, rect.bottom);
    EXPECT_GE(rect.left, 0);
    EXPECT_LE(rect.right, height);
    sawPartial = sawPartial || rect.left > 0;
    const Picture shown = Decoded(jpeg.Bitmap());
    int compared = 0, wrong = 0;
    for (int v = rect.top + 4; v < rect.bottom; v += 16) {
      for (int u = rect.left + 4; u < rect.right; u += 16) {
        // Upright (u, v) shows stored (v, height - 1 - u); edges of quarters blur.
        const int x = v, y = height - 1 - u;
        if (std::abs(x - width / 2) < 24 || std::abs(y - height / 2) < 24) continue;
        const DWORD expected = Quarter(x, y, width, height);
        ++compared;
        for (int shift : {0, 8, 16})
          if (std::abs(Channel(shown.At(u, v), shift) - Channel(expected, shift)) > 48) {
            ++wrong;
            break;
          }
      }
    }
    EXPECT_GT(compared, 0);
    EXPECT_EQ(0, wrong) << "columns " << rect.left << " to " << rect.right;
  };
  SetJpegProgressClockForTesting(SecondPerCall);
  jpeg.Bitmap();
  SetJpegProgressClockForTesting(nullptr);
  EXPECT_GT(bands, 4) << "several bands of several scans were shown";
  EXPECT_TRUE(sawPartial) << "a band short of the whole picture was shown";
  EXPECT_EQ(height, jpeg.Bitmap().Width());
}

TEST(ExifOrientation, TagsAreReadInBothByteOrdersWhereverTheyStandInIfdZero) {
  for (bool big : {false, true}) {
    for (uint16_t value = 1; value <= 8; ++value) {
      const Bytes body = OrientationBody(value, big);
      EXPECT_EQ(value, ExifOrientation(body.data(), body.size())) << big;
    }
    const Bytes alone = Body(big, {{kOrientation, kShort, 1, 6}});
    EXPECT_EQ(6, ExifOrientation(alone.data(), alone.size()));
    const Bytes later = Body(big, {{kOrientation, kShort, 1, 3}}, 20);
    EXPECT_EQ(3, ExifOrientation(later.data(), later.size())) << "IFD0 after a gap";
  }
}

TEST(ExifOrientation, AMissingDamagedOrAbsurdTagMeansAsStored) {
  const auto read = [](const Bytes& body) { return ExifOrientation(body.data(), body.size()); };
  EXPECT_EQ(1, ExifOrientation(nullptr, 0));
  EXPECT_EQ(1, read(Body(false, {{0x0128, kShort, 1, 6}}))) << "no orientation entry";
  for (uint16_t value : {0, 9, 255, 65535}) EXPECT_EQ(1, read(Body(true, {{kOrientation, kShort, 1, value}}))) << value;
  EXPECT_EQ(1, read(Body(false, {{kOrientation, kLong, 1, 6}}))) << "not a SHORT";
  EXPECT_EQ(1, read(Body(false, {{kOrientation, kShort, 2, 6}}))) << "two values";
  EXPECT_EQ(1, read(Body(false, {{kOrientation, kShort, 0, 6}}))) << "no value";
  for (uint32_t offset : {0u, 4u, 7u, 1000u, 0xFFFFFFF0u, 0xFFFFFFFFu})
    EXPECT_EQ(1, read(Body(true, {{kOrientation, kShort, 1, 6}}, offset))) << "IFD0 at " << offset;
  // IFD0's next offset leading back to itself is never followed.
  EXPECT_EQ(1, read(Body(false, {{0x0128, kShort, 1, 2}}, 8, 8)));

  Bytes body = OrientationBody(6);
  body[6] = 'M';  // "MI"
  EXPECT_EQ(1, read(body)) << "no byte order";
  body = OrientationBody(6);
  body[8] = 43;
  EXPECT_EQ(1, read(body)) << "not TIFF's 42";
  body = OrientationBody(6);
  body[0] = 'e';
  EXPECT_EQ(1, read(body)) << "not an Exif segment";
  body = OrientationBody(6);
  body[14] = 200;  // 200 entries claimed, three present: the orientation is read before the end
  EXPECT_EQ(6, read(body));
  body = Body(false, {{0x0128, kShort, 1, 2}});
  body[14] = 0xFF;
  body[15] = 0xFF;  // 65535 entries claimed, none of them the orientation
  EXPECT_EQ(1, read(body));

  // Cut anywhere: read only once the whole orientation entry is there. Its entry
  // is the second, ending 6 + 8 + 2 + 24 bytes into the body.
  const Bytes whole = OrientationBody(5, true);
  for (size_t length = 0; length <= whole.size(); ++length)
    EXPECT_EQ(length >= 40 ? 5 : 1, ExifOrientation(whole.data(), length)) << length;
}

TEST(ExifOrientation, APictureWithABadTagLoadsAndDecodesAsStored) {
  // 24 by 8: red left half, blue right half.
  std::vector<uint8_t> row(24 * 3);
  for (size_t x = 0; x < 24; ++x) {
    row[x * 3] = x < 12 ? 0xE0 : 0x10;
    row[x * 3 + 2] = x < 12 ? 0x10 : 0xE0;
  }
  const Bytes plain = LibraryJpeg(24, 8, 3, JCS_RGB, [&](int) { return row.data(); });
  const Bytes bodies[] = {
      Body(false, {{kOrientation, kShort, 1, 9}}),  Body(true, {{kOrientation, kShort, 1, 0}}),
      Body(false, {{kOrientation, kShort, 3, 6}}),  Body(true, {{kOrientation, kShort, 1, 6}}, 5000),
      Bytes{'E', 'x', 'i', 'f', 0, 0, 'I', 'I'},     Bytes{'E', 'x', 'i', 'f'},
      Bytes{'h', 't', 't', 'p', ':', '/', '/', 'x'},
  };
  for (const Bytes& body : bodies) {
    TJPEGImage jpeg;
    ASSERT_NO_THROW(Load(jpeg, WithApp1(plain, body)));
    EXPECT_EQ(24, jpeg.Width());
    EXPECT_EQ(8, jpeg.Height());
    const Picture shown = Decoded(jpeg.Bitmap());
    ASSERT_EQ(24, shown.width);
    EXPECT_GT(Channel(shown.At(2, 4), 16), 0xB0) << "red stays left";
    EXPECT_GT(Channel(shown.At(21, 4), 0), 0xB0) << "blue stays right";
  }
  // A sound tag after another APP1 segment still counts.
  TJPEGImage tagged;
  Load(tagged, WithApp1(WithApp1(plain, OrientationBody(8)), Bytes{'h', 't', 't', 'p', ':', '/', '/', 'x', 0}));
  EXPECT_EQ(8, tagged.Width());
  EXPECT_EQ(24, tagged.Height());
  const Picture turned = Decoded(tagged.Bitmap());
  EXPECT_GT(Channel(turned.At(4, 21), 16), 0xB0) << "a quarter turn left puts the left half at the bottom";
  EXPECT_GT(Channel(turned.At(4, 2), 0), 0xB0);
}

TEST(ExifOrientation, StoredRowsArePlacedWhereTheTurnPutsEachPixel) {
  // Odd sizes, strips of several heights and both pixel sizes, against the turn
  // spelled out pixel by pixel (u, v: the upright column and row).
  const auto upright = [](int o, int x, int y, int w, int h) {
    const int table[9][2] = {{x, y}, {x, y}, {w - 1 - x, y}, {w - 1 - x, h - 1 - y}, {x, h - 1 - y},
                             {y, x}, {h - 1 - y, x}, {h - 1 - y, w - 1 - x}, {y, w - 1 - x}};
    return std::make_pair(table[o][0], table[o][1]);
  };
  for (int o = 1; o <= 8; ++o) {
    for (int size : {1, 3}) {
      for (int strip : {1, 3, 5, 32}) {
        const int w = 13, h = 11;
        const int uw = SwapsSides(o) ? h : w, uh = SwapsSides(o) ? w : h;
        const ptrdiff_t rowStep = -((uw * size + 3) / 4 * 4);  // bottom-up, as bitmaps are
        std::vector<uint8_t> target(static_cast<size_t>(-rowStep) * uh, 0);
        uint8_t* row0 = target.data() + static_cast<ptrdiff_t>(target.size()) + rowStep;
        const TUprightPlacement placement = UprightPlacement(o, w, h, size, rowStep);
        for (int first = 0; first < h; first += strip) {
          const int rows = std::min(strip, h - first);
          std::vector<uint8_t> source(static_cast<size_t>(w) * size * rows);
          for (int y = 0; y < rows; ++y)
            for (int x = 0; x < w; ++x)
              for (int k = 0; k < size; ++k)
                source[(static_cast<size_t>(y) * w + x) * size + k] = static_cast<uint8_t>(1 + x + 16 * (first + y) + k * 7);
          PlaceUpright(placement, source.data(), w * size, w, first, rows, size, row0);
        }
        int wrong = 0;
        for (int y = 0; y < h; ++y) {
          for (int x = 0; x < w; ++x) {
            const auto uv = upright(o, x, y, w, h);
            for (int k = 0; k < size; ++k)
              if (row0[uv.second * rowStep + uv.first * size + k] != static_cast<uint8_t>(1 + x + 16 * y + k * 7)) ++wrong;
          }
        }
        EXPECT_EQ(0, wrong) << "orientation " << o << ", " << size << "-byte pixels, strips of " << strip;
      }
    }
  }
}
