#pragma once
// A WebP file's first frame decoded by the library as stored (not yet turned
// upright), transparent parts laid over black, as rows of blue-green-red bytes.

#include <windows.h>

#include <cstdint>
#include <vector>

#include "picture/core/PixelRows.h"

class TWebPFile;

class WebPPixels final : public PixelRows {
public:
  // A still picture is decoded at `size` (as stored), which the library
  // scales to while it decodes; an animation's first frame is composed on its
  // canvas at full size. Raises EInvalidGraphic naming the file and the format
  // when the data is damaged, EOutOfMemory when memory is short.
  WebPPixels(const TWebPFile& file, SIZE size);

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  const uint8_t* Row(int y) override { return pixels_.data() + static_cast<size_t>(y) * width_ * 3; }
  // Every row lies in one block of memory.
  int RowsInBand(int y) const override { return height_ - y; }

private:
  void DecodeStill(const TWebPFile& file);
  void DecodeFirstFrame(const TWebPFile& file);

  int width_;
  int height_;
  std::vector<uint8_t> pixels_;
};

// The size (as stored) that a still picture of `full` is decoded at to give
// no less than `wanted`: its own proportions, no larger than itself, the whole
// picture when nothing smaller is wanted.
SIZE WebPDecodeSize(SIZE full, SIZE wanted);
