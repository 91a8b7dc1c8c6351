#pragma once
// The graphic of a picture that the system's codecs read (every format but BMP
// and JPEG): loading opens the file and its decoder and reads the size; the
// pixels are decoded on first need, and a picture shown smaller is resampled
// straight out of the decoder, so no bitmap of the whole picture is ever made
// for it.

#include <memory>

#include "picture/bitmap/DecodedPicture.h"
#include "picture/readers/wic/WicFrame.h"

class TBitmap;

class TWicImage : public TDecodedPicture {
public:
  TWicImage();
  ~TWicImage() override;

  static const TGraphicClass& StaticClass();
  const TGraphicClass& ClassType() const override;

  // Opens the named file, whose first bytes were read already, kept open (others
  // may read it) while any graphic holds the picture. Raises EFOpenError
  // "ファイル %s は開けません" and what TWicFrame raises; on failure the graphic is
  // unchanged.
  void Open(const FilePath& file, const TPictureHead& head);
  // Takes the stream's bytes from its position to its end into memory and opens
  // them; raises as Open does.
  void LoadStream(TStream& stream) override;
  // Writes the picture's bytes as they were read.
  void SaveStream(TStream& stream) override;

  // Another picture of this kind: shares its file and decoder. None: empties.
  // Anything else raises EConvertError.
  void CopyFrom(const TPersistent* source) override;
  bool IsEmpty() const override;
  // The picture's size, upright.
  int Width() const override;
  int Height() const override;

  std::shared_ptr<const ColorProfile> Profile() const override;

  // The decoded pixels for drawing into width by height (upright): decoded once,
  // by a decoder that can scale at the smallest size it offers that covers that,
  // and reused while it covers the size or is the whole picture.
  TBitmap& BitmapFor(int width, int height);
  TBitmap* PixelsFor(int width, int height) override { return &BitmapFor(width, height); }
  std::unique_ptr<TBitmap> ShrunkFromDecoder(int width, int height, int decodedWidth,
                                             int decodedHeight) const override;

protected:
  void DecodeWhole(TBitmap& whole) const override;

private:
  struct Source;

  std::shared_ptr<const Source> source_;
  std::unique_ptr<TBitmap> bitmap_;
};
