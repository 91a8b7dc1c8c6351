#pragma once
// The bitmap graphic: pixels in a GDI bitmap, either a device-dependent bitmap in
// the screen's format or a DIB section of a chosen layout. Bitmaps copied from one
// another share one image until one of them is modified (copy on write). Drawing
// goes through the bitmap's canvas, a memory device context made on demand.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "gdi/Canvas.h"
#include "gdi/Color.h"
#include "gdi/Handles.h"
#include "picture/core/Graphic.h"
#include "picture/core/SharedImage.h"

class ColorProfile;
class ImagePalette;
class TBitmapCanvas;
class TBitmapImage;
class TMemoryStream;

// The pixel format of a bitmap. SetPixelDepth looks up the bit count by ordinal,
// so the order is that of its table.
enum TPixelDepth {
  pdDevice,  // a device-dependent bitmap in the screen's format
  pd1Bit,    // DIB, 2-entry colour table
  pd4Bit,    // DIB, 16-entry colour table
  pd8Bit,    // DIB, 256-entry colour table
  pd15Bit,   // DIB, 16 bits uncompressed 5-5-5
  pd16Bit,   // DIB, 16 bits with the masks 0xF800, 0x07E0, 0x001F
  pd24Bit,   // DIB, blue-green-red bytes
  pd32Bit,   // DIB, 32 bits uncompressed
  pdCustom   // any other DIB layout
};

enum THandleKind { hkDIB, hkDDB };

constexpr TColor clDefault = 0x20000000;

class TBitmap : public TGraphic {
public:
  // An empty bitmap: 0 by 0, no handle, hkDDB, pdDevice.
  TBitmap();
  ~TBitmap() override;

  static const TGraphicClass& StaticClass();
  const TGraphicClass& ClassType() const override;

  // A bitmap source shares its image (no pixels are copied); none empties the
  // bitmap; other sources raise EConvertError.
  void CopyFrom(const TPersistent* source) override;
  // Draws the whole image stretched into the rectangle of the canvas.
  void DrawInto(TCanvas& canvas, const RECT& rect) override;
  bool IsEmpty() const override;
  int Width() const override;
  int Height() const override;
  // Resizing keeps the pixels at the top left; new area is white, or the canvas's
  // brush colour once the canvas exists.
  void SetWidth(int value) override;
  void SetHeight(int value) override;
  // Makes a palette from the image on first need (see EnsurePalette); the
  // palette stays the bitmap's.
  HPALETTE Palette() override;
  // The bitmap takes the palette over.
  void SetPalette(UniquePalette palette) override;
  // Reads a BMP file from the stream's position to its end.
  void LoadStream(TStream& stream) override;
  // Writes the image as a BMP file: the bytes of a compressed file exactly as read,
  // otherwise an uncompressed file of the image's device-independent form.
  void SaveStream(TStream& stream) override;

  TPixelDepth PixelDepth() const;
  // Converts the pixels; pdCustom raises EInvalidGraphic "画像フォーマットが不正です".
  void SetPixelDepth(TPixelDepth depth);
  THandleKind HandleKind() const;
  // hkDDB turns a DIB section into a screen-format bitmap, hkDIB the reverse.
  void SetHandleKind(THandleKind kind);
  bool IsMonochrome() const;

  // The bitmap takes the GDI bitmap over (none empties it, keeping the chosen
  // pixel depth); the palette carries over.
  void SetBitmapHandle(UniqueGdiObject<HBITMAP> handle);
  void SetBitmapHandle(std::nullptr_t) { SetBitmapHandle(UniqueGdiObject<HBITMAP>()); }

  // The drawing surface, made on first request.
  TCanvas& Canvas();
  bool CanvasAllocated() const { return canvas_ != nullptr; }

  std::shared_ptr<const ColorProfile> Profile() const override;
  // A bitmap's pixels are its own, at whatever size it is drawn.
  TBitmap* PixelsFor(int, int) override { return this; }

  TColor TransparentColor() const { return transparentColor_; }
  uint8_t TransparentMode() const { return transparentMode_; }

private:
  // The views that read and write the image, and the canvas that draws on it.
  friend class TBitmapCanvas;
  friend class BitmapRows;
  friend class BitmapRowWriter;
  friend class BitmapObjects;

  const TBitmapImage& Image() const { return *image_; }
  // The GDI bitmap, made private to this bitmap first; it stays owned by the bitmap.
  HBITMAP BitmapHandle();
  // Gives this bitmap a private image before its pixels are written.
  void NotifyChanging();
  // Reloads a kept file if the image has no handle yet.
  void EnsureHandle();
  // Gives a device-dependent image a DIB-section copy for row access.
  void EnsureDIB();
  // Makes the image's palette when it needs one and has none.
  void EnsurePalette();
  void ReleaseCanvasDC();
  // Draws a large DIB section shown much smaller in two steps; false when the
  // drawing is not of that kind or the step could not be prepared.
  bool ShrinkThroughSameFormat(HDC target, const RECT& rect, HDC source, DWORD copyMode);

  // Replaces the image by a new one holding these objects, a copy of the record,
  // the kept file bytes and the pixels' colour profile.
  void InstallImage(UniqueGdiObject<HBITMAP> handle, ImagePalette palette, const DIBSECTION& dib, bool os2Format,
                    std::unique_ptr<TMemoryStream> stream, std::shared_ptr<const ColorProfile> profile = nullptr);
  // Rebuilds the image in the shape the record asks for, from the given bitmap and
  // palette (both stay with their owner). Raises no change notification.
  void ReplaceImage(HBITMAP handle, const ImagePalette& palette, DIBSECTION& dib);

  TSharedRef<TBitmapImage> image_;
  std::unique_ptr<TBitmapCanvas> canvas_;
  bool ignorePalette_ = false;
  TColor transparentColor_ = clDefault;
  uint8_t transparentMode_ = 0;
};
