#pragma once
// What every reader of a picture file format offers: it knows its files by their
// first bytes, reads a picture's size from the header alone, and decodes the
// picture into a bitmap no larger than the caller needs.

#include <cstddef>
#include <cstdint>

class TBitmap;
class TStream;

// A picture's size in pixels as it is shown (upright).
struct PictureSize {
  int width = 0;
  int height = 0;
};

class PictureReader {
public:
  // How many first bytes of a file CanRead is given (fewer when the file is shorter).
  static constexpr size_t kSignatureBytes = 16;

  virtual ~PictureReader() = default;
  // True when a file beginning with these bytes is of this reader's format.
  virtual bool CanRead(const uint8_t* first, size_t count) const = 0;
  // The size of the picture that the stream holds from its start, read from the
  // header; raises the format's failure for data it cannot read.
  virtual PictureSize ReadSize(TStream& stream) const = 0;
  // Decodes the picture that the stream holds from its start into `bitmap`, at the
  // smallest size the format can give that is still at least minWidth by
  // minHeight (the picture's own size when none is); a format without reduced
  // sizes gives its own size. Raises the format's failure for damaged data.
  virtual void Decode(TStream& stream, TBitmap& bitmap, int minWidth, int minHeight) const = 0;
};
