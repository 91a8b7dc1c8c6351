#pragma once
// The image that bitmaps share, and the GDI functions that build, copy and
// describe bitmaps and palettes.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <utility>

#include "gdi/Handles.h"
#include "picture/core/SharedImage.h"
#include "picture/core/Stream.h"

class ColorProfile;
class TCanvas;

// The palette of an image: either one made for it, deleted with it, or one it
// only borrows (the system's 16 colours, kept for the whole process). Which of
// the two is said where the palette is obtained, never guessed from its value.
class ImagePalette {
public:
  ImagePalette() = default;
  explicit ImagePalette(UniquePalette owned) : owned_(std::move(owned)), palette_(owned_.get()) {}
  static ImagePalette Borrowed(HPALETTE palette) {
    ImagePalette borrowed;
    borrowed.palette_ = palette;
    return borrowed;
  }
  ImagePalette(ImagePalette&& other) noexcept
      : owned_(std::move(other.owned_)), palette_(std::exchange(other.palette_, nullptr)) {}
  ImagePalette& operator=(ImagePalette&& other) noexcept {
    owned_ = std::move(other.owned_);
    palette_ = std::exchange(other.palette_, nullptr);
    return *this;
  }

  HPALETTE get() const { return palette_; }
  explicit operator bool() const { return palette_ != nullptr; }
  // A palette for another image: a copy of an owned one (none when it has no
  // entries), the same borrowed one.
  ImagePalette Duplicate() const;
  void reset() { *this = ImagePalette(); }

private:
  UniquePalette owned_;
  HPALETTE palette_ = nullptr;
};

// Deletes a bitmap of an image once no bitmap canvas holds it selected: a
// selected bitmap cannot be deleted.
struct ImageBitmapCloser {
  void operator()(HBITMAP bitmap) const;
};
using UniqueImageBitmap = UniqueHandle<HBITMAP, ImageBitmapCloser>;

// One GDI bitmap with its palette and its description, held by every bitmap that
// was copied from the first one until one of them is modified. The image is a
// DIB section, or a device-dependent bitmap that may have a section copy made
// for row access; each of the two is owned once, never aliased. Only the bitmap
// changes it; its views read it.
class TBitmapImage : public TSharedImage {
public:
  TBitmapImage() = default;

  // The current GDI bitmap: the device-dependent one, else the section.
  HBITMAP Handle() const { return device_ ? device_.get() : section_.get(); }
  // The DIB section: the image itself, or the row-access copy of a device bitmap.
  HBITMAP DIBHandle() const { return section_.get(); }
  // True when the image is a DIB section itself, not a copy of a device bitmap.
  bool IsSection() const { return section_ && !device_; }
  // Describes the image; a biSize of 0 means a device-dependent bitmap in the
  // screen's format.
  const DIBSECTION& Record() const { return dib_; }
  HPALETTE PaletteHandle() const { return palette_.get(); }
  // The image came from a file with the 12-byte OS/2 header.
  bool FromOs2File() const { return os2Format_; }

protected:
  ~TBitmapImage() override;
  void FreeHandle() override;

private:
  friend class TBitmap;

  // The image's device-dependent bitmap, when it is one.
  UniqueImageBitmap device_;
  // The image's DIB section, or the copy of device_ made for row access.
  UniqueImageBitmap section_;
  ImagePalette palette_;
  // Describes the image, and serves as the wanted shape before a rebuild.
  DIBSECTION dib_{};
  // The bytes of a compressed BMP file exactly as read.
  std::unique_ptr<TMemoryStream> saveStream_;
  bool os2Format_ = false;
  // palette_ is a halftone palette made for a screen shallower than the image.
  bool halftone_ = false;
  // What the pixels' colours are, when a file said so and it is not sRGB; kept
  // through changes of format, dropped with new pixels.
  std::shared_ptr<const ColorProfile> profile_;
};

// Raises EOutOfResources with the system's text for the last error, or
// "システム リソースが足りません" when there is none.
[[noreturn]] void RaiseGdiError();

// The value, or the GDI failure when it is 0.
template <class T>
T CheckGdi(T value) {
  if (!value) RaiseGdiError();
  return value;
}

// Runs a GDI creation call with the last error cleared first, so that a failure
// the system gives no code for is not reported with an older, unrelated one.
template <class Create>
auto GdiCreate(Create create) -> decltype(create()) {
  SetLastError(0);
  return CheckGdi(create());
}

// The 16 colours of the system, used for 4-bit images; never deleted or copied.
HPALETTE SystemPalette16();

// A new bitmap of the shape `dib` asks for, with the pixels of `handle` copied in
// at the top left and the rest filled (white, or the canvas's brush colour);
// `dib` then describes the new bitmap. None when the shape has an empty side.
// The handles given are only borrowed.
UniqueGdiObject<HBITMAP> DuplicateBitmap(HBITMAP handle, HPALETTE oldPalette, HPALETTE newPalette, DIBSECTION& dib,
                                         TCanvas* canvas);
// A palette with the same entries, or none for none or an empty one.
UniquePalette DuplicatePalette(HPALETTE palette);
// A palette from a DIB section's colour table, or from `count` entries of `table`
// when no section is given; none when there are no entries.
UniquePalette PaletteFromColorTable(HBITMAP section, const RGBQUAD* table, int count);
// Writes the palette's entries as colour-table entries, at most maxIndex + 1;
// returns their number.
int ColorTableFromPalette(HPALETTE palette, RGBQUAD* table, int maxIndex);
// Turns blue-green-red-x entries into red-green-blue-0 and back.
void SwapRedBlue(void* entries, int count);
// Some systems describe a top-down section with a positive height; the record
// must keep the negative one, since row access depends on it.
void KeepRowOrder(DIBSECTION& dib, bool topDown);
// The length in bytes of a row of `width` pixels padded to `alignment` bits; with
// 32 the length of a DIB row.
int64_t RowStride(int64_t width, int bitCount, int alignment);
// 2, 16 and 256 for 1, 4 and 8 bits; 0 for other bit counts.
int DefaultColorCount(int bitCount);
