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

// The graphic resampled to exactly width by height when its pixels are drawn
// smaller than they are (ShrinkSmoothly; a picture of the system's codecs is
// resampled as its decoder gives its rows); none when they are drawn at their own
// size or larger, or the kind has no pixels, and the plain stretch serves.
// Raises what decoding and resampling raise.
std::unique_ptr<TBitmap> ShrinkForShowing(TGraphic& graphic, int width, int height);
