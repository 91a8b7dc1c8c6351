#include "picture/BitmapImage.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "gdi/Canvas.h"
#include "gdi/Color.h"
#include "gdi/Handles.h"
#include "gdi/ScreenMetrics.h"
#include "picture/BitmapCanvas.h"
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

HPALETTE CreatePaletteFrom(const PaletteRecord& record) {
  if (record.count == 0) return nullptr;
  return CreatePalette(reinterpret_cast<const LOGPALETTE*>(&record));
}

int PaletteSize(HPALETTE palette) {
  WORD count = 0;
  if (palette == nullptr || GetObjectA(palette, sizeof count, &count) == 0) return 0;
  return count;
}

bool IsDibSection(const DIBSECTION& dib) { return dib.dsBmih.biSize != 0 && dib.dsBm.bmBits != nullptr; }

// A bitmap selected into a memory context for one scope; selecting must succeed.
class CheckedSelection {
public:
  CheckedSelection(HDC dc, HGDIOBJ object) : dc_(dc), old_((SetLastError(0), SelectObject(dc, object))) {
    if (old_ == nullptr || old_ == HGDI_ERROR) RaiseGdiError();
  }
  ~CheckedSelection() { SelectObject(dc_, old_); }
  CheckedSelection(const CheckedSelection&) = delete;
  CheckedSelection& operator=(const CheckedSelection&) = delete;

private:
  HDC dc_;
  HGDIOBJ old_;
};

RGBQUAD QuadFromColor(COLORREF color) {
  return RGBQUAD{GetBValue(color), GetGValue(color), GetRValue(color), 0};
}

}  // namespace

TBitmapImage::~TBitmapImage() {
  if (Handle == DIBHandle) Handle = nullptr;
  if (DIBHandle != nullptr) {
    DeselectEverywhere(DIBHandle);
    DeleteObject(DIBHandle);
    DIBHandle = nullptr;
  }
  FreeHandle();
  if (DIB.dshSection != nullptr) CloseHandle(DIB.dshSection);
}

void TBitmapImage::FreeHandle() {
  if (Handle != nullptr && Handle != DIBHandle) {
    DeselectEverywhere(Handle);
    DeleteObject(Handle);
  }
  if (MaskHandle != nullptr) {
    DeselectEverywhere(MaskHandle);
    DeleteObject(MaskHandle);
    MaskHandle = nullptr;
  }
  if (Palette != nullptr && Palette != SystemPalette16()) DeleteObject(Palette);
  Handle = nullptr;
  Palette = nullptr;
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
    return CreatePaletteFrom(record);
  }();
  return palette;
}

HPALETTE DuplicatePalette(HPALETTE palette) {
  PaletteRecord record;
  record.count = static_cast<WORD>(PaletteSize(palette));
  if (record.count == 0) return nullptr;
  if (record.count > 256) record.count = 256;
  record.count = static_cast<WORD>(GetPaletteEntries(palette, 0, record.count, record.entries));
  return CreatePaletteFrom(record);
}

HPALETTE PaletteFromColorTable(HBITMAP section, const RGBQUAD* table, int count) {
  RGBQUAD entries[256]{};
  if (section != nullptr) {
    UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
    if (!dc) return nullptr;
    SelectedObject selected(dc.get(), section);
    count = static_cast<int>(GetDIBColorTable(dc.get(), 0, 256, entries));
  } else {
    if (count > 256) count = 256;
    if (count > 0) std::memcpy(entries, table, static_cast<size_t>(count) * sizeof(RGBQUAD));
  }
  if (count <= 0) return nullptr;

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

HBITMAP DuplicateBitmap(HBITMAP handle, HPALETTE oldPalette, HPALETTE newPalette, DIBSECTION& dib,
                        TCanvas* canvas) {
  BITMAPINFOHEADER& wanted = dib.dsBmih;
  const bool topDown = wanted.biSize != 0 && wanted.biHeight < 0;
  if (wanted.biSize != 0 ? (wanted.biWidth == 0 || wanted.biHeight == 0)
                         : (dib.dsBm.bmWidth == 0 || dib.dsBm.bmHeight == 0))
    return nullptr;

  DeselectEverywhere(handle);
  DIBSECTION old{};
  if (handle != nullptr && GetObjectA(handle, sizeof old, &old) < static_cast<int>(sizeof(BITMAP)))
    throw EInvalidGraphic(ResText(IDS_INVALID_BITMAP));

  WindowDC screen(nullptr);
  CheckGdi(screen.get());
  UniqueMemoryDC memoryDC(GdiCreate([&] { return CreateCompatibleDC(screen.get()); }));
  UniqueGdiObject<HBITMAP> result;
  bool copied = false;

  if (wanted.biSize < sizeof(BITMAPINFOHEADER)) {
    // A device-dependent bitmap: monochrome, or in the screen's format.
    if ((dib.dsBm.bmPlanes | dib.dsBm.bmBitsPixel) == 1)
      result.reset(GdiCreate([&] { return CreateBitmap(dib.dsBm.bmWidth, dib.dsBm.bmHeight, 1, 1, nullptr); }));
    else
      result.reset(
          GdiCreate([&] { return CreateCompatibleBitmap(screen.get(), dib.dsBm.bmWidth, dib.dsBm.bmHeight); }));
  } else {
    auto info = std::make_unique<DibInfo>();
    wanted.biSize = sizeof(BITMAPINFOHEADER);
    wanted.biPlanes = 1;
    if (wanted.biBitCount == 0)
      wanted.biBitCount = static_cast<WORD>(ScreenColorDepth());
    info->header = wanted;
    dib.dsBm.bmWidth = wanted.biWidth;
    dib.dsBm.bmHeight = wanted.biHeight;

    if (wanted.biBitCount <= 8) {
      if (wanted.biBitCount == 1 && (handle == nullptr || old.dsBm.bmBits == nullptr)) {
        info->table[0] = RGBQUAD{0, 0, 0, 0};
        info->table[1] = RGBQUAD{0xFF, 0xFF, 0xFF, 0};
      } else if (newPalette != nullptr) {
        ColorTableFromPalette(newPalette, info->table, 255);
      } else if (handle != nullptr) {
        SelectedObject selected(memoryDC.get(), handle);
        if (IsDibSection(old)) {
          wanted.biClrUsed = GetDIBColorTable(memoryDC.get(), 0, 256, info->table);
          info->header.biClrUsed = wanted.biClrUsed;
        } else {
          GetDIBits(memoryDC.get(), handle, 0, static_cast<UINT>(std::abs(wanted.biHeight)), nullptr,
                    reinterpret_cast<BITMAPINFO*>(info.get()), DIB_RGB_COLORS);
        }
      }
    } else if ((wanted.biBitCount == 16 || wanted.biBitCount == 32) && (wanted.biCompression & 3) != 0) {
      if (dib.dsBitfields[0] == 0) {
        if (wanted.biBitCount == 16) {
          dib.dsBitfields[0] = 0xF800;
          dib.dsBitfields[1] = 0x07E0;
          dib.dsBitfields[2] = 0x001F;
        } else {
          dib.dsBitfields[0] = 0x00FF0000;
          dib.dsBitfields[1] = 0x0000FF00;
          dib.dsBitfields[2] = 0x000000FF;
        }
      }
      std::memcpy(info->table, dib.dsBitfields, sizeof dib.dsBitfields);
    }

    void* bits = nullptr;
    result.reset(GdiCreate([&] {
      return CreateDIBSection(screen.get(), reinterpret_cast<BITMAPINFO*>(info.get()), DIB_RGB_COLORS, &bits,
                              nullptr, 0);
    }));
    if (bits == nullptr) RaiseGdiError();

    // A same-sized conversion to a deeper format converts the pixels in one call.
    if (handle != nullptr && wanted.biWidth == old.dsBm.bmWidth &&
        std::abs(wanted.biHeight) == std::abs(old.dsBm.bmHeight) && wanted.biBitCount > 8) {
      GetDIBits(memoryDC.get(), handle, 0, static_cast<UINT>(std::abs(wanted.biHeight)), bits,
                reinterpret_cast<BITMAPINFO*>(info.get()), DIB_RGB_COLORS);
      copied = true;
    }
  }

  if (!copied) {
    // The copy is anchored at the top left. Heights are taken as sizes: a top-down
    // shape has a negative height, whose pixels must be kept all the same.
    const int width = dib.dsBm.bmWidth;
    const int height = std::abs(dib.dsBm.bmHeight);
    CheckedSelection selected(memoryDC.get(), result.get());
    SelectedPalette palette(memoryDC.get(), newPalette, false);
    COLORREF textColor = 0;
    COLORREF backColor = 0;
    if (canvas != nullptr) {
      textColor = ColorToRGB(canvas->Font().Color());
      backColor = ColorToRGB(canvas->Brush().Color());
      RECT area{0, 0, width, height};
      FillRect(memoryDC.get(), &area, canvas->Brush().Handle());
      SetTextColor(memoryDC.get(), textColor);
      SetBkColor(memoryDC.get(), backColor);
      DIBSECTION made{};
      if (wanted.biSize != 0 && wanted.biBitCount == 1 &&
          GetObjectA(result.get(), sizeof made, &made) == sizeof made && made.dsBm.bmBits != nullptr) {
        const RGBQUAD colors[2] = {QuadFromColor(textColor), QuadFromColor(backColor)};
        SetDIBColorTable(memoryDC.get(), 0, 2, colors);
      }
    } else {
      PatBlt(memoryDC.get(), 0, 0, width, height, WHITENESS);
    }
    if (handle != nullptr) {
      UniqueMemoryDC sourceDC(GdiCreate([&] { return CreateCompatibleDC(screen.get()); }));
      SelectedObject source(sourceDC.get(), handle);
      SelectedPalette sourcePalette(sourceDC.get(), oldPalette, false);
      if (canvas != nullptr) {
        SetTextColor(sourceDC.get(), textColor);
        SetBkColor(sourceDC.get(), backColor);
      }
      BitBlt(memoryDC.get(), 0, 0, width, height, sourceDC.get(), 0, 0, SRCCOPY);
    }
  }

  GetObjectA(result.get(), sizeof dib, &dib);
  KeepRowOrder(dib, topDown);
  return result.release();
}
