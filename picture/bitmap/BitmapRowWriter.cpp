#include "picture/bitmap/BitmapRowWriter.h"

#include <exception>

#include "picture/bitmap/Bitmap.h"
#include "picture/bitmap/BitmapImage.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"

BitmapRowWriter::BitmapRowWriter(TBitmap& bitmap)
    : bitmap_(bitmap), height_(bitmap.Height()), exceptions_(std::uncaught_exceptions()) {
  bitmap_.NotifyChanging();
  bitmap_.EnsureDIB();
  // Pending drawing reaches the section's memory before its rows are written.
  GdiFlush();
  const DIBSECTION& dib = bitmap_.Image().Record();
  // An image without pixels has no rows, whatever size it was given.
  if (dib.dsBm.bmBits == nullptr || height_ <= 0) return;
  const ptrdiff_t stride = static_cast<ptrdiff_t>(RowStride(dib.dsBmih.biWidth, dib.dsBmih.biBitCount, 32));
  const bool bottomUp = dib.dsBmih.biHeight > 0;
  top_ = static_cast<uint8_t*>(dib.dsBm.bmBits) + (bottomUp ? stride * (height_ - 1) : 0);
  step_ = bottomUp ? -stride : stride;
}

BitmapRowWriter::~BitmapRowWriter() noexcept(false) {
  if (std::uncaught_exceptions() > exceptions_) return;
  bitmap_.NotifyChanged(&bitmap_);
}

uint8_t* BitmapRowWriter::Row(int y) const {
  if (top_ == nullptr || y < 0 || y >= height_) throw EInvalidGraphicOperation(ResText(IDS_SCANLINE_OUT_OF_RANGE));
  return top_ + step_ * y;
}
