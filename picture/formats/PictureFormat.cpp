#include "picture/formats/PictureFormat.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "picture/core/Stream.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"
#include "text/FileNames.h"
#include "text/TextFunctions.h"

namespace {

bool IsOneOf(const uint8_t* brand, std::initializer_list<const char*> brands) {
  for (const char* candidate : brands)
    if (std::memcmp(brand, candidate, 4) == 0) return true;
  return false;
}

TPictureFormat FormatAt(size_t index) { return static_cast<TPictureFormat>(index); }
constexpr size_t kFormatCount = static_cast<size_t>(kLastPictureFormat) + 1;

}  // namespace

// An AVIF file often has the general "mif1" as its major brand and names AVIF
// only among the compatible ones that follow the minor version.
TPictureFormat IsoBrandFormat(const uint8_t* bytes, size_t length) {
  if (!MarkAt(bytes, length, 4, "ftyp") || length < 12) return TPictureFormat::Unknown;
  const uint32_t boxSize = uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
  const size_t end = std::min<size_t>(length, boxSize);
  const uint8_t* major = bytes + 8;
  if (IsOneOf(major, {"avif", "avis"})) return TPictureFormat::Avif;
  if (IsOneOf(major, {"heic", "heix", "hevc", "hevx", "heim", "heis"})) return TPictureFormat::Heif;
  if (!IsOneOf(major, {"mif1", "msf1"})) return TPictureFormat::Unknown;
  for (size_t at = 16; at + 4 <= end; at += 4)
    if (IsOneOf(bytes + at, {"avif", "avis"})) return TPictureFormat::Avif;
  return TPictureFormat::Heif;
}

TPictureFormat SniffPictureFormat(const uint8_t* bytes, size_t length) {
  for (size_t i = 1; i < kFormatCount; ++i) {
    const auto marks = PictureFormatInfo(FormatAt(i)).marks;
    if (marks != nullptr && marks(bytes, length)) return FormatAt(i);
  }
  return TPictureFormat::Unknown;
}

TPictureFormat PictureFormatOfExtension(const FilePath& file) {
  const std::string extension = LowerCase(FileExtensionOf(file.FileName().Text()));
  for (size_t i = 1; i < kFormatCount; ++i)
    for (const std::string& known : PictureFormatInfo(FormatAt(i)).extensions)
      if (known == extension) return FormatAt(i);
  return TPictureFormat::Unknown;
}

std::vector<uint8_t> ReadPictureHead(const FilePath& file) {
  TFileStream stream(file, TFileStream::kOpenRead);
  std::vector<uint8_t> head(kPictureHeadBytes);
  head.resize(static_cast<size_t>(stream.Read(head.data(), static_cast<int32_t>(head.size()))));
  return head;
}

TPictureFormat PictureFormatOf(const std::vector<uint8_t>& head, const FilePath& file) {
  const TPictureFormat sniffed = SniffPictureFormat(head.data(), head.size());
  return sniffed != TPictureFormat::Unknown ? sniffed : PictureFormatOfExtension(file);
}

TPictureFailureText DamagedPictureText(const FilePath& file, TPictureFormat format) {
  const std::string name = file.FileName().Text();
  const char* formatName = PictureFormatInfo(format).displayName;
  if (*formatName == '\0') {
    return {ResFormat(IDS_DAMAGED_PICTURE_UNNAMED, {name}), ResText(IDS_DAMAGED_PICTURE_UNNAMED_REASON)};
  }
  return {ResFormat(IDS_DAMAGED_PICTURE, {name, formatName}), ResFormat(IDS_DAMAGED_PICTURE_REASON, {formatName})};
}

TPictureFailureText UnsupportedVariantText(const FilePath& file, TPictureFormat format) {
  const std::string name = file.FileName().Text();
  const char* formatName = PictureFormatInfo(format).displayName;
  if (*formatName == '\0') {
    return {ResFormat(IDS_UNSUPPORTED_VARIANT_UNNAMED, {name}), ResText(IDS_UNSUPPORTED_VARIANT_UNNAMED_REASON)};
  }
  return {ResFormat(IDS_UNSUPPORTED_VARIANT, {name, formatName}),
          ResFormat(IDS_UNSUPPORTED_VARIANT_REASON, {formatName})};
}
