#pragma once
// How a graphic is made ready to be shown at a given size: which pixels stand for
// it, at which decode scale, and when they are resampled smaller.

#include <memory>

class TBitmap;
class TGraphic;

// The pixels that serve drawing the graphic into width by height: a bitmap is its
// own; a JPEG picture is decoded at the smallest of its reduced scales that still
// keeps twice the shown size in each direction, and a picture of the system's
// codecs likewise where its decoder can scale. None for kinds without pixels of
// their own. Raises what decoding raises.
TBitmap* PixelsForShowing(TGraphic& graphic, int width, int height);

// The pixels to draw into width by height when the graphic's own will not do,
// always a bitmap of their own:
// - drawn smaller than they are, the graphic resampled to exactly that size
//   (ShrinkSmoothly; a picture of the system's codecs is resampled as its
//   decoder gives its rows);
// - with a colour profile other than sRGB, those pixels (or, drawn at their own
//   size or larger, a copy of PixelsForShowing's) converted to sRGB, after the
//   shrink, so that only the shown pixels are converted.
// None when the plain stretch of PixelsForShowing serves, or the kind has no
// pixels; the pixels that stretch uses are decoded all the same, so that every
// decode happens here. Raises what decoding and resampling raise; a profile the
// system cannot use leaves the colours as stored.
std::unique_ptr<TBitmap> PreparedForShowing(TGraphic& graphic, int width, int height);
