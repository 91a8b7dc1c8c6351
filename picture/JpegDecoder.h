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
};

// Reads the header at the start of the stream; raises EJPEG for data that is not
// a JPEG picture or whose header is damaged.
JpegHeader ReadJpegHeader(TStream& stream);
