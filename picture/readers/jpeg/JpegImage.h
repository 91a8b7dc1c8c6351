#pragma once
// The JPEG graphic: it keeps a JPEG file's bytes, reads only the header when
// loaded, decodes into a bitmap on first need (at a reduced scale when it is
// shown small) and reuses that bitmap for every later draw. Given a bitmap it compresses it into a JFIF stream when saved.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "gdi/Handles.h"
#include "picture/core/Graphic.h"
#include "picture/core/SharedImage.h"

class ColorProfile;
class TBitmap;
class TMemoryStream;
class TFileStream;

// A JPEG file's bytes with the facts of its frame header, shared by the JPEG
// graphics assigned from one another.
class TJPEGData : public TSharedImage {
public:
  // The complete byte stream as read or as compressed; none until either happens.
  std::unique_ptr<TMemoryStream> Data;
  int32_t Height = 0;
  int32_t Width = 0;
  bool Gray = false;
  // The Exif orientation of the file, 1 to 8: decoded pictures are turned upright.
  int Orientation = 1;
  // What the decoded colours are, when the file's profile says and it is not sRGB.
  std::shared_ptr<const ColorProfile> Profile;
  // An ink picture's profile, applied while decoding.
  std::shared_ptr<const ColorProfile> Inks;

protected:
  ~TJPEGData() override;
  void FreeHandle() override {}
};

enum TJPEGPerformance : uint8_t { jpBestQuality, jpBestSpeed };
enum TJPEGPixelFormat : uint8_t { jf24Bit, jf8Bit };
enum TJPEGScale : uint8_t { jsFullSize, jsHalf, jsQuarter, jsEighth };

struct TJPEGOptions {
  uint8_t SaveQuality = 90;
  bool GrayMode = false;
  TJPEGPerformance SpeedMode = jpBestQuality;
  TJPEGPixelFormat OutputDepth = jf24Bit;
  bool ShowScans = false;
  // Set by loading; asks compression for a progressive file.
  bool MultiScan = false;
  TJPEGScale ScaleShift = jsFullSize;
  bool BlockSmoothing = true;
};

// The options every new JPEG graphic starts with.
TJPEGOptions& JpegDefaultOptions();
// Takes the default output depth from the screen and registers the "jpeg" and
// "jpg" extensions; StopJpegSupport removes the registration.
void StartJpegSupport();
void StopJpegSupport();

class TJPEGImage : public TGraphic {
public:
  TJPEGImage();
  ~TJPEGImage() override;

  static const TGraphicClass& StaticClass();
  const TGraphicClass& ClassType() const override;

  // A bitmap target takes over the decoded bitmap, decoding first if needed.
  void CopyTo(TPersistent& target) const override;
  // Another JPEG graphic: shares its data (and copies its decoded bitmap). A
  // bitmap: keeps it for compression on the next save.
  void CopyFrom(const TPersistent* source) override;
  void DrawInto(TCanvas& canvas, const RECT& rect) override;
  bool IsEmpty() const override;
  // The picture's own size from its header, upright (a quarter turn swaps the
  // sides), whatever scale it was decoded at; a graphic made from a bitmap
  // reports the bitmap's.
  int Width() const override;
  int Height() const override;
  // Always raise EInvalidGraphicOperation: a JPEG picture cannot be resized.
  void SetWidth(int value) override;
  void SetHeight(int value) override;
  HPALETTE Palette() override;
  // The graphic takes ownership of the palette.
  void SetPalette(UniquePalette palette) override;
  // Reads from the stream's position to its end; only the header is examined.
  void LoadStream(TStream& stream) override;
  // Compresses if needed, then writes the whole data.
  void SaveStream(TStream& stream) override;
  // The named file receives the complete data or keeps what it held: the data is
  // made in memory, written to a new file in the same folder and then put in
  // place of the named one. Where the folder takes no new file, the named file
  // is written in place. A name too long for the file calls is refused before
  // anything is made. Failures of the file name the named file.
  void SaveFile(const FilePath& fileName) override;

  // True when both hold the same bytes (or, without bytes, the same data record).
  bool SameAs(const TGraphic& other) const;

  // Makes the compressed data from the decoded bitmap when there is none yet.
  void Compress();
  // The decoded bitmap, decoding on first need.
  TBitmap& Bitmap();
  // The decoded bitmap for drawing into width by height: decoded once, at the
  // smallest of the library's reduced scales whose output still covers that size
  // (ScaleShift is set to it). Width and height are upright, as drawn. A bitmap decoded earlier is reused when it covers
  // the size, was decoded at full size, or is what a failed decode left.
  TBitmap& BitmapFor(int width, int height);
  TBitmap* PixelsFor(int width, int height) override { return &BitmapFor(width, height); }
  const TJPEGData& Data() const { return *data_; }
  // The profile the file's header holds; a picture made from a bitmap has none.
  std::shared_ptr<const ColorProfile> Profile() const override { return data_->Profile; }
  std::shared_ptr<const ColorProfile> ConvertedProfile() const override;
  TJPEGOptions& Options() { return options_; }
  const TJPEGOptions& Options() const { return options_; }
  bool DataEndedEarly() const override { return dataEndedEarly_; }

private:
  // Writes the whole compressed data to the file, made anew, and flushes it.
  void WriteWhole(TFileStream& stream);
  // Writes through a new file beside the named one (`name`: its form for the file
  // calls); false when none can be made.
  bool WriteThroughTemporary(const FilePath& fileName, const std::wstring& name);
  // Reads `count` bytes and the header they begin with.
  void ReadStream(int32_t count, TStream& stream);
  void NewData();
  // True when the data holds a file whose header was read.
  bool HasHeader() const;
  void Decode();
  void ReadHeader();

  TSharedRef<TJPEGData> data_;
  std::unique_ptr<TBitmap> bitmap_;
  // The halftone palette offered before decoding, or one a caller set.
  UniquePalette tempPalette_;
  TJPEGOptions options_;
  // What the last decode found.
  bool dataEndedEarly_ = false;
};

// The maker of the temporary file beside a saved picture: given the folder (as
// the file calls take it, FilePath::ForFileCalls, ending in a backslash), it
// makes a new empty file there and gives its path, or false when the folder
// takes none.
// Tests put in another (a folder that refuses new files cannot be made on every
// system a test runs on); null restores the program's own.
using TTemporaryFileMaker = bool (*)(const std::wstring& folder, std::wstring& path);
void SetTemporaryFileMakerForTesting(TTemporaryFileMaker maker);
