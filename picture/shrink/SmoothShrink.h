#pragma once
// Shrinking a bitmap with a filter that weighs every source pixel, so that fine
// detail shown much smaller turns into its average colour instead of a pattern
// that is not in the picture.

#include <memory>

class PixelRows;
class TBitmap;

// A new 24-bit bitmap of exactly width by height holding the whole source
// resampled into it. Any pixel format and palette of the source is accepted. A
// source far larger than the result is first averaged over whole blocks of pixels
// and read a band of rows at a time, so the work and the memory follow the
// result's size more than the source's. Raises EOutOfMemory when the working
// memory cannot be had, and the GDI failure when a bitmap cannot be made.
std::unique_ptr<TBitmap> ShrinkSmoothly(TBitmap& source, int width, int height);
// The same from rows read once, top to bottom, as a decoder gives them.
std::unique_ptr<TBitmap> ShrinkSmoothly(PixelRows& source, int width, int height);

// True when a picture of pictureWidth by pictureHeight drawn into width by height
// is made smaller in at least one direction, the case ShrinkSmoothly is for.
bool DrawnSmaller(int pictureWidth, int pictureHeight, int width, int height);
