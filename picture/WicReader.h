#pragma once
// Every picture format that the system's imaging component (WIC) decodes, as a
// picture reader: the formats come from the decoders installed, not from a list
// of this program's.

#include "picture/PictureReader.h"
#include "picture/WicFrame.h"
#include "text/FilePath.h"

class WicReader : public PictureReader {
public:
  // `file` names the pictures read in messages (empty for a stream of no file).
  explicit WicReader(FilePath file = FilePath()) : file_(std::move(file)) {}

  // Bytes that name a format other than BMP and JPEG (which the program reads
  // itself), known or not to this system's decoders, or that an installed
  // decoder recognises by its own patterns.
  bool CanRead(const uint8_t* first, size_t count) const override;
  // Raise as TWicFrame does.
  PictureSize ReadSize(TStream& stream) const override;
  void Decode(TStream& stream, TBitmap& bitmap, int minWidth, int minHeight) const override;

private:
  FilePath file_;
};

// Reads the whole named file through the system's codecs into the bitmap (a
// 24-bit DIB, upright). Raises EFOpenError "ファイル %s は開けません" when the
// file cannot be opened, and what TWicFrame raises.
void ReadPictureThroughWic(const FilePath& file, TBitmap& bitmap, TWantedSize wanted = {});
