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

// A picture's pixel count and bits per pixel, to choose the one shown.
struct PictureRank {
  uint64_t pixels = 0;
  uint32_t bits = 0;
  bool operator>(const PictureRank& other) const {
    return pixels != other.pixels ? pixels > other.pixels : bits > other.bits;
  }
};

uint32_t BigEndian32(const uint8_t* bytes) {
  return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

// A PNG picture's header chunk follows its signature: width, height, bit depth
// and colour type, whose channels give the bits per pixel.
PictureRank PngRank(const uint8_t* first, uint32_t count) {
  if (count < 26 || std::memcmp(first + 12, "IHDR", 4) != 0) return {};
  static const uint8_t kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
  const uint8_t type = first[25];
  const uint32_t channels = type < sizeof kChannels ? kChannels[type] : 0;
  return {uint64_t{BigEndian32(first + 16)} * BigEndian32(first + 20), channels * first[24]};
}

// Whether the picture is sound; its rank when it is.
bool SoundPicture(TForwardReader& reader, const IconEntry& entry, PictureRank& rank) {
  if (entry.bytes < sizeof(kPngSignature) || !reader.MoveTo(entry.offset) || !reader.Holds(entry.bytes))
    return false;
  uint8_t first[sizeof(BITMAPINFOHEADER)];
  const uint32_t count = entry.bytes < sizeof first ? static_cast<uint32_t>(sizeof kPngSignature) : sizeof first;
  if (!reader.Read(first, count)) return false;
  if (std::memcmp(first, kPngSignature, sizeof kPngSignature) == 0) {
    rank = PngRank(first, count);
    return true;
  }
  if (count < sizeof first) return false;
  BITMAPINFOHEADER header;
  std::memcpy(&header, first, sizeof header);
  rank = {static_cast<uint64_t>(header.biWidth) * static_cast<uint64_t>(header.biHeight / 2), header.biBitCount};
  return SoundBitmap(header, entry.bytes);
}

}  // namespace

TIconFacts CheckIconDirectory(IStream* stream) {
  TIconFacts facts;
  if (stream == nullptr) return facts;
  TForwardReader reader(stream);
  IconDirectory directory{};
  if (!reader.Read(&directory, sizeof directory)) return facts;
  if (directory.reserved != 0 || (directory.type != 1 && directory.type != 2) || directory.count == 0) return facts;
  const uint64_t entriesEnd = sizeof directory + uint64_t{directory.count} * sizeof(IconEntry);
  if (entriesEnd > reader.Size()) return facts;
  PictureRank best;
  for (uint16_t i = 0; i < directory.count; ++i) {
    IconEntry entry{};
    PictureRank rank;
    if (!reader.MoveTo(sizeof directory + uint64_t{i} * sizeof entry) || !reader.Read(&entry, sizeof entry))
      return facts;
    if (entry.offset < entriesEnd || !SoundPicture(reader, entry, rank)) return facts;
    if (i == 0 || rank > best) {
      best = rank;
      facts.best = i;
    }
  }
  facts.sound = true;
  return facts;
}

bool IconDirectoryIsCursor(const uint8_t* head, size_t length) {
  IconDirectory directory{};
  if (head == nullptr || length < sizeof directory) return false;
  std::memcpy(&directory, head, sizeof directory);
  return directory.reserved == 0 && directory.type == 2;
}
