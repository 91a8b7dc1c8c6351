#pragma once
// The orientation a camera records in a file's Exif data, and the turn or
// mirror that makes the stored picture upright.

#include <windows.h>

#include <cstddef>
#include <cstdint>

// The value of tag 0x0112 in IFD0 of an Exif APP1 segment body (starting with
// "Exif\0\0"): 1 to 8. A missing, malformed or out-of-range tag gives 1, the
// picture as stored.
int ExifOrientation(const uint8_t* body, size_t length);

// The same tag in a bare TIFF structure (starting "II*\0" or "MM\0*"), as
// other containers keep their Exif data.
int TiffOrientation(const uint8_t* tiff, size_t length);

class TTiffStructure;
// The same tag in IFD0 of any TIFF structure, a TIFF file's own included.
int IfdZeroOrientation(TTiffStructure& tiff);

// Orientations 5 to 8 turn the picture by a quarter: its upright width is its
// stored height.
inline bool SwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

// The size of a picture stored as `stored`, upright.
inline SIZE UprightSize(int orientation, SIZE stored) {
  return SwapsSides(orientation) ? SIZE{stored.cy, stored.cx} : stored;
}
// The size as stored of a picture whose upright size is `upright`: a quarter
// turn swaps the sides either way.
inline SIZE StoredSize(int orientation, SIZE upright) { return UprightSize(orientation, upright); }

// Where the pixels of stored rows land in an upright picture: the byte offset
// (from the upright picture's row 0) of stored pixel (x, y) is
// origin + x * xStep + y * yStep.
struct TUprightPlacement {
  ptrdiff_t origin;
  ptrdiff_t xStep;
  ptrdiff_t yStep;
};

// The placement for a stored picture of width by height pixels of pixelSize
// bytes, written into an upright picture whose row r starts at r * rowStep.
TUprightPlacement UprightPlacement(int orientation, int width, int height, int pixelSize, ptrdiff_t rowStep);

// Copies `rows` stored rows of `width` pixels (the first being stored row
// `firstRow`, each `sourceStride` bytes after the previous) to their upright
// places below `target`, the upright picture's row 0. A quarter turn works on
// narrow blocks of columns, writing each into its upright row word by word.
void PlaceUpright(const TUprightPlacement& placement, const uint8_t* source, ptrdiff_t sourceStride, int width,
                  int firstRow, int rows, int pixelSize, uint8_t* target);

// The rectangle that the stored rows [top, bottom) of a width by height picture
// cover in the upright picture (as stored: {0, top, width, bottom}).
RECT UprightBand(int orientation, int width, int height, long top, long bottom);
