#include "picture/BmpReader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "gdi/Handles.h"
#include "picture/Bitmap.h"
#include "picture/BitmapImage.h"
#include "picture/Stream.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"

namespace {

constexpr size_t kInfoHeaderSize = sizeof(BITMAPINFOHEADER);
constexpr size_t kMaskBytes = 3 * sizeof(DWORD);
constexpr DWORD kMaxTableEntries = 256;
// The memory copy of a compressed file is made in pieces of this size.
constexpr int32_t kCopyPiece = 61440;
// The most pixels a picture may have: 2^30, half of what the system's drawing
// code can take in its 32-bit arithmetic (it fails, or worse, from 2^31 on).
constexpr int64_t kMaxPixels = int64_t{1} << 30;

[[noreturn]] void InvalidBitmap() { throw EInvalidGraphic(ResText(IDS_INVALID_BITMAP)); }

[[noreturn]] void ReadError() { throw EReadError(ResText(IDS_READ_ERROR)); }

// A section or bitmap that could not be made: the system's error when it gave one.
[[noreturn]] void RaiseBuildFailure() {
  if (GetLastError() != 0) RaiseLastOSError();
  InvalidBitmap();
}

// A section that could not be made. Without a code from the system, the same
// shape at one pixel tells the file's fault (refused again) from a lack of memory.
[[noreturn]] void RaiseSectionFailure(HDC screen, const std::vector<uint8_t>& info) {
  if (GetLastError() != 0) RaiseLastOSError();
  std::vector<uint8_t> tiny(info);
  auto& header = *reinterpret_cast<BITMAPINFOHEADER*>(tiny.data());
  header.biWidth = 1;
  header.biHeight = 1;
  header.biSizeImage = 0;
  void* bits = nullptr;
  UniqueGdiObject<HBITMAP> probe(
      CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(tiny.data()), DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!probe) InvalidBitmap();
  throw EOutOfMemory(ResText(IDS_OUT_OF_MEMORY));
}

bool IsUncompressed(DWORD compression) { return compression == BI_RGB || compression == BI_BITFIELDS; }

}  // namespace

void TBitmap::ReadBitmapData(TStream& stream, int32_t size) {
  ReleaseCanvasDC();
  if (size == 0) {
    InstallImage(nullptr, nullptr, DIBSECTION{}, false, nullptr);
    return;
  }
  BITMAPFILEHEADER fileHeader;
  stream.ReadBuffer(&fileHeader, sizeof fileHeader);
  if (fileHeader.bfType != kBmpFileType) InvalidBitmap();
  ReadBmpBody(stream, size - static_cast<int32_t>(sizeof fileHeader), &fileHeader);
}

void TBitmap::ReadBmpBody(TStream& stream, int32_t bodySize, const BITMAPFILEHEADER* fileHeader) {
  // What is left of the data; 64 bits, so that no size read from the file can wrap.
  int64_t size = bodySize;
  if (size < 4) InvalidBitmap();
  DWORD headerSize = 0;
  stream.ReadBuffer(&headerSize, sizeof headerSize);
  const bool os2 = headerSize == kOs2HeaderSize;
  // Headers of 16 to 39 bytes (OS/2 2.x) begin like the 40-byte header; the rest of
  // it is taken as zero. A header larger than the data cannot be complete.
  if (os2 ? size < kOs2HeaderSize : (headerSize < 16 || headerSize > size)) InvalidBitmap();

  // What GDI is given: a 40-byte header, the masks of a bit-field image, and up to
  // 256 colour-table entries. Larger headers are cut to their first 40 bytes; the
  // rest (colour spaces, profiles, an alpha mask) is not used for display.
  std::vector<uint8_t> info(kInfoHeaderSize + kMaskBytes + kMaxTableEntries * sizeof(RGBQUAD));
  BITMAPINFOHEADER& header = *reinterpret_cast<BITMAPINFOHEADER*>(info.data());
  std::unique_ptr<TMemoryStream> copy;
  TStream* source = &stream;

  if (os2) {
    Os2CoreHeader core;
    stream.ReadBuffer(&core, sizeof core);
    header.biWidth = core.width;
    header.biHeight = core.height;
    header.biPlanes = core.planes;
    header.biBitCount = core.bitCount;
    size -= kOs2HeaderSize;
  } else {
    std::vector<uint8_t> raw(headerSize);
    std::memcpy(raw.data(), &headerSize, sizeof headerSize);
    stream.ReadBuffer(raw.data() + 4, static_cast<int32_t>(headerSize - 4));
    size -= headerSize;
    std::memcpy(&header, raw.data(), std::min<size_t>(headerSize, kInfoHeaderSize));
    if (headerSize >= kInfoHeaderSize + kMaskBytes && header.biCompression == BI_BITFIELDS)
      std::memcpy(info.data() + kInfoHeaderSize, raw.data() + kInfoHeaderSize, kMaskBytes);

    if (!IsUncompressed(header.biCompression)) {
      // A compressed file is kept whole in memory beside its bitmap, and read from
      // that copy from here on.
      copy = std::make_unique<TMemoryStream>();
      copy->SetSize(static_cast<int32_t>(sizeof(BITMAPFILEHEADER) + headerSize + size));
      copy->SetPosition(0);
      if (fileHeader != nullptr) {
        copy->WriteBuffer(fileHeader, sizeof *fileHeader);
      } else {
        BITMAPFILEHEADER made{};
        made.bfType = kBmpFileType;
        made.bfSize = static_cast<DWORD>(headerSize + size);
        copy->WriteBuffer(&made, sizeof made);
      }
      copy->WriteBuffer(raw.data(), static_cast<int32_t>(headerSize));
      std::vector<uint8_t> piece(static_cast<size_t>(std::min<int64_t>(size, kCopyPiece)));
      for (int64_t left = size; left > 0;) {
        const int32_t count = static_cast<int32_t>(std::min<int64_t>(left, kCopyPiece));
        stream.ReadBuffer(piece.data(), count);
        copy->WriteBuffer(piece.data(), count);
        left -= count;
      }
      copy->Seek(static_cast<int32_t>(-size), 2);
      source = copy.get();
    }
  }
  header.biSize = kInfoHeaderSize;
  if (header.biPlanes != 1) InvalidBitmap();

  size_t tableOffset = kInfoHeaderSize;
  if (header.biCompression == BI_BITFIELDS && (header.biBitCount == 16 || header.biBitCount == 32)) {
    if (headerSize == kInfoHeaderSize) {
      if (size < static_cast<int64_t>(kMaskBytes)) ReadError();
      source->ReadBuffer(info.data() + kInfoHeaderSize, kMaskBytes);
      size -= kMaskBytes;
    }
    tableOffset += kMaskBytes;
  }

  // The colour table. Entries past the 256 that any image can use are skipped.
  if (header.biClrUsed == 0) header.biClrUsed = static_cast<DWORD>(DefaultColorCount(header.biBitCount));
  const int entrySize = os2 ? sizeof(Os2ColorEntry) : sizeof(RGBQUAD);
  const int64_t tableBytes = static_cast<int64_t>(header.biClrUsed) * entrySize;
  if (tableBytes > size) ReadError();
  const DWORD entries = std::min(header.biClrUsed, kMaxTableEntries);
  auto* table = reinterpret_cast<RGBQUAD*>(info.data() + tableOffset);
  if (os2) {
    Os2ColorEntry os2Table[kMaxTableEntries];
    source->ReadBuffer(os2Table, static_cast<int32_t>(entries * sizeof(Os2ColorEntry)));
    for (DWORD i = 0; i < entries; ++i)
      table[i] = RGBQUAD{os2Table[i].blue, os2Table[i].green, os2Table[i].red, 0};
  } else {
    source->ReadBuffer(table, static_cast<int32_t>(entries * sizeof(RGBQUAD)));
  }
  if (tableBytes > entries * entrySize) source->Seek(static_cast<int32_t>(tableBytes - entries * entrySize), 1);
  size -= tableBytes;
  header.biClrUsed = entries;

  // The shape must describe a bitmap that a 32-bit process can hold; the system's
  // own size arithmetic is not trusted with dimensions that would overflow it.
  const bool uncompressed = IsUncompressed(header.biCompression);
  const int64_t width = header.biWidth;
  const int64_t height = std::llabs(static_cast<int64_t>(header.biHeight));
  if (width <= 0 || height == 0 || height > INT32_MAX) InvalidBitmap();
  // Sizes are compared by division, so that no product of numbers from the file
  // can wrap. A compressed image becomes a bitmap in the screen's format, of up
  // to 32 bits.
  const int64_t rowBytes = RowStride(width, header.biBitCount, 32);
  const int64_t deviceRowBytes = uncompressed ? 0 : RowStride(width, 32, 32);
  if (rowBytes > INT32_MAX / height || deviceRowBytes > INT32_MAX / height) InvalidBitmap();
  const int64_t imageBytes = rowBytes * height;
  // Both sides are below 2^31, so the pixel count cannot wrap either. Beyond the
  // cap the picture cannot be held and drawn, whatever its byte count (a one-bit
  // file of a few bytes per row can name billions of pixels).
  if (width * height > kMaxPixels) throw EOutOfMemory(ResText(IDS_OUT_OF_MEMORY));
  if (header.biSizeImage == 0) header.biSizeImage = static_cast<DWORD>(imageBytes);
  // A file shorter than its pixel data is read as far as it goes.
  int64_t pixelBytes = std::min<int64_t>(std::max<int64_t>(size, 0), header.biSizeImage);

  UniqueGdiObject<HBITMAP> bitmap;
  UniqueGdiObject<HPALETTE> palette;
  {
    WindowDC screen(nullptr);
    CheckGdi(screen.get());
    auto* bitmapInfo = reinterpret_cast<BITMAPINFO*>(info.data());
    if (uncompressed) {
      // The pixels go straight from the file into the section: no pass over them.
      pixelBytes = std::min(pixelBytes, imageBytes);
      void* bits = nullptr;
      SetLastError(0);
      bitmap.reset(CreateDIBSection(screen.get(), bitmapInfo, DIB_RGB_COLORS, &bits, nullptr, 0));
      if (!bitmap || bits == nullptr) RaiseSectionFailure(screen.get(), info);
      source->ReadBuffer(bits, static_cast<int32_t>(pixelBytes));
    } else {
      std::vector<uint8_t> pixels(static_cast<size_t>(pixelBytes));
      source->ReadBuffer(pixels.data(), static_cast<int32_t>(pixelBytes));
      // The decoder takes the data's length from the header; it must not read past
      // what the file held.
      header.biSizeImage = static_cast<DWORD>(pixelBytes);
      UniqueMemoryDC memoryDC(GdiCreate([&] { return CreateCompatibleDC(screen.get()); }));
      UniqueGdiObject<HBITMAP> pixel(CreateCompatibleBitmap(screen.get(), 1, 1));
      SelectedObject selected(memoryDC.get(), pixel.get());
      if (header.biClrUsed != 0) palette.reset(PaletteFromColorTable(nullptr, table, static_cast<int>(entries)));
      SelectedPalette realized(memoryDC.get(), palette.get());
      SetLastError(0);
      bitmap.reset(CreateDIBitmap(memoryDC.get(), &header, CBM_INIT, pixels.data(), bitmapInfo, DIB_RGB_COLORS));
      if (!bitmap) RaiseBuildFailure();
    }
  }
  if (header.biBitCount > 8 && header.biClrUsed != 0 && !palette)
    palette.reset(PaletteFromColorTable(nullptr, table, static_cast<int>(entries)));

  DIBSECTION record{};
  GetObjectA(bitmap.get(), sizeof record, &record);
  KeepRowOrder(record, uncompressed && header.biHeight < 0);
  record.dsBmih.biXPelsPerMeter = header.biXPelsPerMeter;
  record.dsBmih.biYPelsPerMeter = header.biYPelsPerMeter;
  record.dsBmih.biClrUsed = header.biClrUsed;
  record.dsBmih.biClrImportant = header.biClrImportant;

  InstallImage(bitmap.get(), palette.get(), record, os2, std::move(copy));
  bitmap.release();
  palette.release();
  SetPaletteModified(Palette() != nullptr);
  NotifyChanged(this);
}
