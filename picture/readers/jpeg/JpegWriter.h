#pragma once
// Compressing a bitmap into a JFIF stream with the JPEG library.

class TBitmap;
class TGraphic;
class TStream;

struct JpegWriteSettings {
  // 1 to 100.
  int quality = 90;
  bool gray = false;
  bool progressive = false;
};

// Writes the bitmap (not empty, any pixel format) as a JFIF stream from the
// stream's position, reading its pixels without unsharing its image. Progress is
// reported through `reporter`, whose handler may cancel with EAbort; the
// library's failures raise EJPEG, and those of the stream its own.
void WriteJpeg(TBitmap& bitmap, const JpegWriteSettings& settings, TStream& stream, TGraphic& reporter);
