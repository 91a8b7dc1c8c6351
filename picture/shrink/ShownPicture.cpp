#include "picture/shrink/ShownPicture.h"

#include <cstring>

#include "picture/bitmap/Bitmap.h"
#include "picture/bitmap/BitmapRows.h"
#include "picture/bitmap/BitmapRowWriter.h"
#include "picture/colour/ColorConversion.h"
#include "picture/profile/ColorProfile.h"
#include "picture/shrink/SmoothShrink.h"

namespace {

// A reduced-scale JPEG decode is a plain average of whole blocks, which folds fine
// detail into false patterns when it comes close to the shown size; the decode
// therefore keeps at least this many samples per shown pixel in each direction
// for the filter to work on.
constexpr int kDecodedSamplesPerPixel = 2;

}  // namespace

TBitmap* PixelsForShowing(TGraphic& graphic, int width, int height) {
  return graphic.PixelsFor(width * kDecodedSamplesPerPixel, height * kDecodedSamplesPerPixel);
}

namespace {

std::unique_ptr<TBitmap> Shrunk(TGraphic& graphic, int width, int height) {
  // A graphic that resamples out of its decoder never needs a bitmap of its
  // whole size.
  if (graphic.ShrinksFromDecoder()) {
    if (!DrawnSmaller(graphic.Width(), graphic.Height(), width, height)) return nullptr;
    return graphic.ShrunkFromDecoder(width, height, width * kDecodedSamplesPerPixel,
                                     height * kDecodedSamplesPerPixel);
  }
  TBitmap* pixels = PixelsForShowing(graphic, width, height);
  if (pixels == nullptr || !DrawnSmaller(pixels->Width(), pixels->Height(), width, height)) return nullptr;
  return ShrinkSmoothly(*pixels, width, height);
}

// A 24-bit copy of the pixels, at their own size: they may be the graphic's own,
// which are never converted in place.
std::unique_ptr<TBitmap> CopyOf(TBitmap& pixels) {
  auto copy = std::make_unique<TBitmap>();
  copy->SetPixelDepth(pd24Bit);
  copy->SetWidth(pixels.Width());
  copy->SetHeight(pixels.Height());
  BitmapRows rows(pixels);
  BitmapRowWriter target(*copy);
  const size_t rowBytes = static_cast<size_t>(pixels.Width()) * 3;
  for (int y = 0; y < pixels.Height(); ++y) std::memcpy(target.Row(y), rows.Row(y), rowBytes);
  return copy;
}

}  // namespace

std::unique_ptr<TBitmap> PreparedForShowing(TGraphic& graphic, int width, int height) {
  std::unique_ptr<TBitmap> shown = Shrunk(graphic, width, height);
  const std::shared_ptr<const ColorProfile> profile = graphic.Profile();
  if (shown == nullptr) {
    // Shown at its own size or larger, the picture is stretched from these
    // pixels: decoded now, a damaged file fails here, before anything is shown,
    // and not in each paint.
    TBitmap* pixels = PixelsForShowing(graphic, width, height);
    if (profile == nullptr || pixels == nullptr || pixels->Width() <= 0 || pixels->Height() <= 0)
      return nullptr;
    shown = CopyOf(*pixels);
  }
  if (profile != nullptr) ConvertToSrgb(*shown, *profile);
  return shown;
}
