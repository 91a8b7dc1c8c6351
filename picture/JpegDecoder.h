#pragma once
// Reading JPEG data with the library: the header facts at load time; the full
// decode is TJPEGImage::Decode, defined next to this reader.

#include <cstdint>

class TStream;

struct JpegHeader {
  int32_t width;
  int32_t height;
  bool gray;
  bool multiScan;
  // The Exif orientation, 1 to 8 (1 without a sound tag).
  int orientation;
};

// Reads the header at the start of the stream; raises EJPEG for data that is not
// a JPEG picture or whose header is damaged.
JpegHeader ReadJpegHeader(TStream& stream);

// The smallest scale shift (0 to 3: full size to an eighth) at which the
// picture in the stream, turned upright, is still at least width by height; 0
// when even the full size is smaller.
int SmallestCoveringScale(TStream& stream, int width, int height);
