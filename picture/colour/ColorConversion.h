#pragma once
// Converting a picture's colours to sRGB with the system's colour management
// (ICM): the profile's transform to sRGB, relative colorimetric, is asked once
// for a grid of colours, and the pixels are interpolated in that grid. Making
// the transform is itself slow under Wine (about 20 ms), so ColorConversions
// begins it on another thread as soon as a picture is opened. Wine's
// colour management takes about a microsecond a pixel (and Windows' is no
// table-driven fast path either), so a shown picture of 600 by 400 pixels would
// cost hundreds of milliseconds through it; the grid costs a few.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class ColorProfile;
class TBitmap;

class ColorConversion {
public:
  // The conversion of the profile's colours to sRGB, made here; none when the
  // system's colour management cannot make it (it cannot read the profile, or
  // has no sRGB profile). Never raises. ColorConversions keeps them.
  static std::shared_ptr<const ColorConversion> Make(const ColorProfile& profile) noexcept;

  // Blue-green-red pixels, converted in place.
  void ConvertBgr(uint8_t* pixels, size_t count) const noexcept;
  // Ink amounts (cyan, magenta, yellow, black; 255 is full ink), converted to
  // blue-green-red.
  void ConvertCmyk(const uint8_t* inks, uint8_t* bgr, size_t count) const noexcept;

  // Where an input value lies among the grid's nodes on one axis: the offset of
  // the node below it, and how far it is towards the next, in 256ths.
  struct Axis {
    uint32_t offset[256];
    uint16_t fraction[256];
  };

private:
  // A grid of `nodes` values on each of `channels` axes (3 or 4), not yet sampled.
  ColorConversion(int nodes, int channels);
  static std::shared_ptr<const ColorConversion> MakeOrRaise(const ColorProfile& profile);
  // Asks the transform for the colour of every node; false when it fails.
  bool Sample(void* transform);
  // The colour at (v0, v1, v2) in one three-channel grid, v0 on the fastest axis.
  void Interpolate(const uint8_t* grid, unsigned v0, unsigned v1, unsigned v2, uint8_t* out) const noexcept;

  int nodes_;
  int channels_;
  // The value of each node on every axis, ascending, from 0 to 255.
  std::vector<uint8_t> values_;
  // Axis k's offsets are node indexes times that axis's stride in the grid.
  Axis axes_[3];
  Axis black_;
  // The converted colour of every node, blue-green-red; the first input channel
  // varies fastest. A four-channel grid is one three-channel grid per black node.
  std::vector<uint8_t> grid_;
  size_t layerBytes_ = 0;
};

// Converts the bitmap's pixels, a 24-bit DIB that the caller owns alone, from the
// profile's colours to sRGB; leaves them as they are when the system's colour
// management cannot convert them. Raises only what reading the bitmap's rows raises.
void ConvertToSrgb(TBitmap& bitmap, const ColorProfile& profile);
