#include "picture/metadata/TiffStructure.h"

#include <cstring>

namespace {

constexpr uint16_t kClassic = 42;
constexpr uint16_t kBig = 43;
constexpr uint16_t kTypeShort = 3;
constexpr uint16_t kTypeLong = 4;
// Tags are 16-bit and each stands once in an IFD.
constexpr uint64_t kMostEntries = 65536;

// Bytes a value of each type takes, by type number: BYTE, ASCII, SHORT, LONG,
// RATIONAL, SBYTE, UNDEFINED, SSHORT, SLONG, SRATIONAL, FLOAT, DOUBLE, IFD;
// then, in a BigTIFF only, LONG8, SLONG8 and IFD8 (16 to 18).
constexpr uint32_t kTypeSizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4, 0, 0, 8, 8, 8};
constexpr uint16_t kLastClassicType = 13;

}  // namespace

bool TMemoryTiffBytes::Read(uint64_t offset, void* buffer, uint32_t count) {
  if (offset > size_ || count > size_ - offset) return false;
  std::memcpy(buffer, data_ + offset, count);
  return true;
}

TTiffStructure::TTiffStructure(TTiffBytes& bytes) : bytes_(bytes) {
  uint8_t header[16];
  if (!bytes_.Read(0, header, 8)) return;
  if (header[0] == 'I' && header[1] == 'I') {
    bigEndian_ = false;
  } else if (header[0] == 'M' && header[1] == 'M') {
    bigEndian_ = true;
  } else {
    return;
  }
  const uint16_t version = U16(header + 2);
  if (version == kClassic) {
    firstIfd_ = U32(header + 4);
    valid_ = true;
  } else if (version == kBig && U16(header + 4) == 8 && U16(header + 6) == 0 && bytes_.Read(8, header + 8, 8)) {
    big_ = true;
    firstIfd_ = U64(header + 8);
    valid_ = true;
  }
}

uint16_t TTiffStructure::U16(const uint8_t* at) const {
  return static_cast<uint16_t>(bigEndian_ ? at[0] << 8 | at[1] : at[1] << 8 | at[0]);
}

uint32_t TTiffStructure::U32(const uint8_t* at) const {
  const uint32_t first = U16(at), second = U16(at + 2);
  return bigEndian_ ? first << 16 | second : second << 16 | first;
}

uint64_t TTiffStructure::U64(const uint8_t* at) const {
  const uint64_t first = U32(at), second = U32(at + 4);
  return bigEndian_ ? first << 32 | second : second << 32 | first;
}

TTiffEntry TTiffStructure::DecodeEntry(const uint8_t* at) const {
  TTiffEntry entry;
  entry.tag = U16(at);
  entry.type = U16(at + 2);
  entry.count = Word(at + 4);
  std::memcpy(entry.field, at + 4 + WordSize(), WordSize());
  return entry;
}

bool TTiffStructure::EntryCount(uint64_t ifd, uint64_t& count) {
  uint8_t bytes[8];
  if (!valid_ || !bytes_.Read(ifd, bytes, CountSize())) return false;
  count = big_ ? U64(bytes) : U16(bytes);
  return true;
}

bool TTiffStructure::ReadEntry(uint64_t ifd, uint64_t index, TTiffEntry& entry) {
  uint8_t bytes[20];
  if (index >= kMostEntries || ifd > bytes_.Size()) return false;
  if (!bytes_.Read(ifd + CountSize() + index * EntrySize(), bytes, EntrySize())) return false;
  entry = DecodeEntry(bytes);
  return true;
}

bool TTiffStructure::ReadIfd(uint64_t ifd, std::vector<TTiffEntry>& entries, uint64_t& next) {
  uint64_t count = 0;
  if (!EntryCount(ifd, count) || count > kMostEntries) return false;
  // The table and the next offset, read at once once they are known to fit.
  const uint64_t tableSize = count * EntrySize() + WordSize();
  if (tableSize > bytes_.Size() - ifd - CountSize()) return false;
  std::vector<uint8_t> table(static_cast<size_t>(tableSize));
  if (!bytes_.Read(ifd + CountSize(), table.data(), static_cast<uint32_t>(table.size()))) return false;
  entries.clear();
  for (size_t i = 0; i < count; ++i) entries.push_back(DecodeEntry(&table[i * EntrySize()]));
  next = Word(&table[static_cast<size_t>(count) * EntrySize()]);
  return true;
}

uint32_t TTiffStructure::TypeSize(uint16_t type) const {
  if (type >= sizeof kTypeSizes / sizeof kTypeSizes[0] || (!big_ && type > kLastClassicType)) return 0;
  return kTypeSizes[type];
}

bool TTiffStructure::HoldsValuesInline(const TTiffEntry& entry) const {
  const uint32_t size = TypeSize(entry.type);
  return size != 0 && entry.count <= WordSize() / size;
}

bool TTiffStructure::ValuesLieInside(const TTiffEntry& entry) const {
  const uint32_t size = TypeSize(entry.type);
  if (size == 0) return false;
  if (HoldsValuesInline(entry)) return true;
  const uint64_t offset = Word(entry.field);
  const uint64_t end = bytes_.Size();
  // Compared by division first, so that no product of a damaged count overflows.
  return entry.count <= end / size && offset <= end - entry.count * size;
}

bool TTiffStructure::SingleNumber(const TTiffEntry& entry, bool orLong, uint32_t& value) const {
  if (entry.count != 1) return false;
  if (entry.type == kTypeShort) {
    value = U16(entry.field);
    return true;
  }
  if (entry.type == kTypeLong && orLong) {
    value = U32(entry.field);
    return true;
  }
  return false;
}
