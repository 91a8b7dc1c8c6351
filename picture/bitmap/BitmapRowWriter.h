#pragma once
// The one way to write a bitmap's pixels row by row, as BitmapRows is the one way
// to read them.

#include <cstddef>
#include <cstdint>

class TBitmap;

// Rows of a bitmap to write, in the image's device-independent form (its own bit
// count and row padding). Taking the writer gives the bitmap a private image
// once (copy on write), so that no other holder of a shared image sees the
// writes; the change is told once, when the writer ends normally. A
// device-dependent image gives the rows of a fresh device-independent copy, which
// show its pixels but do not change them. The bitmap must not be resized,
// converted, copied or drawn on while the writer is used.
class BitmapRowWriter {
public:
  explicit BitmapRowWriter(TBitmap& bitmap);
  // A writer that ends by an exception tells no change: the rows are then half
  // written, and the one who catches it decides what they are worth. A change
  // handler's own failure reaches the caller.
  ~BitmapRowWriter() noexcept(false);
  BitmapRowWriter(const BitmapRowWriter&) = delete;
  BitmapRowWriter& operator=(const BitmapRowWriter&) = delete;

  int Height() const { return height_; }
  // From the first byte of one row to that of the next below it: negative for
  // an image stored bottom row first, 0 when there is a single row.
  ptrdiff_t Step() const { return height_ > 1 ? step_ : 0; }
  // Row y, 0 being the top of the picture. Raises EInvalidGraphicOperation
  // "スキャンライン のインデックスが範囲を越えました" outside 0 to Height() - 1,
  // and for an image without pixels.
  uint8_t* Row(int y) const;

private:
  TBitmap& bitmap_;
  int height_;
  uint8_t* top_ = nullptr;
  ptrdiff_t step_ = 0;
  int exceptions_;
};
