#include "picture/bitmap/Bitmap.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "gdi/Handles.h"
#include "gdi/ScreenMetrics.h"
#include "picture/bitmap/BitmapCanvas.h"
#include "picture/bitmap/BitmapImage.h"
#include "picture/bitmap/BmpReader.h"
#include "picture/bitmap/BmpWriter.h"
#include "picture/core/Stream.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"

namespace {

// Guards the exchange of a bitmap's image pointer, so that a bitmap being copied
// from is never seen between two images. The count of an image's holders needs no
// lock: it is atomic.
CriticalSection& ImageLock() {
  static CriticalSection lock;
  return lock;
}

std::unique_ptr<TGraphic> CreateBitmap() { return std::make_unique<TBitmap>(); }

const TGraphicClass kBitmapClass{"TBitmap", nullptr, &CreateBitmap};

}  // namespace

TBitmap::TBitmap() : image_(new TBitmapImage) {}

TBitmap::~TBitmap() {
  ReleaseCanvasDC();
  image_.reset();
  canvas_.reset();
}

const TGraphicClass& TBitmap::StaticClass() { return kBitmapClass; }

const TGraphicClass& TBitmap::ClassType() const { return kBitmapClass; }

void TBitmap::ReleaseCanvasDC() {
  if (canvas_ != nullptr) canvas_->ReleaseMemoryDC();
}

void TBitmap::CopyFrom(const TPersistent* source) {
  if (source == nullptr) {
    InstallImage(UniqueGdiObject<HBITMAP>(), ImagePalette(), DIBSECTION{}, false, nullptr);
  } else if (const auto* bitmap = dynamic_cast<const TBitmap*>(source)) {
    // The canvas must not keep drawing into the image it no longer holds.
    ReleaseCanvasDC();
    // The old image is let go once the lock is left: freeing it deselects its
    // bitmap from every canvas.
    TSharedRef<TBitmapImage> old;
    {
      CriticalSectionGuard guard(ImageLock());
      old = bitmap->image_;
      image_.swap(old);
      transparentColor_ = bitmap->transparentColor_;
      transparentMode_ = bitmap->transparentMode_;
    }
    old.reset();
    ignorePalette_ = false;
    if (Transparent() != bitmap->Transparent()) SetTransparent(bitmap->Transparent());
  } else {
    // A graphic of another kind makes this bitmap a copy of its pixels itself.
    source->CopyTo(*this);
    return;
  }
  SetPaletteModified(Palette() != nullptr);
  NotifyChanged(this);
}

void TBitmap::InstallImage(UniqueGdiObject<HBITMAP> handle, ImagePalette palette, const DIBSECTION& dib,
                           bool os2Format, std::unique_ptr<TMemoryStream> stream,
                           std::shared_ptr<const ColorProfile> profile) {
  TSharedRef<TBitmapImage> image(new TBitmapImage);
  // A bitmap with pixel memory of its own is a section; any other is device-dependent.
  (dib.dsBm.bmBits != nullptr ? image->section_ : image->device_).reset(handle.release());
  image->palette_ = std::move(palette);
  image->dib_ = dib;
  image->os2Format_ = os2Format;
  image->saveStream_ = std::move(stream);
  image->profile_ = std::move(profile);

  ReleaseCanvasDC();
  {
    CriticalSectionGuard guard(ImageLock());
    image_.swap(image);
  }
  // `image` now holds the old image, let go here, outside the lock.
  image.reset();
  // Whether a palette can be made is a question about the image, asked anew.
  ignorePalette_ = false;
}

void TBitmap::ReplaceImage(HBITMAP handle, const ImagePalette& palette, DIBSECTION& dib) {
  ReleaseCanvasDC();
  ImagePalette newPalette = palette.Duplicate();
  UniqueGdiObject<HBITMAP> newHandle =
      DuplicateBitmap(handle, palette.get(), newPalette.get(), dib, canvas_ != nullptr ? canvas_.get() : nullptr);
  InstallImage(std::move(newHandle), std::move(newPalette), dib, image_->os2Format_, nullptr, image_->profile_);
}

std::shared_ptr<const ColorProfile> TBitmap::Profile() const { return image_->profile_; }

bool TBitmap::IsEmpty() const {
  return !image_->device_ && !image_->section_ && image_->saveStream_ == nullptr;
}

int TBitmap::Width() const { return image_->dib_.dsBm.bmWidth; }

int TBitmap::Height() const { return std::abs(image_->dib_.dsBm.bmHeight); }

void TBitmap::SetWidth(int value) {
  if (value == image_->dib_.dsBm.bmWidth) return;
  EnsureHandle();
  DIBSECTION dib = image_->dib_;
  dib.dsBm.bmWidth = value;
  dib.dsBmih.biWidth = value;
  ReplaceImage(image_->Handle(), image_->palette_, dib);
  NotifyChanged(this);
}

void TBitmap::SetHeight(int value) {
  if (value == image_->dib_.dsBm.bmHeight) return;
  EnsureHandle();
  DIBSECTION dib = image_->dib_;
  dib.dsBm.bmHeight = value;
  dib.dsBmih.biHeight = value;
  ReplaceImage(image_->Handle(), image_->palette_, dib);
  NotifyChanged(this);
}

THandleKind TBitmap::HandleKind() const {
  const TBitmapImage& image = *image_;
  if (image.device_) return hkDDB;
  if (!image.section_ && image.dib_.dsBmih.biSize == 0) return hkDDB;
  return hkDIB;
}

void TBitmap::SetHandleKind(THandleKind kind) {
  if (kind == HandleKind()) return;
  const HBITMAP handle = BitmapHandle();
  DIBSECTION dib = image_->dib_;
  dib.dsBm.bmBits = nullptr;
  if (kind == hkDDB) {
    dib.dsBm.bmHeight = std::abs(dib.dsBm.bmHeight);
    dib.dsBmih = BITMAPINFOHEADER{};
  } else if (dib.dsBmih.biSize == 0) {
    dib.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
    dib.dsBmih.biWidth = dib.dsBm.bmWidth;
    dib.dsBmih.biHeight = dib.dsBm.bmHeight;
    dib.dsBmih.biPlanes = 1;
    dib.dsBmih.biBitCount = static_cast<WORD>(dib.dsBm.bmPlanes * dib.dsBm.bmBitsPixel);
  }
  ReplaceImage(handle, image_->palette_, dib);
  NotifyChanged(this);
}

TPixelDepth TBitmap::PixelDepth() const {
  if (HandleKind() == hkDDB) return pdDevice;
  const BITMAPINFOHEADER& header = image_->dib_.dsBmih;
  switch (header.biBitCount) {
    case 1: return pd1Bit;
    case 4: return pd4Bit;
    case 8: return pd8Bit;
    case 16:
      if (header.biCompression == BI_RGB) return pd15Bit;
      if (header.biCompression == BI_BITFIELDS) {
        // Some systems describe an uncompressed 16-bit section by its 5-5-5 masks.
        const DWORD* masks = image_->dib_.dsBitfields;
        if (masks[1] == 0x07E0) return pd16Bit;
        if (masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F) return pd15Bit;
      }
      return pdCustom;
    case 24: return pd24Bit;
    case 32: return header.biCompression == BI_RGB ? pd32Bit : pdCustom;
    default: return pdCustom;
  }
}

void TBitmap::SetPixelDepth(TPixelDepth depth) {
  if (depth == PixelDepth()) return;
  if (depth == pdDevice) {
    SetHandleKind(hkDDB);
    return;
  }
  if (depth == pdCustom) throw EInvalidGraphic(ResText(IDS_INVALID_PIXEL_FORMAT));

  // Reading the handle first gives this bitmap a private image, so that the
  // conversion never touches another holder's pixels.
  const HBITMAP handle = BitmapHandle();
  static const WORD kBitCounts[] = {0, 1, 4, 8, 16, 16, 24, 32};
  DIBSECTION dib{};
  dib.dsBm = image_->dib_.dsBm;
  dib.dsBm.bmBits = nullptr;
  dib.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
  dib.dsBmih.biWidth = dib.dsBm.bmWidth;
  dib.dsBmih.biHeight = dib.dsBm.bmHeight;
  dib.dsBmih.biPlanes = 1;
  dib.dsBmih.biBitCount = kBitCounts[depth];

  // The palette the new image copies its colours from; the system's 16 colours
  // are borrowed, a halftone palette is made for the step alone.
  ImagePalette made;
  const ImagePalette* palette = &image_->palette_;
  if (depth == pd4Bit) {
    made = ImagePalette::Borrowed(SystemPalette16());
    palette = &made;
  } else if (depth == pd8Bit) {
    WindowDC screen(nullptr);
    made = ImagePalette(UniquePalette(CreateHalftonePalette(CheckGdi(screen.get()))));
    palette = &made;
  } else if (depth == pd16Bit) {
    dib.dsBmih.biCompression = BI_BITFIELDS;
    dib.dsBitfields[0] = 0xF800;
    dib.dsBitfields[1] = 0x07E0;
    dib.dsBitfields[2] = 0x001F;
  }
  const bool hasPalette = palette->get() != nullptr;
  ReplaceImage(handle, *palette, dib);
  SetPaletteModified(hasPalette);
  NotifyChanged(this);
}

bool TBitmap::IsMonochrome() const { return image_->dib_.dsBm.bmPlanes == 1 && image_->dib_.dsBm.bmBitsPixel == 1; }

HBITMAP TBitmap::BitmapHandle() {
  ReleaseCanvasDC();
  EnsureHandle();
  NotifyChanging();
  return image_->Handle();
}

void TBitmap::SetBitmapHandle(UniqueGdiObject<HBITMAP> handle) {
  if (!handle && image_->Handle() == nullptr) return;
  ReleaseCanvasDC();
  DIBSECTION dib{};
  if (handle) GetObjectA(handle.get(), sizeof dib, &dib);
  // The palette carries over: taken from an image no other bitmap holds, copied
  // from a shared one.
  ImagePalette palette = image_->RefCount() == 1 ? std::move(image_->palette_) : image_->palette_.Duplicate();
  InstallImage(std::move(handle), std::move(palette), dib, false, nullptr);
  NotifyChanged(this);
}

HPALETTE TBitmap::Palette() {
  EnsurePalette();
  return image_->palette_.get();
}

void TBitmap::SetPalette(UniquePalette given) {
  if (!given && !image_->palette_) return;
  const HPALETTE palette = given.get();
  if (palette == nullptr && image_->RefCount() == 1) {
    image_->palette_.reset();
  } else {
    ImagePalette owned(std::move(given));
    ReleaseCanvasDC();
    EnsureHandle();
    DIBSECTION dib = image_->dib_;
    UniqueGdiObject<HBITMAP> handle =
        DuplicateBitmap(image_->Handle(), image_->palette_.get(), palette, dib, nullptr);
    InstallImage(std::move(handle), std::move(owned), dib, image_->os2Format_, nullptr, image_->profile_);
  }
  if (image_->section_ && image_->dib_.dsBmih.biBitCount <= 8) {
    RGBQUAD table[256];
    const int count = ColorTableFromPalette(palette, table, 255);
    WindowDC screen(nullptr);
    UniqueMemoryDC dc(GdiCreate([&] { return CreateCompatibleDC(screen.get()); }));
    SelectedObject selected(dc.get(), image_->DIBHandle());
    SetDIBColorTable(dc.get(), 0, static_cast<UINT>(count), table);
  }
  SetPaletteModified(true);
  NotifyChanged(this);
}

void TBitmap::NotifyChanging() {
  TBitmapImage& image = *image_;
  if (image.RefCount() > 1) {
    EnsureHandle();
    DIBSECTION dib = image_->dib_;
    const ImagePalette none;
    ReplaceImage(image_->Handle(), image_->halftone_ ? none : image_->palette_, dib);
  } else if (image.device_) {
    // A private device-dependent image: its section copy for row access is stale.
    image.section_.reset();
    image.dib_.dsBm.bmBits = nullptr;
  }
  image_->dib_.dsBmih.biClrUsed = 0;
  image_->dib_.dsBmih.biClrImportant = 0;
  image_->saveStream_.reset();
}

TCanvas& TBitmap::Canvas() {
  if (canvas_ == nullptr) {
    EnsureHandle();
    canvas_ = std::make_unique<TBitmapCanvas>(*this);
    canvas_->OnChange = [this] { NotifyChanged(this); };
    canvas_->OnChanging = [this] { NotifyChanging(); };
  }
  return *canvas_;
}

void TBitmap::EnsureHandle() {
  TBitmapImage& image = *image_;
  if (!image.device_ && !image.section_ && image.saveStream_ != nullptr) {
    // The kept file is read again. The old image, and with it the stream, lives
    // until the new image is installed, which is the reader's last use of it.
    auto onChange = std::move(OnChange);
    OnChange = nullptr;
    try {
      image.saveStream_->SetPosition(0);
      LoadStream(*image.saveStream_);
    } catch (...) {
      OnChange = std::move(onChange);
      throw;
    }
    OnChange = std::move(onChange);
  }
}

void TBitmap::EnsureDIB() {
  TBitmapImage& image = *image_;
  if (!image.device_ || image.section_) return;
  EnsurePalette();
  if (image.dib_.dsBmih.biSize == 0) {
    GetObjectA(image.device_.get(), sizeof image.dib_, &image.dib_);
    image.dib_.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
    image.dib_.dsBmih.biWidth = image.dib_.dsBm.bmWidth;
    image.dib_.dsBmih.biHeight = image.dib_.dsBm.bmHeight;
    image.dib_.dsBmih.biPlanes = 1;
    image.dib_.dsBmih.biBitCount = static_cast<WORD>(image.dib_.dsBm.bmPlanes * image.dib_.dsBm.bmBitsPixel);
  }
  image.section_.reset(
      DuplicateBitmap(image.device_.get(), image.palette_.get(), image.palette_.get(), image.dib_, nullptr).release());
}

void TBitmap::EnsurePalette() {
  TBitmapImage& image = *image_;
  if (ignorePalette_ || image.palette_ || !image.section_) return;
  if (image.IsSection()) DeselectEverywhere(image.DIBHandle());
  image.palette_ = ImagePalette(PaletteFromColorTable(image.DIBHandle(), nullptr, 0));
  if (image.palette_) return;
  image.halftone_ = image.halftone_ || ScreenColorDepth() < image.dib_.dsBm.bmBitsPixel * image.dib_.dsBm.bmPlanes;
  if (image.halftone_) {
    WindowDC screen(nullptr);
    image.palette_ = ImagePalette(UniquePalette(CreateHalftonePalette(CheckGdi(screen.get()))));
  }
  if (!image.palette_) ignorePalette_ = true;
}

void TBitmap::DrawInto(TCanvas& canvas, const RECT& rect) {
  canvas.RequiredState(csAllValid);
  EnsurePalette();
  const HDC dc = canvas.Handle();

  // The target's palette is put back however the drawing ends.
  SelectedPalette palette(dc, image_->palette_.get(), true);

  const int targetDepth = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
  const int imageDepth = image_->dib_.dsBm.bmBitsPixel * image_->dib_.dsBm.bmPlanes;
  if (targetDepth <= 8 && targetDepth < imageDepth) {
    POINT origin{};
    GetBrushOrgEx(dc, &origin);
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
  } else if (!IsMonochrome()) {
    SetStretchBltMode(dc, STRETCH_DELETESCANS);
  }

  TCanvas& own = Canvas();
  own.RequiredState(csAllValid);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (!ShrinkThroughSameFormat(dc, rect, own.Handle(), canvas.CopyMode()))
    StretchBlt(dc, rect.left, rect.top, width, height, own.Handle(), 0, 0, Width(), Height(), canvas.CopyMode());
}

bool TBitmap::ShrinkThroughSameFormat(HDC target, const RECT& rect, HDC source, DWORD copyMode) {
  // GDI converts the whole source to the target's format before it stretches, which
  // for a large picture shown small costs far more than the stretch itself. Dropping
  // the scans first, into a section of the image's own format and the target's
  // size, and converting only what is left gives the same pixels.
  const TBitmapImage& image = *image_;
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (!image.IsSection() || width <= 0 || height <= 0 ||
      GetStretchBltMode(target) != STRETCH_DELETESCANS ||
      static_cast<int64_t>(width) * height * 4 >= static_cast<int64_t>(Width()) * Height())
    return false;

  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
  } info{};
  info.header = image.dib_.dsBmih;
  info.header.biSize = sizeof info.header;
  info.header.biWidth = width;
  info.header.biHeight = height;
  info.header.biSizeImage = 0;
  if (info.header.biBitCount <= 8) {
    info.header.biClrUsed = GetDIBColorTable(source, 0, 256, info.colors);
  } else if (info.header.biCompression == BI_BITFIELDS) {
    std::memcpy(info.colors, image.dib_.dsBitfields, sizeof image.dib_.dsBitfields);
  }
  void* bits = nullptr;
  UniqueGdiObject<HBITMAP> scans(
      CreateDIBSection(source, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueMemoryDC scansDC(CreateCompatibleDC(source));
  if (!scans || !scansDC) return false;
  SelectedObject selected(scansDC.get(), scans.get());
  SetStretchBltMode(scansDC.get(), STRETCH_DELETESCANS);
  StretchBlt(scansDC.get(), 0, 0, width, height, source, 0, 0, Width(), Height(), SRCCOPY);
  BitBlt(target, rect.left, rect.top, width, height, scansDC.get(), 0, 0, copyMode);
  return true;
}

void TBitmap::LoadStream(TStream& stream) {
  ReleaseCanvasDC();
  BmpImage read = ReadBmpFile(stream, stream.Size() - stream.Position());
  const bool empty = !read.bitmap;
  InstallImage(std::move(read.bitmap), ImagePalette(std::move(read.palette)), read.record, read.os2,
               std::move(read.compressed), std::move(read.profile));
  if (empty) return;
  SetPaletteModified(Palette() != nullptr);
  NotifyChanged(this);
}

void TBitmap::SaveStream(TStream& stream) {
  if (image_->saveStream_ != nullptr) {
    TMemoryStream& kept = *image_->saveStream_;
    stream.WriteBuffer(kept.Memory(), kept.Size());
    return;
  }
  EnsureHandle();
  if (image_->Handle() == nullptr) return;  // An empty bitmap is an empty file.
  EnsureDIB();
  WriteBmpFile(image_->dib_, image_->DIBHandle(), stream);
}
