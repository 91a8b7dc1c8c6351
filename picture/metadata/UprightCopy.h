#pragma once
// Pixels decoded as stored, turned upright as their orientation tag says: the
// one copy that every reader whose decoder gives stored rows makes.

#include <memory>

class PixelRows;
class TBitmap;

// Every stored row, read in order from the top, to its upright place in
// `bitmap`, which is made a 24-bit bitmap of the upright size.
void CopyRowsUpright(PixelRows& rows, int orientation, TBitmap& bitmap);

// The rows resampled smoothly to width by height (upright): shrunk as stored,
// then the small result is turned, so that the turn costs little.
std::unique_ptr<TBitmap> ShrunkUpright(PixelRows& rows, int orientation, int width, int height);
