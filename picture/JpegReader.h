#pragma once
// The JPEG format as a picture reader, decoding with the default JPEG options at
// the smallest of the library's scales that covers the size asked for.

#include "picture/PictureReader.h"

class JpegReader : public PictureReader {
public:
  bool CanRead(const uint8_t* first, size_t count) const override;
  PictureSize ReadSize(TStream& stream) const override;
  void Decode(TStream& stream, TBitmap& bitmap, int minWidth, int minHeight) const override;
};
