#include "picture/bitmap/BmpReader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "gdi/Handles.h"
#include "picture/bitmap/Bitmap.h"
#include "picture/bitmap/BitmapImage.h"
#include "picture/bitmap/BmpColorSpace.h"
#include "picture/core/PixelCap.h"
#include "picture/core/Stream.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"

namespace {

constexpr size_t kInfoHeaderSize = sizeof(BITMAPINFOHEADER);
constexpr size_t kMaskBytes = 3 * sizeof(DWORD);
constexpr DWORD kMaxTableEntries = 256;
// The memory copy of a compressed file is made in pieces of this size.
constexpr int32_t kCopyPiece = 61440;

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

// What GDI is given: a 40-byte header, the masks of a bit-field image, and up to
// 256 colour-table entries, laid out as a BITMAPINFO.
struct BmpInfo {
  std::vector<uint8_t> bytes = std::vector<uint8_t>(kInfoHeaderSize + kMaskBytes + kMaxTableEntries * sizeof(RGBQUAD));
  // Where the colour table begins: after the masks, when there are masks.
  size_t tableOffset = kInfoHeaderSize;
  // The colour-table entries read, at most 256.
  DWORD entries = 0;

  BITMAPINFOHEADER& Header() { return *reinterpret_cast<BITMAPINFOHEADER*>(bytes.data()); }
  RGBQUAD* Table() { return reinterpret_cast<RGBQUAD*>(bytes.data() + tableOffset); }
  BITMAPINFO* AsBitmapInfo() { return reinterpret_cast<BITMAPINFO*>(bytes.data()); }
};

// The file body as it is read: where the rest comes from, and how much is left.
struct BmpBody {
  BmpBody(TStream& stream, int64_t size) : source(&stream), left(size) {}

  TStream* source;
  // What is left of the data; 64 bits, so that no size read from the file can wrap.
  int64_t left;
  DWORD headerSize = 0;
  bool os2 = false;
  // The header's bytes as the file holds them (a Windows header only).
  std::vector<uint8_t> rawHeader;
};

// How many bytes the pixels take and how many of them the file holds.
struct BmpShape {
  bool uncompressed;
  int64_t imageBytes;
  int64_t pixelBytes;
};

// The bitmap and palette made from the file.
struct BuiltBitmap {
  UniqueGdiObject<HBITMAP> bitmap;
  UniquePalette palette;
};

void ReadOs2Header(BmpBody& body, BITMAPINFOHEADER& header) {
  Os2CoreHeader core;
  body.source->ReadBuffer(&core, sizeof core);
  header.biWidth = core.width;
  header.biHeight = core.height;
  header.biPlanes = core.planes;
  header.biBitCount = core.bitCount;
  body.left -= kOs2HeaderSize;
}

// Headers larger than 40 bytes are cut to their first 40 for the system; of the
// rest, the masks are used here and the colour space by BmpColorProfile.
void ReadWindowsHeader(BmpBody& body, BmpInfo& info) {
  std::vector<uint8_t>& raw = body.rawHeader;
  raw.resize(body.headerSize);
  std::memcpy(raw.data(), &body.headerSize, sizeof body.headerSize);
  body.source->ReadBuffer(raw.data() + 4, static_cast<int32_t>(body.headerSize - 4));
  body.left -= body.headerSize;
  BITMAPINFOHEADER& header = info.Header();
  std::memcpy(&header, raw.data(), std::min<size_t>(body.headerSize, kInfoHeaderSize));
  if (body.headerSize >= kInfoHeaderSize + kMaskBytes && header.biCompression == BI_BITFIELDS)
    std::memcpy(info.bytes.data() + kInfoHeaderSize, raw.data() + kInfoHeaderSize, kMaskBytes);
}

// The header's size field, then the header. Headers of 16 to 39 bytes (OS/2 2.x)
// begin like the 40-byte header; the rest of it is taken as zero. A header
// larger than the data cannot be complete.
void ReadInfoHeader(BmpBody& body, BmpInfo& info) {
  if (body.left < 4) InvalidBitmap();
  body.source->ReadBuffer(&body.headerSize, sizeof body.headerSize);
  body.os2 = body.headerSize == kOs2HeaderSize;
  if (body.os2 ? body.left < kOs2HeaderSize : (body.headerSize < 16 || body.headerSize > body.left))
    InvalidBitmap();
  if (body.os2)
    ReadOs2Header(body, info.Header());
  else
    ReadWindowsHeader(body, info);
}

// A compressed file is kept whole in memory beside its bitmap, and read from that
// copy from here on.
std::unique_ptr<TMemoryStream> KeepCompressedCopy(BmpBody& body, const BITMAPFILEHEADER& fileHeader) {
  auto copy = std::make_unique<TMemoryStream>();
  copy->SetSize(static_cast<int32_t>(sizeof(BITMAPFILEHEADER) + body.headerSize + body.left));
  copy->SetPosition(0);
  copy->WriteBuffer(&fileHeader, sizeof fileHeader);
  copy->WriteBuffer(body.rawHeader.data(), static_cast<int32_t>(body.headerSize));
  std::vector<uint8_t> piece(static_cast<size_t>(std::min<int64_t>(body.left, kCopyPiece)));
  for (int64_t left = body.left; left > 0;) {
    const int32_t count = static_cast<int32_t>(std::min<int64_t>(left, kCopyPiece));
    body.source->ReadBuffer(piece.data(), count);
    copy->WriteBuffer(piece.data(), count);
    left -= count;
  }
  copy->Seek(static_cast<int32_t>(-body.left), 2);
  body.source = copy.get();
  return copy;
}

// The masks of a bit-field image follow a 40-byte header; larger headers hold them.
void ReadMasks(BmpBody& body, BmpInfo& info) {
  const BITMAPINFOHEADER& header = info.Header();
  if (header.biCompression != BI_BITFIELDS || (header.biBitCount != 16 && header.biBitCount != 32)) return;
  if (body.headerSize == kInfoHeaderSize) {
    if (body.left < static_cast<int64_t>(kMaskBytes)) ReadError();
    body.source->ReadBuffer(info.bytes.data() + kInfoHeaderSize, kMaskBytes);
    body.left -= kMaskBytes;
  }
  info.tableOffset += kMaskBytes;
}

// The colour table. Entries past the 256 that any image can use are skipped.
void ReadColorTable(BmpBody& body, BmpInfo& info) {
  BITMAPINFOHEADER& header = info.Header();
  if (header.biClrUsed == 0) header.biClrUsed = static_cast<DWORD>(DefaultColorCount(header.biBitCount));
  const int entrySize = body.os2 ? sizeof(Os2ColorEntry) : sizeof(RGBQUAD);
  const int64_t tableBytes = static_cast<int64_t>(header.biClrUsed) * entrySize;
  if (tableBytes > body.left) ReadError();
  const DWORD entries = std::min(header.biClrUsed, kMaxTableEntries);
  RGBQUAD* table = info.Table();
  if (body.os2) {
    Os2ColorEntry os2Table[kMaxTableEntries];
    body.source->ReadBuffer(os2Table, static_cast<int32_t>(entries * sizeof(Os2ColorEntry)));
    for (DWORD i = 0; i < entries; ++i)
      table[i] = RGBQUAD{os2Table[i].blue, os2Table[i].green, os2Table[i].red, 0};
  } else {
    body.source->ReadBuffer(table, static_cast<int32_t>(entries * sizeof(RGBQUAD)));
  }
  if (tableBytes > entries * entrySize) body.source->Seek(static_cast<int32_t>(tableBytes - entries * entrySize), 1);
  body.left -= tableBytes;
  header.biClrUsed = entries;
  info.entries = entries;
}

// The shape must describe a bitmap that a 32-bit process can hold; the system's
// own size arithmetic is not trusted with dimensions that would overflow it.
BmpShape CheckShape(const BmpBody& body, BITMAPINFOHEADER& header) {
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
  if (ExceedsPixelCap(static_cast<uint64_t>(width), static_cast<uint64_t>(height)))
    throw EOutOfMemory(ResText(IDS_OUT_OF_MEMORY));
  if (header.biSizeImage == 0) header.biSizeImage = static_cast<DWORD>(imageBytes);
  // A file shorter than its pixel data is read as far as it goes.
  const int64_t pixelBytes = std::min<int64_t>(std::max<int64_t>(body.left, 0), header.biSizeImage);
  return BmpShape{uncompressed, imageBytes, pixelBytes};
}

// The pixels go straight from the file into a section: no pass over them.
UniqueGdiObject<HBITMAP> BuildSection(HDC screen, const BmpBody& body, BmpInfo& info, const BmpShape& shape) {
  const int64_t pixelBytes = std::min(shape.pixelBytes, shape.imageBytes);
  void* bits = nullptr;
  SetLastError(0);
  UniqueGdiObject<HBITMAP> bitmap(CreateDIBSection(screen, info.AsBitmapInfo(), DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) RaiseSectionFailure(screen, info.bytes);
  body.source->ReadBuffer(bits, static_cast<int32_t>(pixelBytes));
  return bitmap;
}

// A compressed image is decoded by the system into a bitmap in the screen's
// format, through the image's palette when it has a colour table.
BuiltBitmap BuildDecoded(HDC screen, const BmpBody& body, BmpInfo& info, const BmpShape& shape) {
  BITMAPINFOHEADER& header = info.Header();
  std::vector<uint8_t> pixels(static_cast<size_t>(shape.pixelBytes));
  body.source->ReadBuffer(pixels.data(), static_cast<int32_t>(shape.pixelBytes));
  // The decoder takes the data's length from the header; it must not read past
  // what the file held.
  header.biSizeImage = static_cast<DWORD>(shape.pixelBytes);
  UniqueMemoryDC memoryDC(GdiCreate([&] { return CreateCompatibleDC(screen); }));
  UniqueGdiObject<HBITMAP> pixel(CreateCompatibleBitmap(screen, 1, 1));
  SelectedObject selected(memoryDC.get(), pixel.get());
  BuiltBitmap built;
  if (header.biClrUsed != 0)
    built.palette = PaletteFromColorTable(nullptr, info.Table(), static_cast<int>(info.entries));
  SelectedPalette realized(memoryDC.get(), built.palette.get());
  SetLastError(0);
  built.bitmap.reset(
      CreateDIBitmap(memoryDC.get(), &header, CBM_INIT, pixels.data(), info.AsBitmapInfo(), DIB_RGB_COLORS));
  if (!built.bitmap) RaiseBuildFailure();
  return built;
}

BuiltBitmap BuildBitmap(const BmpBody& body, BmpInfo& info, const BmpShape& shape) {
  BuiltBitmap built;
  {
    WindowDC screen(nullptr);
    CheckGdi(screen.get());
    if (shape.uncompressed)
      built.bitmap = BuildSection(screen.get(), body, info, shape);
    else
      built = BuildDecoded(screen.get(), body, info, shape);
  }
  // An image of more than 8 bits may still name colours for palette displays.
  if (info.Header().biBitCount > 8 && info.entries != 0 && !built.palette)
    built.palette = PaletteFromColorTable(nullptr, info.Table(), static_cast<int>(info.entries));
  return built;
}

// The bitmap's record, with what the file said that the system does not keep.
DIBSECTION DescribeBuilt(HBITMAP bitmap, const BITMAPINFOHEADER& header, const BmpShape& shape) {
  DIBSECTION record{};
  GetObjectA(bitmap, sizeof record, &record);
  KeepRowOrder(record, shape.uncompressed && header.biHeight < 0);
  record.dsBmih.biXPelsPerMeter = header.biXPelsPerMeter;
  record.dsBmih.biYPelsPerMeter = header.biYPelsPerMeter;
  record.dsBmih.biClrUsed = header.biClrUsed;
  record.dsBmih.biClrImportant = header.biClrImportant;
  return record;
}


// In stages: the info header, a kept copy of a compressed file, the masks and the
// colour table, the shape's limits, and last the bitmap itself.
BmpImage ReadBmpBody(TStream& stream, int32_t bodySize, const BITMAPFILEHEADER& fileHeader) {
  BmpBody body(stream, bodySize);
  int32_t headerStart = stream.Position();
  BmpInfo info;
  ReadInfoHeader(body, info);
  BmpImage image;
  if (!body.os2 && !IsUncompressed(info.Header().biCompression)) {
    image.compressed = KeepCompressedCopy(body, fileHeader);
    headerStart = static_cast<int32_t>(sizeof fileHeader);
  }
  image.profile = BmpColorProfile(body.rawHeader, *body.source, headerStart, bodySize);
  // A header may be as large as the file; it is not kept beside the pixels.
  body.rawHeader = std::vector<uint8_t>();
  info.Header().biSize = kInfoHeaderSize;
  if (info.Header().biPlanes != 1) InvalidBitmap();
  ReadMasks(body, info);
  ReadColorTable(body, info);
  const BmpShape shape = CheckShape(body, info.Header());
  BuiltBitmap built = BuildBitmap(body, info, shape);
  image.record = DescribeBuilt(built.bitmap.get(), info.Header(), shape);
  image.bitmap = std::move(built.bitmap);
  image.palette = std::move(built.palette);
  image.os2 = body.os2;
  return image;
}

BITMAPFILEHEADER ReadFileHeader(TStream& stream) {
  BITMAPFILEHEADER fileHeader;
  stream.ReadBuffer(&fileHeader, sizeof fileHeader);
  if (fileHeader.bfType != kBmpFileType) InvalidBitmap();
  return fileHeader;
}

}  // namespace

BmpImage ReadBmpFile(TStream& stream, int32_t size) {
  if (size == 0) return BmpImage();
  const BITMAPFILEHEADER fileHeader = ReadFileHeader(stream);
  return ReadBmpBody(stream, size - static_cast<int32_t>(sizeof fileHeader), fileHeader);
}
