#include "picture/metadata/UprightCopy.h"

#include <algorithm>
#include <cstdint>

#include "picture/bitmap/Bitmap.h"
#include "picture/bitmap/BitmapRowWriter.h"
#include "picture/bitmap/BitmapRows.h"
#include "picture/core/PixelRows.h"
#include "picture/metadata/ExifOrientation.h"
#include "picture/shrink/SmoothShrink.h"

void CopyRowsUpright(PixelRows& rows, int orientation, TBitmap& bitmap) {
  const int width = rows.Width();
  const int height = rows.Height();
  const SIZE upright = UprightSize(orientation, SIZE{width, height});
  bitmap.SetBitmapHandle(nullptr);
  bitmap.SetPixelDepth(pd24Bit);
  bitmap.SetWidth(upright.cx);
  bitmap.SetHeight(upright.cy);
  BitmapRowWriter target(bitmap);
  uint8_t* const row0 = target.Row(0);
  const ptrdiff_t rowStep = target.Step();
  const TUprightPlacement placement = UprightPlacement(orientation, width, height, 3, rowStep);
  for (int y = 0; y < height;) {
    const uint8_t* band = rows.Row(y);
    const int count = std::max(1, std::min(rows.RowsInBand(y), height - y));
    PlaceUpright(placement, band, static_cast<ptrdiff_t>(width) * 3, width, y, count, 3, row0);
    y += count;
  }
}

std::unique_ptr<TBitmap> ShrunkUpright(PixelRows& rows, int orientation, int width, int height) {
  const SIZE stored = StoredSize(orientation, SIZE{width, height});
  std::unique_ptr<TBitmap> shrunk = ShrinkSmoothly(rows, stored.cx, stored.cy);
  if (orientation == 1) return shrunk;
  BitmapRows storedRows(*shrunk);
  auto upright = std::make_unique<TBitmap>();
  CopyRowsUpright(storedRows, orientation, *upright);
  return upright;
}
