#pragma once
// Reading Windows and OS/2 BMP files into the parts of a bitmap's image. The
// file's layouts that the reader reads follow.

#include <windows.h>

#include <cstdint>
#include <memory>

#include "gdi/Handles.h"
#include "picture/core/Stream.h"

class ColorProfile;

// What a BMP file becomes: none of it for an empty file.
struct BmpImage {
  // A DIB section holding the file's pixels, or for a compressed file a bitmap in
  // the screen's format that the system decoded.
  UniqueGdiObject<HBITMAP> bitmap;
  UniquePalette palette;
  // The bitmap's record, with what the file said that the system does not keep.
  DIBSECTION record{};
  bool os2 = false;
  // A compressed file's bytes exactly as read, kept for saving.
  std::unique_ptr<TMemoryStream> compressed;
  // What the pixels' colours are, when the header says it and it is not sRGB.
  std::shared_ptr<const ColorProfile> profile;
};

// Reads one BMP file of `size` bytes from the stream's position; 0 bytes give an
// empty image. Raises EInvalidGraphic for a file that is not a sound BMP file,
// EReadError for one cut short before its pixels, EOutOfMemory for a picture
// too large to hold.
BmpImage ReadBmpFile(TStream& stream, int32_t size);

// The letters "BM" that begin every BMP file, read as a little-endian number.
constexpr WORD kBmpFileType = 0x4D42;

// The size field of the 12-byte OS/2 core header, which the reader converts into
// a 40-byte Windows header.
constexpr DWORD kOs2HeaderSize = 12;

#pragma pack(push, 1)
// The rest of an OS/2 core header after its size field: unsigned 16-bit
// dimensions, planes and bit count.
struct Os2CoreHeader {
  uint16_t width;
  uint16_t height;
  uint16_t planes;
  uint16_t bitCount;
};

// An OS/2 colour-table entry: blue, green, red, without the reserved byte that a
// Windows entry has.
struct Os2ColorEntry {
  uint8_t blue;
  uint8_t green;
  uint8_t red;
};
#pragma pack(pop)

static_assert(sizeof(Os2CoreHeader) == 8, "OS/2 core header layout");
static_assert(sizeof(Os2ColorEntry) == 3, "OS/2 colour entry layout");
static_assert(sizeof(BITMAPFILEHEADER) == 14, "BMP file header layout");
