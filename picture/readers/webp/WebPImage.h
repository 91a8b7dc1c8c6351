#pragma once
// The graphic of a WebP picture, read by the program's own libwebp on every
// Windows: lossy, lossless, with transparent parts (laid over black) and the
// first frame of an animation, turned upright by its Exif orientation and
// tagged with its colour profile. Loading reads the file and its container;
// the pixels are decoded on first need, scaled by the library while decoding
// when the picture is shown smaller.

#include <cstdint>
#include <memory>
#include <vector>

#include "picture/bitmap/DecodedPicture.h"

class TBitmap;
class TWebPFile;

class TWebPImage : public TDecodedPicture {
public:
  TWebPImage();
  ~TWebPImage() override;

  static const TGraphicClass& StaticClass();
  const TGraphicClass& ClassType() const override;

  // Reads the named file whole. Raises EFOpenError "ファイル %s は開けません",
  // and what TWebPFile raises; on failure the graphic is unchanged.
  void Open(const FilePath& file);
  // Takes the stream's bytes from its position to its end; raises as Open does.
  void LoadStream(TStream& stream) override;
  // Writes the picture's bytes as they were read.
  void SaveStream(TStream& stream) override;

  // Another WebP graphic: shares its file. None: empties. Anything else
  // raises EConvertError.
  void CopyFrom(const TPersistent* source) override;
  bool IsEmpty() const override;
  // The picture's size, upright.
  int Width() const override;
  int Height() const override;

  std::shared_ptr<const ColorProfile> Profile() const override;

  // Decoded once at the smallest size that covers width by height (upright),
  // and reused while it covers the size or is the whole picture.
  TBitmap* PixelsFor(int width, int height) override;
  std::unique_ptr<TBitmap> ShrunkFromDecoder(int width, int height, int decodedWidth,
                                             int decodedHeight) const override;

protected:
  void DecodeWhole(TBitmap& whole) const override;

private:
  void Take(std::vector<uint8_t> bytes, const FilePath& file);
  const TWebPFile& File() const;

  std::shared_ptr<const TWebPFile> file_;
  std::unique_ptr<TBitmap> bitmap_;
};
