#include "picture/JpegReader.h"

#include "gdi/Handles.h"
#include "picture/Bitmap.h"
#include "picture/ExifOrientation.h"
#include "picture/JpegDecoder.h"
#include "picture/JpegImage.h"

bool JpegReader::CanRead(const uint8_t* first, size_t count) const {
  // Start of image, then the first segment's marker.
  return count >= 3 && first[0] == 0xFF && first[1] == 0xD8 && first[2] == 0xFF;
}

PictureSize JpegReader::ReadSize(TStream& stream) const {
  const JpegHeader header = ReadJpegHeader(stream);
  if (SwapsSides(header.orientation)) return PictureSize{header.height, header.width};
  return PictureSize{header.width, header.height};
}

void JpegReader::Decode(TStream& stream, TBitmap& bitmap, int minWidth, int minHeight) const {
  TJPEGOptions options = JpegDefaultOptions();
  options.ScaleShift = static_cast<TJPEGScale>(SmallestCoveringScale(stream, minWidth, minHeight));
  UniquePalette none;
  // The bitmap reports the decoding's progress to its own handler.
  DecodeJpeg(stream, options, none, bitmap, bitmap);
}
