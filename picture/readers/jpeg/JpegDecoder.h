#pragma once
// Reading JPEG data with the library: the header facts at load time, the choice
// of a reduced scale, and the full decode into a bitmap.

#include <cstdint>
#include <memory>

#include "gdi/Handles.h"

class ColorProfile;
class TBitmap;
class TGraphic;
class TStream;
struct TJPEGOptions;

struct JpegHeader {
  int32_t width;
  int32_t height;
  bool gray;
  bool multiScan;
  // The Exif orientation, 1 to 8 (1 without a sound tag).
  int orientation;
  // What the decoded colours are, when an embedded profile says and it is not
  // sRGB. An ink (CMYK) picture's profile is applied while decoding, so it has
  // none here, but is `inks`.
  std::shared_ptr<const ColorProfile> profile;
  std::shared_ptr<const ColorProfile> inks;
};

// Reads the header at the start of the stream; raises EJPEG for data that is not
// a JPEG picture or whose header is damaged.
JpegHeader ReadJpegHeader(TStream& stream);

// The smallest scale shift (0 to 3: full size to an eighth) at which the
// picture in the stream, turned upright, is still at least width by height; 0
// when even the full size is smaller.
int SmallestCoveringScale(TStream& stream, int width, int height);

// Decodes the whole picture in the stream into the bitmap as the options ask
// (scale, depth, speed, scans), turned upright; an ink picture with its ink
// profile is converted to sRGB through it. A palette given is what an 8-bit
// output is quantised to (a 24-bit output drops it). Progress, palette changes
// and the end of decoding are reported through `reporter`, whose handler may
// cancel with EAbort (the bitmap then keeps what was decoded). Raises EJPEG for
// damaged data. Returns whether the data ended before the picture did, so that
// part of the bitmap is what the library filled in.
bool DecodeJpeg(TStream& stream, const TJPEGOptions& options, UniquePalette& palette, TBitmap& bitmap,
                TGraphic& reporter);
