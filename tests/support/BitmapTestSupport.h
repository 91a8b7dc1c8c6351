#pragma once
#include "tests/support/Dib.h"
// Helpers of the bitmap and BMP reader tests: reading a bitmap's pixels without
// changing it, counting the process's GDI objects, and composing BMP files.

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "gdi/Handles.h"
#include "picture/bitmap/Bitmap.h"
#include "picture/bitmap/BitmapCanvas.h"
#include "picture/bitmap/BitmapImage.h"
#include "picture/bitmap/BitmapObjects.h"

namespace bitmap_test {

// 0x00RRGGBB, the layout of a 32-bit DIB pixel.
constexpr DWORD kRed = 0xFF0000;
constexpr DWORD kGreen = 0x00FF00;
constexpr DWORD kBlue = 0x0000FF;
constexpr DWORD kWhite = 0xFFFFFF;
constexpr DWORD kBlack = 0x000000;

inline COLORREF ToColorRef(DWORD pixel) { return RGB(pixel >> 16 & 0xFF, pixel >> 8 & 0xFF, pixel & 0xFF); }

// The pixels of a GDI bitmap as 0x00RRGGBB, top row first.
inline std::vector<DWORD> PixelsOfHandle(HBITMAP handle, int width, int height) {
  std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
  if (handle == nullptr || pixels.empty()) return pixels;
  DeselectEverywhere(handle);
  BITMAPINFO info = TopDown32BitInfo(width, height);
  WindowDC screen(nullptr);
  GdiFlush();
  if (GetDIBits(screen.get(), handle, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS) !=
      height)
    pixels.assign(pixels.size(), 0xDEADBEEF);
  for (DWORD& pixel : pixels) pixel &= 0xFFFFFF;
  return pixels;
}

// The bitmap's pixels, read from its image without unsharing or changing it.
inline std::vector<DWORD> PixelsOf(const TBitmap& bitmap) {
  return PixelsOfHandle(BitmapObjects(bitmap).Handle(), bitmap.Width(), bitmap.Height());
}

// A bitmap whose image is a 32-bit top-down section holding the pixels.
inline void SetPixels(TBitmap& bitmap, int width, int height, const std::vector<DWORD>& pixels) {
  BITMAPINFO info = TopDown32BitInfo(width, height);
  void* bits = nullptr;
  UniqueGdiObject<HBITMAP> section(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  std::memcpy(bits, pixels.data(), pixels.size() * sizeof(DWORD));
  bitmap.SetBitmapHandle(std::move(section));
}

// The number of GDI objects the process holds. Wine does not count them for
// GetGuiResources, but accepts a handle without its generation part, so there the
// live entries of its handle table are counted instead.
inline int GdiObjectCount() {
  const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (counted != 0) return static_cast<int>(counted);
  int count = 0;
  for (uintptr_t handle = 1; handle < 0x10000; ++handle) {
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(handle)) != 0) ++count;
  }
  return count;
}

// Composes a BMP file in memory, field by field, little-endian.
class BmpWriter {
public:
  BmpWriter& U8(uint8_t value) {
    bytes.push_back(value);
    return *this;
  }
  BmpWriter& U16(uint16_t value) { return U8(value & 0xFF).U8(value >> 8); }
  BmpWriter& U32(uint32_t value) { return U16(value & 0xFFFF).U16(value >> 16); }
  BmpWriter& Bytes(const std::vector<uint8_t>& more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
    return *this;
  }
  // The 14-byte file header; the pixel offset is what the file claims.
  BmpWriter& FileHeader(uint32_t fileSize, uint32_t offBits) {
    return U8('B').U8('M').U32(fileSize).U16(0).U16(0).U32(offBits);
  }
  // A 40-byte information header.
  BmpWriter& InfoHeader(int32_t width, int32_t height, uint16_t bitCount, uint32_t compression = BI_RGB,
                        uint32_t sizeImage = 0, uint32_t clrUsed = 0, uint16_t planes = 1) {
    return U32(40)
        .U32(static_cast<uint32_t>(width))
        .U32(static_cast<uint32_t>(height))
        .U16(planes)
        .U16(bitCount)
        .U32(compression)
        .U32(sizeImage)
        .U32(2835)
        .U32(2835)
        .U32(clrUsed)
        .U32(0);
  }
  std::vector<uint8_t> bytes;
};

// A whole uncompressed BMP file: 40-byte header, colour table of 4-byte entries
// (0x00RRGGBB each), then the rows as given.
inline std::vector<uint8_t> BmpFile(int32_t width, int32_t height, uint16_t bitCount,
                                    const std::vector<DWORD>& table, const std::vector<uint8_t>& rows,
                                    uint32_t clrUsed = 0) {
  BmpWriter file;
  const uint32_t offBits = 14 + 40 + static_cast<uint32_t>(table.size()) * 4;
  file.FileHeader(offBits + static_cast<uint32_t>(rows.size()), offBits)
      .InfoHeader(width, height, bitCount, BI_RGB, 0, clrUsed);
  for (DWORD entry : table) file.U32(entry);
  return file.Bytes(rows).bytes;
}

}  // namespace bitmap_test
