#pragma once
// A TIFF structure, as a TIFF file is one and as Exif data keeps one: a header
// (byte order "II" little or "MM" big endian, 42 for a classic file or 43 for
// a BigTIFF, the offset of IFD0), then IFDs, each a count of entries and the
// offset of the next IFD. An entry is a tag, a type, a count of values and a
// field that holds the values when they fit (4 bytes, 8 in a BigTIFF), else
// their offset. Offsets count from the header; every read is checked against
// the size of the bytes, so a damaged offset or count fails the call.

#include <cstddef>
#include <cstdint>
#include <vector>

// Where the structure's bytes come from.
class TTiffBytes {
public:
  virtual ~TTiffBytes() = default;
  virtual uint64_t Size() const = 0;
  // Exactly `count` bytes from `offset`; false (nothing read) when they do not all lie inside.
  virtual bool Read(uint64_t offset, void* buffer, uint32_t count) = 0;
};

// Bytes in memory, such as Exif data.
class TMemoryTiffBytes final : public TTiffBytes {
public:
  TMemoryTiffBytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint64_t Size() const override { return size_; }
  bool Read(uint64_t offset, void* buffer, uint32_t count) override;

private:
  const uint8_t* data_;
  size_t size_;
};

struct TTiffEntry {
  uint16_t tag = 0;
  uint16_t type = 0;
  uint64_t count = 0;
  // As stored: the values when they fit, else their offset.
  uint8_t field[8] = {};
};

class TTiffStructure {
public:
  // Reads the header; Valid() tells whether the bytes begin with one.
  explicit TTiffStructure(TTiffBytes& bytes);

  bool Valid() const { return valid_; }
  bool Big() const { return big_; }
  uint64_t FirstIfd() const { return firstIfd_; }
  uint64_t Size() const { return bytes_.Size(); }

  // The number of entries the IFD at `ifd` claims; false when that count lies outside.
  bool EntryCount(uint64_t ifd, uint64_t& count);
  // Entry `index` of the IFD at `ifd`; false when it lies outside.
  bool ReadEntry(uint64_t ifd, uint64_t index, TTiffEntry& entry);
  // The IFD at `ifd` whole: its entries and the next IFD's offset (0 after the
  // last). False when its table or that offset lies outside, or it claims
  // more entries than there are tags (each tag stands once in an IFD).
  bool ReadIfd(uint64_t ifd, std::vector<TTiffEntry>& entries, uint64_t& next);

  // The bytes one value of `type` takes; 0 for a type this kind of TIFF lacks.
  uint32_t TypeSize(uint16_t type) const;
  // Whether the entry's values are held in its field; an unknown type's are not.
  bool HoldsValuesInline(const TTiffEntry& entry) const;
  // Whether the entry's type is known and all its values lie inside the bytes.
  bool ValuesLieInside(const TTiffEntry& entry) const;
  // The entry's one value when it is a single SHORT, or a single LONG where
  // `orLong`; false otherwise.
  bool SingleNumber(const TTiffEntry& entry, bool orLong, uint32_t& value) const;

private:
  uint16_t U16(const uint8_t* at) const;
  uint32_t U32(const uint8_t* at) const;
  uint64_t U64(const uint8_t* at) const;
  // An offset or count: 4 bytes in a classic file, 8 in a BigTIFF.
  uint64_t Word(const uint8_t* at) const { return big_ ? U64(at) : U32(at); }
  uint32_t WordSize() const { return big_ ? 8 : 4; }
  uint32_t EntrySize() const { return big_ ? 20 : 12; }
  uint32_t CountSize() const { return big_ ? 8 : 2; }
  TTiffEntry DecodeEntry(const uint8_t* at) const;

  TTiffBytes& bytes_;
  bool valid_ = false;
  bool big_ = false;
  bool bigEndian_ = false;
  uint64_t firstIfd_ = 0;
};
