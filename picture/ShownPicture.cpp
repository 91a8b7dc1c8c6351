#include "picture/ShownPicture.h"

#include "picture/Bitmap.h"
#include "picture/JpegImage.h"
#include "picture/SmoothShrink.h"
#include "picture/WicImage.h"

namespace {

// A reduced-scale JPEG decode is a plain average of whole blocks, which folds fine
// detail into false patterns when it comes close to the shown size; the decode
// therefore keeps at least this many samples per shown pixel in each direction
// for the filter to work on.
constexpr int kDecodedSamplesPerPixel = 2;

}  // namespace

TBitmap* PixelsForShowing(TGraphic& graphic, int width, int height) {
  if (auto* bitmap = dynamic_cast<TBitmap*>(&graphic)) return bitmap;
  if (auto* jpeg = dynamic_cast<TJPEGImage*>(&graphic)) {
    return &jpeg->BitmapFor(width * kDecodedSamplesPerPixel, height * kDecodedSamplesPerPixel);
  }
  if (auto* picture = dynamic_cast<TWicImage*>(&graphic)) {
    return &picture->BitmapFor(width * kDecodedSamplesPerPixel, height * kDecodedSamplesPerPixel);
  }
  return nullptr;
}

std::unique_ptr<TBitmap> ShrinkForShowing(TGraphic& graphic, int width, int height) {
  // Read straight from its decoder, a picture of the system's codecs never needs
  // a bitmap of its whole size.
  if (auto* picture = dynamic_cast<TWicImage*>(&graphic)) {
    if (!DrawnSmaller(picture->Width(), picture->Height(), width, height)) return nullptr;
    return picture->ShrunkTo(width, height, {width * kDecodedSamplesPerPixel, height * kDecodedSamplesPerPixel});
  }
  TBitmap* pixels = PixelsForShowing(graphic, width, height);
  if (pixels == nullptr || !DrawnSmaller(pixels->Width(), pixels->Height(), width, height)) return nullptr;
  return ShrinkSmoothly(*pixels, width, height);
}
