#include "picture/metadata/IconCheck.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "picture/core/ForwardReader.h"

namespace {

#pragma pack(push, 1)
struct IconDirectory {
  uint16_t reserved, type, count;
};
struct IconEntry {
  uint8_t width, height, colours, reserved;
  uint16_t planes, bitCount;
  uint32_t bytes, offset;
};
#pragma pack(pop)

// Far beyond the 256 pixels a side of any icon; well within 32-bit arithmetic.
constexpr int32_t kLargestSide = 4096;
constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// The bitmap header's picture (its height counts the colour rows and the mask's)
// fits the icon's bytes.
bool SoundBitmap(const BITMAPINFOHEADER& header, uint32_t bytes) {
  if (header.biSize < sizeof header || header.biSize > bytes) return false;
  if (header.biWidth <= 0 || header.biWidth > kLargestSide) return false;
  if (header.biHeight <= 0 || header.biHeight > 2 * kLargestSide) return false;
  const WORD bits = header.biBitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  const uint64_t stride = (static_cast<uint64_t>(header.biWidth) * bits + 31) / 32 * 4;
  const uint64_t colours = bits <= 8 ? uint64_t{4} << bits : 0;
  const uint64_t pixels = stride * static_cast<uint64_t>(header.biHeight / 2);
  return header.biSize + colours + pixels <= bytes;
}

bool SoundPicture(TForwardReader& reader, const IconEntry& entry) {
  if (entry.bytes < sizeof(kPngSignature) || !reader.MoveTo(entry.offset) || !reader.Holds(entry.bytes))
    return false;
  uint8_t first[sizeof(BITMAPINFOHEADER)];
  const uint32_t count = entry.bytes < sizeof first ? static_cast<uint32_t>(sizeof kPngSignature) : sizeof first;
  if (!reader.Read(first, count)) return false;
  if (std::memcmp(first, kPngSignature, sizeof kPngSignature) == 0) return true;
  if (count < sizeof first) return false;
  BITMAPINFOHEADER header;
  std::memcpy(&header, first, sizeof header);
  return SoundBitmap(header, entry.bytes);
}

}  // namespace

bool IconDirectoryIsSound(IStream* stream) {
  if (stream == nullptr) return false;
  TForwardReader reader(stream);
  IconDirectory directory{};
  if (!reader.Read(&directory, sizeof directory)) return false;
  if (directory.reserved != 0 || (directory.type != 1 && directory.type != 2) || directory.count == 0) return false;
  const uint64_t entriesEnd = sizeof directory + uint64_t{directory.count} * sizeof(IconEntry);
  if (entriesEnd > reader.Size()) return false;
  for (uint16_t i = 0; i < directory.count; ++i) {
    IconEntry entry{};
    if (!reader.MoveTo(sizeof directory + uint64_t{i} * sizeof entry) || !reader.Read(&entry, sizeof entry))
      return false;
    if (entry.offset < entriesEnd || !SoundPicture(reader, entry)) return false;
  }
  return true;
}

bool IconDirectoryIsCursor(const uint8_t* head, size_t length) {
  IconDirectory directory{};
  if (head == nullptr || length < sizeof directory) return false;
  std::memcpy(&directory, head, sizeof directory);
  return directory.reserved == 0 && directory.type == 2;
}
