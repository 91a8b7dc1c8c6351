#include "picture/bitmap/BitmapImage.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "gdi/Canvas.h"
#include "gdi/Color.h"
#include "gdi/Handles.h"
#include "gdi/ScreenMetrics.h"
#include "picture/bitmap/BitmapCanvas.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"

namespace {

// A logical palette of up to 256 entries, as CreatePalette takes it.
struct PaletteRecord {
  WORD version = 0x300;
  WORD count = 0;
  PALETTEENTRY entries[256]{};
};

// The header and colour table (or bit-field masks) of a DIB, as GDI takes it.
struct DibInfo {
  BITMAPINFOHEADER header{};
  RGBQUAD table[256]{};
};

UniquePalette CreatePaletteFrom(const PaletteRecord& record) {
  if (record.count == 0) return UniquePalette();
  return UniquePalette(CreatePalette(reinterpret_cast<const LOGPALETTE*>(&record)));
}

int PaletteSize(HPALETTE palette) {
  WORD count = 0;
  if (palette == nullptr || GetObjectA(palette, sizeof count, &count) == 0) return 0;
  return count;
}

bool IsDibSection(const DIBSECTION& dib) { return dib.dsBmih.biSize != 0 && dib.dsBm.bmBits != nullptr; }

RGBQUAD QuadFromColor(COLORREF color) {
  return RGBQUAD{GetBValue(color), GetGValue(color), GetRValue(color), 0};
}

}  // namespace

void ImageBitmapCloser::operator()(HBITMAP bitmap) const {
  DeselectEverywhere(bitmap);
  GdiObjectCloser()(bitmap);
}

// Every section is made without a file mapping, so dshSection names no handle
// of the program's to close.
TBitmapImage::~TBitmapImage() { FreeHandle(); }

void TBitmapImage::FreeHandle() {
  section_.reset();
  device_.reset();
  palette_.reset();
}

void RaiseGdiError() {
  const DWORD code = GetLastError();
  std::string text = code != 0 ? SystemErrorText(code) : std::string();
  if (text.empty()) text = ResText(IDS_OUT_OF_RESOURCES);
  throw EOutOfResources(text);
}

HPALETTE SystemPalette16() {
  // The stock palette holds the 20 static colours; the 16 of the standard display
  // are its first 8 and its last 8. Made once and kept for the whole process.
  static const HPALETTE palette = [] {
    PALETTEENTRY stock[20]{};
    GetPaletteEntries(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), 0, 20, stock);
    PaletteRecord record;
    record.count = 16;
    std::memcpy(&record.entries[0], &stock[0], 8 * sizeof(PALETTEENTRY));
    std::memcpy(&record.entries[8], &stock[12], 8 * sizeof(PALETTEENTRY));
    // Kept for the whole process: every image only borrows it.
    return CreatePaletteFrom(record).release();
  }();
  return palette;
}

ImagePalette ImagePalette::Duplicate() const {
  if (!owned_) return Borrowed(palette_);
  return ImagePalette(DuplicatePalette(palette_));
}

UniquePalette DuplicatePalette(HPALETTE palette) {
  PaletteRecord record;
  record.count = static_cast<WORD>(PaletteSize(palette));
  if (record.count == 0) return UniquePalette();
  if (record.count > 256) record.count = 256;
  record.count = static_cast<WORD>(GetPaletteEntries(palette, 0, record.count, record.entries));
  return CreatePaletteFrom(record);
}

UniquePalette PaletteFromColorTable(HBITMAP section, const RGBQUAD* table, int count) {
  RGBQUAD entries[256]{};
  if (section != nullptr) {
    UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
    if (!dc) return UniquePalette();
    SelectedObject selected(dc.get(), section);
    count = static_cast<int>(GetDIBColorTable(dc.get(), 0, 256, entries));
  } else {
    if (count > 256) count = 256;
    if (count > 0) std::memcpy(entries, table, static_cast<size_t>(count) * sizeof(RGBQUAD));
  }
  if (count <= 0) return UniquePalette();

  PaletteRecord record;
  record.count = static_cast<WORD>(count);
  bool fromSystem = false;
  if (count == 16 && SystemPalette16() != nullptr) {
    WindowDC screen(nullptr);
    fromSystem = screen.get() != nullptr && GetDeviceCaps(screen.get(), SIZEPALETTE) >= 16;
  }
  if (fromSystem) {
    // A palette display shows 16-colour images in the system's own colours, so the
    // entries match the static colours exactly.
    GetPaletteEntries(SystemPalette16(), 0, 8, &record.entries[0]);
    GetPaletteEntries(SystemPalette16(), 8, 8, &record.entries[8]);
  } else {
    std::memcpy(record.entries, entries, static_cast<size_t>(count) * sizeof(RGBQUAD));
    SwapRedBlue(record.entries, count);
  }
  return CreatePaletteFrom(record);
}

int ColorTableFromPalette(HPALETTE palette, RGBQUAD* table, int maxIndex) {
  int count = PaletteSize(palette);
  if (count == 0) return 0;
  if (count > maxIndex + 1) count = maxIndex + 1;
  count = static_cast<int>(GetPaletteEntries(palette, 0, static_cast<UINT>(count),
                                             reinterpret_cast<PALETTEENTRY*>(table)));
  SwapRedBlue(table, count);
  return count;
}

void SwapRedBlue(void* entries, int count) {
  auto* bytes = static_cast<uint8_t*>(entries);
  for (int i = 0; i < count; ++i, bytes += 4) {
    const uint8_t first = bytes[0];
    bytes[0] = bytes[2];
    bytes[2] = first;
    bytes[3] = 0;
  }
}

void KeepRowOrder(DIBSECTION& dib, bool topDown) {
  if (topDown && dib.dsBmih.biSize != 0 && dib.dsBmih.biHeight > 0) dib.dsBmih.biHeight = -dib.dsBmih.biHeight;
}

int64_t RowStride(int64_t width, int bitCount, int alignment) {
  const int64_t bits = width * bitCount + alignment - 1;
  return (bits - bits % alignment) / 8;
}

int DefaultColorCount(int bitCount) {
  switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

namespace {

// The bitmap a copy is made from, with its palette (both stay with their owner)
// and its record (zero when there is no bitmap).
struct CopySource {
  HBITMAP handle;
  HPALETTE palette;
  DIBSECTION record;
};

// The screen's context and a memory context that the steps of a copy share.
struct CopyContexts {
  HDC screen;
  HDC memory;
};

// A new bitmap and whether the source's pixels are in it already.
struct MadeBitmap {
  UniqueGdiObject<HBITMAP> bitmap;
  bool copied = false;
};

bool HasEmptySide(const DIBSECTION& dib) {
  const BITMAPINFOHEADER& wanted = dib.dsBmih;
  return wanted.biSize != 0 ? (wanted.biWidth == 0 || wanted.biHeight == 0)
                            : (dib.dsBm.bmWidth == 0 || dib.dsBm.bmHeight == 0);
}

CopySource DescribeSource(HBITMAP handle, HPALETTE palette) {
  CopySource source{handle, palette, DIBSECTION{}};
  if (handle != nullptr &&
      GetObjectA(handle, sizeof source.record, &source.record) < static_cast<int>(sizeof(BITMAP)))
    throw EInvalidGraphic(ResText(IDS_INVALID_BITMAP));
  return source;
}

// A device-dependent bitmap: monochrome, or in the screen's format.
UniqueGdiObject<HBITMAP> MakeDeviceBitmap(HDC screen, const BITMAP& shape) {
  if ((shape.bmPlanes | shape.bmBitsPixel) == 1)
    return UniqueGdiObject<HBITMAP>(
        GdiCreate([&] { return CreateBitmap(shape.bmWidth, shape.bmHeight, 1, 1, nullptr); }));
  return UniqueGdiObject<HBITMAP>(
      GdiCreate([&] { return CreateCompatibleBitmap(screen, shape.bmWidth, shape.bmHeight); }));
}

// The colour table of a section of up to 8 bits: black and white for a fresh
// monochrome one, else the new palette's entries, else the source's own colours.
void FillColorTable(DibInfo& info, BITMAPINFOHEADER& wanted, const CopySource& source, HPALETTE newPalette,
                    HDC memoryDC) {
  if (wanted.biBitCount == 1 && (source.handle == nullptr || source.record.dsBm.bmBits == nullptr)) {
    info.table[0] = RGBQUAD{0, 0, 0, 0};
    info.table[1] = RGBQUAD{0xFF, 0xFF, 0xFF, 0};
  } else if (newPalette != nullptr) {
    ColorTableFromPalette(newPalette, info.table, 255);
  } else if (source.handle != nullptr) {
    SelectedObject selected(memoryDC, source.handle);
    if (IsDibSection(source.record)) {
      wanted.biClrUsed = GetDIBColorTable(memoryDC, 0, 256, info.table);
      info.header.biClrUsed = wanted.biClrUsed;
    } else {
      GetDIBits(memoryDC, source.handle, 0, static_cast<UINT>(std::abs(wanted.biHeight)), nullptr,
                reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    }
  }
}

// The masks of a bit-field section; the usual 5-6-5 or 8-8-8 ones when the shape
// names none.
void FillMasks(DibInfo& info, DIBSECTION& dib) {
  if (dib.dsBitfields[0] == 0) {
    const bool sixteen = dib.dsBmih.biBitCount == 16;
    dib.dsBitfields[0] = sixteen ? 0xF800 : 0x00FF0000;
    dib.dsBitfields[1] = sixteen ? 0x07E0 : 0x0000FF00;
    dib.dsBitfields[2] = sixteen ? 0x001F : 0x000000FF;
  }
  std::memcpy(info.table, dib.dsBitfields, sizeof dib.dsBitfields);
}

// A DIB section of the wanted shape. A same-sized conversion to a deeper format
// converts the source's pixels in the same step.
MadeBitmap MakeSection(const CopyContexts& dcs, DIBSECTION& dib, const CopySource& source, HPALETTE newPalette) {
  BITMAPINFOHEADER& wanted = dib.dsBmih;
  auto info = std::make_unique<DibInfo>();
  wanted.biSize = sizeof(BITMAPINFOHEADER);
  wanted.biPlanes = 1;
  if (wanted.biBitCount == 0) wanted.biBitCount = static_cast<WORD>(ScreenColorDepth());
  info->header = wanted;
  dib.dsBm.bmWidth = wanted.biWidth;
  dib.dsBm.bmHeight = wanted.biHeight;

  if (wanted.biBitCount <= 8)
    FillColorTable(*info, wanted, source, newPalette, dcs.memory);
  else if ((wanted.biBitCount == 16 || wanted.biBitCount == 32) && (wanted.biCompression & 3) != 0)
    FillMasks(*info, dib);

  MadeBitmap made;
  void* bits = nullptr;
  made.bitmap.reset(GdiCreate([&] {
    return CreateDIBSection(dcs.screen, reinterpret_cast<BITMAPINFO*>(info.get()), DIB_RGB_COLORS, &bits,
                            nullptr, 0);
  }));
  if (bits == nullptr) RaiseGdiError();

  if (source.handle != nullptr && wanted.biWidth == source.record.dsBm.bmWidth &&
      std::abs(wanted.biHeight) == std::abs(source.record.dsBm.bmHeight) && wanted.biBitCount > 8) {
    GetDIBits(dcs.memory, source.handle, 0, static_cast<UINT>(std::abs(wanted.biHeight)), bits,
              reinterpret_cast<BITMAPINFO*>(info.get()), DIB_RGB_COLORS);
    made.copied = true;
  }
  return made;
}

// The colours a canvas draws monochrome pixels in: its font's for set bits and
// its brush's for clear ones.
struct MonochromeColors {
  COLORREF text = 0;
  COLORREF back = 0;
};

// Fills the new bitmap (selected in `memoryDC`): white, or the canvas's brush,
// with a monochrome section's table then taking the canvas's colours.
MonochromeColors FillBackground(HDC memoryDC, HBITMAP made, const DIBSECTION& dib, int width, int height,
                                TCanvas* canvas) {
  MonochromeColors colors;
  if (canvas == nullptr) {
    PatBlt(memoryDC, 0, 0, width, height, WHITENESS);
    return colors;
  }
  colors.text = ColorToRGB(canvas->Font().Color());
  colors.back = ColorToRGB(canvas->Brush().Color());
  RECT area{0, 0, width, height};
  FillRect(memoryDC, &area, canvas->Brush().Handle());
  SetTextColor(memoryDC, colors.text);
  SetBkColor(memoryDC, colors.back);
  DIBSECTION record{};
  if (dib.dsBmih.biSize != 0 && dib.dsBmih.biBitCount == 1 &&
      GetObjectA(made, sizeof record, &record) == sizeof record && record.dsBm.bmBits != nullptr) {
    const RGBQUAD table[2] = {QuadFromColor(colors.text), QuadFromColor(colors.back)};
    SetDIBColorTable(memoryDC, 0, 2, table);
  }
  return colors;
}

// Copies the source's pixels into the new bitmap, anchored at the top left, over
// a filled background. Heights are taken as sizes: a top-down shape has a
// negative height, whose pixels must be kept all the same.
void CopyAnchored(const CopyContexts& dcs, HBITMAP made, const DIBSECTION& dib, const CopySource& source,
                  HPALETTE newPalette, TCanvas* canvas) {
  const int width = dib.dsBm.bmWidth;
  const int height = std::abs(dib.dsBm.bmHeight);
  SetLastError(0);
  SelectedObject selected(dcs.memory, made);
  if (!selected.ok()) RaiseGdiError();
  SelectedPalette palette(dcs.memory, newPalette, false);
  const MonochromeColors colors = FillBackground(dcs.memory, made, dib, width, height, canvas);
  if (source.handle == nullptr) return;
  UniqueMemoryDC sourceDC(GdiCreate([&] { return CreateCompatibleDC(dcs.screen); }));
  SelectedObject sourceSelected(sourceDC.get(), source.handle);
  SelectedPalette sourcePalette(sourceDC.get(), source.palette, false);
  if (canvas != nullptr) {
    SetTextColor(sourceDC.get(), colors.text);
    SetBkColor(sourceDC.get(), colors.back);
  }
  BitBlt(dcs.memory, 0, 0, width, height, sourceDC.get(), 0, 0, SRCCOPY);
}

}  // namespace

UniqueGdiObject<HBITMAP> DuplicateBitmap(HBITMAP handle, HPALETTE oldPalette, HPALETTE newPalette, DIBSECTION& dib,
                                         TCanvas* canvas) {
  const bool topDown = dib.dsBmih.biSize != 0 && dib.dsBmih.biHeight < 0;
  if (HasEmptySide(dib)) return UniqueGdiObject<HBITMAP>();
  DeselectEverywhere(handle);
  const CopySource source = DescribeSource(handle, oldPalette);

  WindowDC screen(nullptr);
  CheckGdi(screen.get());
  UniqueMemoryDC memoryDC(GdiCreate([&] { return CreateCompatibleDC(screen.get()); }));
  const CopyContexts dcs{screen.get(), memoryDC.get()};
  MadeBitmap made;
  if (dib.dsBmih.biSize < sizeof(BITMAPINFOHEADER))
    made.bitmap = MakeDeviceBitmap(screen.get(), dib.dsBm);
  else
    made = MakeSection(dcs, dib, source, newPalette);
  if (!made.copied) CopyAnchored(dcs, made.bitmap.get(), dib, source, newPalette, canvas);

  GetObjectA(made.bitmap.get(), sizeof dib, &dib);
  KeepRowOrder(dib, topDown);
  return std::move(made.bitmap);
}
