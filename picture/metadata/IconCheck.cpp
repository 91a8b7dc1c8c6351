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

// A picture's size and depth as its own header gives them.
struct PictureMeasure {
  uint64_t pixels = 0;
  unsigned bits = 0;

  bool Exceeds(const PictureMeasure& other) const {
    return pixels > other.pixels || (pixels == other.pixels && bits > other.bits);
  }
};

// A PNG picture's header: its size and bits a pixel (depth times channels).
PictureMeasure PngMeasure(TForwardReader& reader, const IconEntry& entry) {
  uint8_t header[18];  // IHDR's length and name, width, height, depth, colour type
  PictureMeasure measure{uint64_t{entry.width ? entry.width : 256u} * (entry.height ? entry.height : 256u),
                         entry.bitCount};
  if (entry.bytes < sizeof kPngSignature + sizeof header || !reader.Read(header, sizeof header)) return measure;
  const auto big32 = [&](int at) {
    return uint32_t{header[at]} << 24 | uint32_t{header[at + 1]} << 16 | uint32_t{header[at + 2]} << 8 | header[at + 3];
  };
  static const unsigned kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
  const uint8_t type = header[17];
  if (std::memcmp(header + 4, "IHDR", 4) != 0 || type > 6) return measure;
  return PictureMeasure{uint64_t{big32(8)} * big32(12), header[16] * kChannels[type]};
}

bool SoundPicture(TForwardReader& reader, const IconEntry& entry, PictureMeasure& measure) {
  if (entry.bytes < sizeof(kPngSignature) || !reader.MoveTo(entry.offset) || !reader.Holds(entry.bytes))
    return false;
  uint8_t first[sizeof(BITMAPINFOHEADER)];
  const uint32_t count = entry.bytes < sizeof first ? static_cast<uint32_t>(sizeof kPngSignature) : sizeof first;
  if (!reader.Read(first, count)) return false;
  if (std::memcmp(first, kPngSignature, sizeof kPngSignature) == 0) {
    if (!reader.MoveTo(entry.offset + sizeof kPngSignature)) return false;
    measure = PngMeasure(reader, entry);
    return true;
  }
  if (count < sizeof first) return false;
  BITMAPINFOHEADER header;
  std::memcpy(&header, first, sizeof header);
  if (!SoundBitmap(header, entry.bytes)) return false;
  measure = PictureMeasure{static_cast<uint64_t>(header.biWidth) * static_cast<uint64_t>(header.biHeight / 2),
                           header.biBitCount};
  return true;
}

}  // namespace

TIconFacts CheckIcon(IStream* stream) {
  TIconFacts facts;
  if (stream == nullptr) return facts;
  TForwardReader reader(stream);
  IconDirectory directory{};
  if (!reader.Read(&directory, sizeof directory)) return facts;
  if (directory.reserved != 0 || (directory.type != 1 && directory.type != 2) || directory.count == 0) return facts;
  const uint64_t entriesEnd = sizeof directory + uint64_t{directory.count} * sizeof(IconEntry);
  if (entriesEnd > reader.Size()) return facts;
  PictureMeasure largest;
  for (uint16_t i = 0; i < directory.count; ++i) {
    IconEntry entry{};
    PictureMeasure measure;
    if (!reader.MoveTo(sizeof directory + uint64_t{i} * sizeof entry) || !reader.Read(&entry, sizeof entry))
      return facts;
    if (entry.offset < entriesEnd || !SoundPicture(reader, entry, measure)) return facts;
    if (i == 0 || measure.Exceeds(largest)) {
      largest = measure;
      facts.largest = i;
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
