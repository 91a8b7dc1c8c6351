#include "picture/metadata/ContainerExif.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "picture/metadata/ExifOrientation.h"
#include "picture/core/ForwardReader.h"

namespace {

// Longer Exif data is taken as damaged: cameras and tools keep it within the
// 64 KiB of a JPEG segment, and a length is never trusted for an allocation.
constexpr uint32_t kMaxExifBytes = 1 << 20;
// A PNG has a handful of chunks before its image data, a WebP a handful in
// all; a file of countless tiny chunks is not walked to its end.
constexpr int kMaxChunks = 4096;

bool Is(const uint8_t* bytes, const char (&name)[5]) { return std::memcmp(bytes, name, 4) == 0; }

uint32_t BigEndian32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | p[2] << 8 | p[3];
}

uint32_t LittleEndian32(const uint8_t* p) {
  return static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[2]) << 16 | p[1] << 8 | p[0];
}

// PNG's CRC-32, over a chunk's type and data.
uint32_t Crc32(const uint8_t* bytes, size_t count, uint32_t crc = 0) {
  crc = ~crc;
  for (size_t i = 0; i < count; ++i) {
    crc ^= bytes[i];
    for (int bit = 0; bit < 8; ++bit) crc = crc >> 1 ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

// Exif data is a TIFF structure; some writers put "Exif\0\0" before it, as in
// a JPEG segment (older WebP writers do; PIL accepts it in a PNG too).
int ExifDataOrientation(const std::vector<uint8_t>& data, size_t length) {
  static const uint8_t kExifName[6] = {'E', 'x', 'i', 'f', 0, 0};
  if (length >= sizeof kExifName && std::memcmp(data.data(), kExifName, sizeof kExifName) == 0)
    return ExifOrientation(data.data(), length);
  return TiffOrientation(data.data(), length);
}

// After the signature come chunks: a big-endian data length, a type, the data
// and a CRC. Only an eXIf before the image data counts, as browsers read it,
// so a big picture's image data is never walked. A CRC that does not match
// means damaged data: the PNG library's decoder drops such a chunk too.
int PngOrientation(TForwardReader& reader) {
  for (int chunk = 0; chunk < kMaxChunks; ++chunk) {
    uint8_t header[8];
    if (!reader.Read(header, sizeof header)) return 1;
    const uint32_t length = BigEndian32(header);
    if (Is(header + 4, "IDAT") || Is(header + 4, "IEND")) return 1;
    if (!Is(header + 4, "eXIf")) {
      if (!reader.Skip(uint64_t{length} + 4)) return 1;
      continue;
    }
    if (length > kMaxExifBytes) return 1;
    std::vector<uint8_t> data(length + 4);
    if (!reader.Read(data.data(), length + 4)) return 1;
    if (Crc32(data.data(), length, Crc32(header + 4, 4)) != BigEndian32(&data[length])) return 1;
    return ExifDataOrientation(data, length);
  }
  return 1;
}

// After "RIFF", its size and "WEBP" come chunks: a type, a little-endian data
// size, the data and a pad byte after an odd size. Only an extended file
// (VP8X first) holds metadata; its EXIF chunk follows the image data.
int WebPOrientation(TForwardReader& reader, uint32_t riffSize) {
  // The size counts from "WEBP" on; bytes after it are not the picture's.
  reader.Limit(riffSize >= 4 ? riffSize - 4 : 0);
  for (int chunk = 0; chunk < kMaxChunks; ++chunk) {
    uint8_t header[8];
    if (!reader.Read(header, sizeof header)) return 1;
    const uint32_t size = LittleEndian32(header + 4);
    if (chunk == 0 && !Is(header, "VP8X")) return 1;
    if (Is(header, "EXIF")) {
      if (size > kMaxExifBytes) return 1;
      std::vector<uint8_t> data(size);
      if (!reader.Read(data.data(), size)) return 1;
      return ExifDataOrientation(data, size);
    }
    if (!reader.Skip(uint64_t{size} + (size & 1))) return 1;
  }
  return 1;
}

// The file's kind by its first bytes, then its own walk.
int Orientation(TForwardReader& reader) {
  static const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  uint8_t head[12];
  if (!reader.Read(head, 8)) return 1;
  if (std::memcmp(head, kPngSignature, sizeof kPngSignature) == 0) return PngOrientation(reader);
  if (!Is(head, "RIFF") || !reader.Read(head + 8, 4) || !Is(head + 8, "WEBP")) return 1;
  return WebPOrientation(reader, LittleEndian32(head + 4));
}

}  // namespace

int ContainerExifOrientation(IStream* stream) {
  ULARGE_INTEGER start{};
  if (stream == nullptr || FAILED(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &start))) return 1;
  TForwardReader reader(stream);
  const int orientation = Orientation(reader);
  LARGE_INTEGER back;
  back.QuadPart = static_cast<LONGLONG>(start.QuadPart);
  stream->Seek(back, STREAM_SEEK_SET, nullptr);
  return orientation;
}
