#pragma once
// Reading Windows and OS/2 BMP files into a bitmap. The entry point is the
// bitmap's LoadStream (picture/Bitmap.h), whose private steps live in
// BmpReader.cpp; this header holds the file's layouts that they read.

#include <windows.h>

#include <cstdint>

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
