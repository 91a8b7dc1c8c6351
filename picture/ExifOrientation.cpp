#include "picture/ExifOrientation.h"

#include <algorithm>
#include <cstring>

namespace {

// The TIFF structure inside an Exif segment: a byte-order mark ("II" little,
// "MM" big endian), the number 42, the offset of IFD0; an IFD is a count of
// 12-byte entries (tag, type, count, value or offset of the value).
class TiffReader {
public:
  TiffReader(const uint8_t* data, size_t size, bool bigEndian) : data_(data), size_(size), bigEndian_(bigEndian) {}
  // Whether `count` bytes from `offset` lie inside the data.
  bool Holds(uint32_t offset, uint32_t count) const { return offset <= size_ && count <= size_ - offset; }
  uint16_t U16(uint32_t at) const {
    return static_cast<uint16_t>(bigEndian_ ? data_[at] << 8 | data_[at + 1] : data_[at + 1] << 8 | data_[at]);
  }
  uint32_t U32(uint32_t at) const {
    const uint32_t high = U16(at), low = U16(at + 2);
    return bigEndian_ ? high << 16 | low : low << 16 | high;
  }

private:
  const uint8_t* data_;
  size_t size_;
  bool bigEndian_;
};

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kTypeShort = 3;
constexpr uint32_t kEntrySize = 12;

int OrientationInTiff(const uint8_t* tiff, size_t size) {
  if (size < 8 || size > 0xFFFFFFFFu) return 1;
  bool bigEndian;
  if (tiff[0] == 'I' && tiff[1] == 'I') {
    bigEndian = false;
  } else if (tiff[0] == 'M' && tiff[1] == 'M') {
    bigEndian = true;
  } else {
    return 1;
  }
  const TiffReader reader(tiff, size, bigEndian);
  if (reader.U16(2) != 42) return 1;
  const uint32_t ifd = reader.U32(4);
  if (ifd < 8 || !reader.Holds(ifd, 2)) return 1;
  const uint32_t count = reader.U16(ifd);
  // Only IFD0 is read, so no chain of IFD offsets is ever followed.
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t entry = ifd + 2 + i * kEntrySize;
    if (!reader.Holds(entry, kEntrySize)) return 1;
    if (reader.U16(entry) != kOrientationTag) continue;
    if (reader.U16(entry + 2) != kTypeShort || reader.U32(entry + 4) != 1) return 1;
    const int value = reader.U16(entry + 8);
    return value >= 1 && value <= 8 ? value : 1;
  }
  return 1;
}

struct Point {
  ptrdiff_t u, v;
};

// Where stored pixel (x, y) of a width by height picture lands upright.
Point Upright(int orientation, ptrdiff_t x, ptrdiff_t y, ptrdiff_t width, ptrdiff_t height) {
  switch (orientation) {
    case 2: return {width - 1 - x, y};
    case 3: return {width - 1 - x, height - 1 - y};
    case 4: return {x, height - 1 - y};
    case 5: return {y, x};
    case 6: return {height - 1 - y, x};
    case 7: return {height - 1 - y, width - 1 - x};
    case 8: return {y, width - 1 - x};
    default: return {x, y};
  }
}

// A square of stored pixels at a time: with a quarter turn each of its rows
// becomes a column, and a square this small keeps both sides in the first-level
// cache.
constexpr int kBlock = 32;

template <int kPixelSize>
void PlaceBlocks(const TUprightPlacement& p, const uint8_t* source, ptrdiff_t sourceStride, int width, int firstRow,
                 int rows, uint8_t* target) {
  for (int x0 = 0; x0 < width; x0 += kBlock) {
    const int x1 = std::min(width, x0 + kBlock);
    for (int y = 0; y < rows; ++y) {
      const uint8_t* from = source + y * sourceStride + x0 * kPixelSize;
      uint8_t* to = target + p.origin + (firstRow + y) * p.yStep + x0 * p.xStep;
      for (int x = x0; x < x1; ++x, from += kPixelSize, to += p.xStep) {
        for (int k = 0; k < kPixelSize; ++k) to[k] = from[k];
      }
    }
  }
}

}  // namespace

int ExifOrientation(const uint8_t* body, size_t length) {
  static const uint8_t kExifName[6] = {'E', 'x', 'i', 'f', 0, 0};
  if (body == nullptr || length < sizeof kExifName || std::memcmp(body, kExifName, sizeof kExifName) != 0) return 1;
  return OrientationInTiff(body + sizeof kExifName, length - sizeof kExifName);
}

TUprightPlacement UprightPlacement(int orientation, int width, int height, int pixelSize, ptrdiff_t rowStep) {
  const auto offset = [&](Point p) { return p.v * rowStep + p.u * pixelSize; };
  const ptrdiff_t origin = offset(Upright(orientation, 0, 0, width, height));
  return TUprightPlacement{origin, offset(Upright(orientation, 1, 0, width, height)) - origin,
                           offset(Upright(orientation, 0, 1, width, height)) - origin};
}

void PlaceUpright(const TUprightPlacement& placement, const uint8_t* source, ptrdiff_t sourceStride, int width,
                  int firstRow, int rows, int pixelSize, uint8_t* target) {
  if (placement.xStep == pixelSize) {
    // Rows stay rows in their own order: whole rows are copied.
    for (int y = 0; y < rows; ++y) {
      std::memcpy(target + placement.origin + (firstRow + y) * placement.yStep, source + y * sourceStride,
                  static_cast<size_t>(width) * static_cast<size_t>(pixelSize));
    }
  } else if (pixelSize == 3) {
    PlaceBlocks<3>(placement, source, sourceStride, width, firstRow, rows, target);
  } else {
    PlaceBlocks<1>(placement, source, sourceStride, width, firstRow, rows, target);
  }
}

RECT UprightBand(int orientation, int width, int height, long top, long bottom) {
  // Corners are edges between pixels: the mapping of pixels one larger each way
  // takes edge x to width - x where a pixel x goes to width - 1 - x.
  const Point a = Upright(orientation, 0, top, width + 1, height + 1);
  const Point b = Upright(orientation, width, bottom, width + 1, height + 1);
  return RECT{static_cast<LONG>(std::min(a.u, b.u)), static_cast<LONG>(std::min(a.v, b.v)),
              static_cast<LONG>(std::max(a.u, b.u)), static_cast<LONG>(std::max(a.v, b.v))};
}
