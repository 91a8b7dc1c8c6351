#pragma once
// Composing Exif APP1 segments byte by byte, in either byte order, and putting
// one into a JPEG file: for orientation tags that are sound, damaged or absurd.

#include <cstdint>
#include <vector>

namespace exif_segment {

using Bytes = std::vector<uint8_t>;

// One 12-byte IFD entry; a SHORT value sits in the first two bytes of its field.
struct Entry {
  uint16_t tag;
  uint16_t type;
  uint32_t count;
  uint16_t value;
};

constexpr uint16_t kShort = 3;
constexpr uint16_t kLong = 4;
constexpr uint16_t kOrientation = 0x0112;

class Writer {
public:
  explicit Writer(bool bigEndian) : bigEndian_(bigEndian) {}
  Writer& U8(uint8_t value) {
    bytes.push_back(value);
    return *this;
  }
  Writer& U16(uint16_t value) {
    return bigEndian_ ? U8(value >> 8).U8(value & 0xFF) : U8(value & 0xFF).U8(value >> 8);
  }
  Writer& U32(uint32_t value) {
    return bigEndian_ ? U16(value >> 16).U16(value & 0xFFFF) : U16(value & 0xFFFF).U16(value >> 16);
  }
  Bytes bytes;

private:
  bool bigEndian_;
};

// "Exif\0\0", the TIFF header pointing at IFD0 (at ifdOffset, 8 when right after
// the header), and IFD0 with the entries and the next IFD's offset.
inline Bytes Body(bool bigEndian, const std::vector<Entry>& entries, uint32_t ifdOffset = 8, uint32_t nextIfd = 0) {
  Writer w(bigEndian);
  for (char c : {'E', 'x', 'i', 'f'}) w.U8(static_cast<uint8_t>(c));
  w.U8(0).U8(0);
  w.U8(bigEndian ? 'M' : 'I').U8(bigEndian ? 'M' : 'I').U16(42).U32(ifdOffset);
  while (w.bytes.size() < 6 + static_cast<size_t>(ifdOffset) && ifdOffset < 64) w.U8(0);
  w.U16(static_cast<uint16_t>(entries.size()));
  for (const Entry& e : entries) w.U16(e.tag).U16(e.type).U32(e.count).U16(e.value).U16(0);
  w.U32(nextIfd);
  return w.bytes;
}

// A body whose IFD0 holds a resolution unit, the orientation and a software
// name's place, as cameras write them.
inline Bytes OrientationBody(uint16_t value, bool bigEndian = false) {
  return Body(bigEndian, {{0x0128, kShort, 1, 2}, {kOrientation, kShort, 1, value}, {0x0131, 2, 4, 0}});
}

// The file with an APP1 segment of the body right after its start-of-image marker.
inline Bytes WithApp1(const Bytes& jpeg, const Bytes& body) {
  const size_t length = body.size() + 2;
  Writer file(true);
  file.U8(jpeg[0]).U8(jpeg[1]).U8(0xFF).U8(0xE1).U16(static_cast<uint16_t>(length));
  file.bytes.insert(file.bytes.end(), body.begin(), body.end());
  file.bytes.insert(file.bytes.end(), jpeg.begin() + 2, jpeg.end());
  return file.bytes;
}

}  // namespace exif_segment
