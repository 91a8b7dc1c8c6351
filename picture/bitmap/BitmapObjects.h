#pragma once
// A look at the GDI bitmap behind a bitmap, and at who shares it, that makes no
// private copy and changes nothing: for handing the bitmap to GDI calls that
// only read it (its description, a copy out of it) and for checks of sharing.

#include <windows.h>

class TBitmap;

class BitmapObjects {
public:
  explicit BitmapObjects(const TBitmap& bitmap) : bitmap_(bitmap) {}

  // The current GDI bitmap, borrowed: 0 when there is none. It stays the
  // bitmap's and must not be drawn on; DeselectEverywhere takes it out of the
  // bitmap's canvas before it is selected elsewhere.
  HBITMAP Handle() const;
  // How many bitmaps hold the image.
  int Holders() const;
  bool SharesImageWith(const TBitmap& other) const;
  // The pixels came from a file with the 12-byte OS/2 header.
  bool FromOs2File() const;

private:
  const TBitmap& bitmap_;
};
