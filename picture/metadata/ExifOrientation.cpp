#include "picture/metadata/ExifOrientation.h"

#include <algorithm>
#include <cstring>

#include "picture/metadata/TiffStructure.h"

namespace {

constexpr uint16_t kOrientationTag = 0x0112;

}  // namespace

int IfdZeroOrientation(TTiffStructure& tiff) {
  const uint64_t ifd = tiff.FirstIfd();
  uint64_t count = 0;
  if (!tiff.Valid() || ifd < (tiff.Big() ? 16u : 8u) || !tiff.EntryCount(ifd, count)) return 1;
  // Only IFD0 is read, so no chain of IFD offsets is ever followed. Entries are
  // read one by one: a table cut after the orientation still gives it.
  for (uint64_t i = 0; i < count; ++i) {
    TTiffEntry entry;
    if (!tiff.ReadEntry(ifd, i, entry)) return 1;
    if (entry.tag != kOrientationTag) continue;
    uint32_t value = 0;
    if (!tiff.SingleNumber(entry, false, value)) return 1;
    return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
  }
  return 1;
}

int TiffOrientation(const uint8_t* tiff, size_t size) {
  if (tiff == nullptr || size > 0xFFFFFFFFu) return 1;
  TMemoryTiffBytes bytes(tiff, size);
  TTiffStructure structure(bytes);
  // Exif data is always a classic TIFF structure.
  return structure.Big() ? 1 : IfdZeroOrientation(structure);
}

namespace {

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

// A quarter turn works on tiles of this many stored columns by rows: each
// column of a tile is one run in its upright row. Long runs let the processor
// stream the writes; the 32 columns of a tile (96 bytes of each row read) stay
// in the first-level cache.
constexpr int kTileColumns = 32;
constexpr int kTileRows = 512;

uint32_t Load32(const uint8_t* at) {
  uint32_t value;
  std::memcpy(&value, at, 4);
  return value;
}

void Store32(uint8_t* at, uint32_t value) { std::memcpy(at, &value, 4); }

// Four pixels, given in the order they are to stand in memory, as whole words.
// Three-byte pixels are read four bytes wide (the fourth byte is dropped).
template <int kPixelSize>
void StoreFour(uint8_t* at, const uint8_t* p0, const uint8_t* p1, const uint8_t* p2, const uint8_t* p3) {
  if (kPixelSize == 1) {
    Store32(at, static_cast<uint32_t>(*p0 | *p1 << 8 | *p2 << 16) | static_cast<uint32_t>(*p3) << 24);
  } else {
    const uint32_t a = Load32(p0), b = Load32(p1), c = Load32(p2), d = Load32(p3);
    Store32(at, (a & 0xFFFFFF) | b << 24);
    Store32(at + 4, (b >> 8 & 0xFFFF) | c << 16);
    Store32(at + 8, (c >> 16 & 0xFF) | d << 8);
  }
}

// Copies `count` pixels read `fromStep` bytes apart to adjacent places, each
// after the previous (`forward`) or before it. Writing whole words is what
// makes a turn cheap: a pixel at a time costs several times a plain copy. Wide
// reads stop before the last pixel unless `lastReadWide` (a byte may follow it).
template <int kPixelSize>
void CopyRun(const uint8_t* from, ptrdiff_t fromStep, uint8_t* to, bool forward, int count, bool lastReadWide) {
  const int wide = count - (lastReadWide || kPixelSize == 1 ? 0 : 1);
  int i = 0;
  for (; i + 4 <= wide; i += 4, from += 4 * fromStep) {
    const uint8_t* a = from;
    const uint8_t* b = from + fromStep;
    const uint8_t* c = from + 2 * fromStep;
    const uint8_t* d = from + 3 * fromStep;
    if (forward) {
      StoreFour<kPixelSize>(to, a, b, c, d);
      to += 4 * kPixelSize;
    } else {
      to -= 4 * kPixelSize;
      StoreFour<kPixelSize>(to, d, c, b, a);
    }
  }
  for (; i < count; ++i, from += fromStep) {
    if (!forward) to -= kPixelSize;
    for (int k = 0; k < kPixelSize; ++k) to[k] = from[k];
    if (forward) to += kPixelSize;
  }
}

// A quarter turn: each stored column of the rows becomes a run in an upright row.
template <int kPixelSize>
void PlaceTurned(const TUprightPlacement& p, const uint8_t* source, ptrdiff_t sourceStride, int width, int firstRow,
                 int rows, uint8_t* target) {
  const bool forward = p.yStep > 0;
  for (int x0 = 0; x0 < width; x0 += kTileColumns) {
    const int x1 = std::min(width, x0 + kTileColumns);
    for (int y0 = 0; y0 < rows; y0 += kTileRows) {
      const int count = std::min(kTileRows, rows - y0);
      for (int x = x0; x < x1; ++x) {
        uint8_t* to = target + p.origin + (firstRow + y0) * p.yStep + x * p.xStep;
        // A run going backwards starts after the place of its first pixel.
        if (!forward) to += kPixelSize;
        CopyRun<kPixelSize>(source + y0 * sourceStride + x * kPixelSize, sourceStride, to, forward, count,
                            x + 1 < width);
      }
    }
  }
}

// A mirror: each stored row is an upright row read backwards.
template <int kPixelSize>
void PlaceMirrored(const TUprightPlacement& p, const uint8_t* source, ptrdiff_t sourceStride, int width, int firstRow,
                   int rows, uint8_t* target) {
  for (int y = 0; y < rows; ++y) {
    uint8_t* to = target + p.origin + (firstRow + y) * p.yStep + kPixelSize;
    CopyRun<kPixelSize>(source + y * sourceStride, kPixelSize, to, false, width, false);
  }
}

template <int kPixelSize>
void Place(const TUprightPlacement& p, const uint8_t* source, ptrdiff_t sourceStride, int width, int firstRow,
           int rows, uint8_t* target) {
  if (p.xStep == kPixelSize) {
    // Rows stay rows in their own order: whole rows are copied.
    for (int y = 0; y < rows; ++y) {
      std::memcpy(target + p.origin + (firstRow + y) * p.yStep, source + y * sourceStride,
                  static_cast<size_t>(width) * kPixelSize);
    }
  } else if (p.xStep == -kPixelSize) {
    PlaceMirrored<kPixelSize>(p, source, sourceStride, width, firstRow, rows, target);
  } else {
    PlaceTurned<kPixelSize>(p, source, sourceStride, width, firstRow, rows, target);
  }
}

}  // namespace

int ExifOrientation(const uint8_t* body, size_t length) {
  static const uint8_t kExifName[6] = {'E', 'x', 'i', 'f', 0, 0};
  if (body == nullptr || length < sizeof kExifName || std::memcmp(body, kExifName, sizeof kExifName) != 0) return 1;
  return TiffOrientation(body + sizeof kExifName, length - sizeof kExifName);
}

TUprightPlacement UprightPlacement(int orientation, int width, int height, int pixelSize, ptrdiff_t rowStep) {
  const auto offset = [&](Point p) { return p.v * rowStep + p.u * pixelSize; };
  const ptrdiff_t origin = offset(Upright(orientation, 0, 0, width, height));
  return TUprightPlacement{origin, offset(Upright(orientation, 1, 0, width, height)) - origin,
                           offset(Upright(orientation, 0, 1, width, height)) - origin};
}

void PlaceUpright(const TUprightPlacement& placement, const uint8_t* source, ptrdiff_t sourceStride, int width,
                  int firstRow, int rows, int pixelSize, uint8_t* target) {
  if (pixelSize == 3) {
    Place<3>(placement, source, sourceStride, width, firstRow, rows, target);
  } else {
    Place<1>(placement, source, sourceStride, width, firstRow, rows, target);
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
