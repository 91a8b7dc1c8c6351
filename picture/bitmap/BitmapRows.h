#pragma once
// A read-only view of a bitmap's pixels as rows of blue-green-red bytes, the one
// way the codecs and the resampler read a bitmap.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "picture/core/PixelRows.h"

class TBitmap;

// The rows of a bitmap, any order allowed.
// A 24-bit DIB section is read in place, so that a bitmap sharing its image with
// others is not given a private copy of every pixel just to be read; any other
// image is converted by GDI a band of rows at a time. The bitmap must not change
// while the view is used.
class BitmapRows final : public PixelRows {
public:
  explicit BitmapRows(TBitmap& bitmap);

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // Row y, 0 being the top. The bytes stay valid until a row of another band is
  // asked for; raises the GDI failure when a band cannot be converted.
  const uint8_t* Row(int y) override {
    if (bits_ != nullptr) return bits_ + stride_ * (topDown_ ? y : height_ - 1 - y);
    return BandRow(y);
  }

private:
  const uint8_t* BandRow(int y);
  void ReadBand(int top);

  int width_;
  int height_;
  HBITMAP handle_ = nullptr;
  ptrdiff_t stride_ = 0;
  const uint8_t* bits_ = nullptr;
  bool topDown_ = false;
  std::vector<uint8_t> band_;
  int bandTop_ = 0;
  int bandRows_ = 0;
};
