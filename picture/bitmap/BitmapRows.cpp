#include "picture/bitmap/BitmapRows.h"

#include <algorithm>

#include "gdi/Handles.h"
#include "picture/bitmap/Bitmap.h"
#include "picture/bitmap/BitmapCanvas.h"
#include "picture/bitmap/BitmapImage.h"

namespace {

// How many rows are converted at a time when the image is not 24-bit pixels.
constexpr int kBandRows = 64;

bool ReadableInPlace(const TBitmapImage& image) {
  const DIBSECTION& dib = image.Record();
  return image.IsSection() && dib.dsBm.bmBits != nullptr && dib.dsBmih.biBitCount == 24 &&
         dib.dsBmih.biCompression == BI_RGB;
}

}  // namespace

BitmapRows::BitmapRows(TBitmap& bitmap) : width_(bitmap.Width()), height_(bitmap.Height()) {
  bitmap.EnsureHandle();
  const TBitmapImage& image = bitmap.Image();
  handle_ = image.Handle();
  stride_ = static_cast<ptrdiff_t>(RowStride(width_, 24, 32));
  if (ReadableInPlace(image)) {
    GdiFlush();
    bits_ = static_cast<const uint8_t*>(image.Record().dsBm.bmBits);
    topDown_ = image.Record().dsBmih.biHeight < 0;
    return;
  }
  // GDI converts only a bitmap that no device context holds.
  DeselectEverywhere(handle_);
  band_.resize(static_cast<size_t>(stride_) * static_cast<size_t>(std::min(kBandRows, height_)));
}

const uint8_t* BitmapRows::BandRow(int y) {
  if (y < bandTop_ || y >= bandTop_ + bandRows_) ReadBand(y);
  // The band arrives bottom row first.
  return band_.data() + stride_ * (bandTop_ + bandRows_ - 1 - y);
}

void BitmapRows::ReadBand(int top) {
  const int rows = std::min(kBandRows, height_ - top);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = height_;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  WindowDC screen(nullptr);
  // Scan lines are counted from the bottom of the picture.
  SetLastError(0);
  const int copied = GetDIBits(CheckGdi(screen.get()), handle_, static_cast<UINT>(height_ - top - rows),
                               static_cast<UINT>(rows), band_.data(), &info, DIB_RGB_COLORS);
  if (copied != rows) RaiseGdiError();
  bandTop_ = top;
  bandRows_ = rows;
}
