#pragma once
// A decoded HEIF or AVIF picture's rows as blue-green-red bytes, converted one
// row at a time straight from the decoder's planes (luma and chroma, grey, or
// red, green and blue; 8 to 16 bits), so that no full-size copy in another
// format is ever made: the picture shown small is resampled from these rows.
// Samples are rounded, not cut, to 8 bits; transparent parts are laid over
// black; HDR pictures are mapped to SDR (HdrToSdr).

#include <cstdint>
#include <memory>
#include <vector>

#include "picture/core/PixelRows.h"
#include "picture/readers/heif/HeifColour.h"

class HdrToSdr;

class HeifRows final : public PixelRows {
public:
  // Over the decoded `image` (which must outlive this) of `handle`. Raises the
  // damaged-file failure when its planes do not cover the picture.
  HeifRows(const HeifEdge& edge, heif_image_handle* handle, heif_image* image, const HeifColour& colour);
  ~HeifRows() override;

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  const uint8_t* Row(int y) override;

  // One plane as the conversion reads it: samples of `bits` (at most 12: deeper
  // ones are shifted down by `drop`), one in 2^shiftX columns and 2^shiftY rows.
  struct Plane {
    const uint8_t* data = nullptr;
    int stride = 0;
    bool wide = false;
    int bits = 8;
    int drop = 0;
    int shiftX = 0;
    int shiftY = 0;
  };
  // Fixed-point factors (12 fractional bits) from stored samples to 16-bit red,
  // green and blue.
  struct Factors {
    int lumaOffset = 0;
    int luma = 0;
    int chromaHalf = 0;
    int crToRed = 0, cbToGreen = 0, crToGreen = 0, cbToBlue = 0;
    bool identity = false;
    int alpha = 0;
  };

private:
  void WideRow(int y);
  void AlphaOverBlack(int y);

  int width_ = 0;
  int height_ = 0;
  Plane planes_[3];
  int planeCount_ = 0;
  Plane alpha_;
  bool straightAlpha_ = false;
  Factors factors_;
  std::unique_ptr<HdrToSdr> hdr_;
  std::vector<uint16_t> wide_;
  std::vector<uint8_t> row_;
};
