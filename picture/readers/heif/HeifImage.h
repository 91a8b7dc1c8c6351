#pragma once
// The graphic of a HEIF (HEIC) or AVIF picture, read by libheif on every
// Windows alike: loading reads the file and its boxes (the primary image, its
// size as shown and its colours); the pixels are decoded on first need, with
// the file's rotation, mirroring and clean aperture applied once by the
// library (an Exif orientation in the file is not applied again), and a picture
// shown smaller is resampled straight from the decoded planes, so that no
// full-size bitmap is made for it.

#include <memory>

#include "picture/bitmap/DecodedPicture.h"
#include "picture/formats/PictureFormat.h"

class THeifImage : public TDecodedPicture {
public:
  THeifImage();
  ~THeifImage() override;

  static const TGraphicClass& StaticClass();
  const TGraphicClass& ClassType() const override;

  // Reads the named file, whose format its first bytes named. Raises EFOpenError
  // "ファイル %s は開けません", EOutOfMemory for a picture over 2^30 pixels, and the
  // damaged-file failure naming the file and format; the graphic is then unchanged.
  void Open(const FilePath& file, const TPictureHead& head);
  // Takes the stream's bytes from its position to its end, as HEIF unless they
  // carry AVIF's mark; raises as Open does.
  void LoadStream(TStream& stream) override;
  // Writes the picture's bytes as they were read.
  void SaveStream(TStream& stream) override;

  // Another picture of this kind: shares its file. None: empties. Anything else
  // raises EConvertError.
  void CopyFrom(const TPersistent* source) override;
  bool IsEmpty() const override;
  // The picture's size as shown.
  int Width() const override;
  int Height() const override;

  std::shared_ptr<const ColorProfile> Profile() const override;

  // The whole picture, decoded once and kept (the library cannot decode smaller).
  TBitmap* PixelsFor(int width, int height) override;
  std::unique_ptr<TBitmap> ShrunkFromDecoder(int width, int height, int decodedWidth,
                                             int decodedHeight) const override;

protected:
  void DecodeWhole(TBitmap& whole) const override;

private:
  struct Source;

  void Take(std::shared_ptr<const Source> source);

  std::shared_ptr<const Source> source_;
  std::unique_ptr<TBitmap> bitmap_;
};
