#include "picture/metadata/TiffCheck.h"

#include <cstdint>
#include <set>
#include <vector>

#include "picture/metadata/ExifOrientation.h"
#include "picture/core/ForwardReader.h"
#include "picture/metadata/TiffStructure.h"

namespace {

// A file's stream as the structure's bytes.
class TStreamTiffBytes final : public TTiffBytes {
public:
  explicit TStreamTiffBytes(IStream* stream) : reader_(stream) {}
  uint64_t Size() const override { return reader_.Size(); }
  bool Read(uint64_t offset, void* buffer, uint32_t count) override {
    return reader_.MoveTo(offset) && reader_.Read(buffer, count);
  }

private:
  TForwardReader reader_;
};

constexpr uint16_t kCompressionTag = 259;
constexpr uint16_t kPlanarConfigurationTag = 284;
constexpr uint32_t kSeparatePlanes = 2;

// No compression, the fax codes, LZW, Deflate (new and old tag values) and
// PackBits: what the TIFF decoders of Windows and of Wine read.
bool CommonCompression(uint32_t compression) {
  for (uint32_t common : {1u, 2u, 3u, 4u, 5u, 8u, 32773u, 32946u})
    if (compression == common) return true;
  return false;
}

// Whether an entry of the first page names a way of storing it that not every
// decoder reads: an uncommon compression, or each channel in planes of its own
// (Wine 8's decoder takes neither).
bool NamesUncommonVariant(const TTiffStructure& tiff, const TTiffEntry& entry) {
  uint32_t value = 0;
  if (entry.tag == kCompressionTag && tiff.SingleNumber(entry, true, value)) return !CommonCompression(value);
  if (entry.tag == kPlanarConfigurationTag && tiff.SingleNumber(entry, true, value)) return value == kSeparatePlanes;
  return false;
}

// Every entry's values lie inside the file; the first page's variant is noted when `first`.
bool SoundEntries(const TTiffStructure& tiff, const std::vector<TTiffEntry>& entries, bool first, TTiffFacts& facts) {
  for (const TTiffEntry& entry : entries) {
    if (!tiff.ValuesLieInside(entry)) return false;
    if (first && NamesUncommonVariant(tiff, entry)) facts.uncommonVariant = true;
  }
  return true;
}

}  // namespace

TTiffFacts CheckTiff(IStream* stream) {
  TTiffFacts facts;
  if (stream == nullptr) return facts;
  TStreamTiffBytes bytes(stream);
  TTiffStructure tiff(bytes);
  if (!tiff.Valid() || tiff.FirstIfd() == 0) return facts;
  facts.uncommonVariant = tiff.Big();
  // Each IFD once: a page count is bounded by the file's size, as every IFD
  // takes bytes of its own.
  std::set<uint64_t> seen;
  std::vector<TTiffEntry> entries;
  for (uint64_t ifd = tiff.FirstIfd(); ifd != 0;) {
    if (!seen.insert(ifd).second) return facts;
    uint64_t next = 0;
    if (!tiff.ReadIfd(ifd, entries, next) || !SoundEntries(tiff, entries, seen.size() == 1, facts)) return facts;
    ifd = next;
  }
  facts.orientation = IfdZeroOrientation(tiff);
  facts.sound = true;
  return facts;
}
