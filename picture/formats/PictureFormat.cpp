#include "picture/formats/PictureFormat.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "picture/formats/FileFormats.h"
#include "picture/core/Stream.h"
#include "text/FileNames.h"
#include "text/TextFunctions.h"

namespace {

bool StartsWith(const uint8_t* bytes, size_t length, size_t at, const char* mark, size_t markLength) {
  return length >= at + markLength && std::memcmp(bytes + at, mark, markLength) == 0;
}

template <size_t N>
bool Has(const uint8_t* bytes, size_t length, size_t at, const char (&mark)[N]) {
  return StartsWith(bytes, length, at, mark, N - 1);
}

bool IsOneOf(const uint8_t* brand, std::initializer_list<const char*> brands) {
  for (const char* candidate : brands)
    if (std::memcmp(brand, candidate, 4) == 0) return true;
  return false;
}

// An ISO media file's first box, "ftyp": its major brand, then compatible ones.
// An AVIF file often has the general "mif1" as its major brand and names AVIF
// only among the compatible ones.
TPictureFormat FileTypeBox(const uint8_t* bytes, size_t length) {
  if (!Has(bytes, length, 4, "ftyp") || length < 12) return TPictureFormat::Unknown;
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

bool BmpMark(const uint8_t* b, size_t n) { return Has(b, n, 0, "BM"); }
bool JpegMark(const uint8_t* b, size_t n) { return Has(b, n, 0, "\xFF\xD8\xFF"); }
bool PngMark(const uint8_t* b, size_t n) { return Has(b, n, 0, "\x89PNG\r\n\x1A\n"); }
bool GifMark(const uint8_t* b, size_t n) { return Has(b, n, 0, "GIF87a") || Has(b, n, 0, "GIF89a"); }
// Classic TIFF, then BigTIFF.
bool TiffMark(const uint8_t* b, size_t n) {
  return Has(b, n, 0, "II*\0") || Has(b, n, 0, "MM\0*") || Has(b, n, 0, "II+\0") || Has(b, n, 0, "MM\0+");
}
// Icons and cursors: reserved 0, type 1 or 2, and at least one picture.
bool IcoMark(const uint8_t* b, size_t n) {
  return (Has(b, n, 0, "\0\0\1\0") || Has(b, n, 0, "\0\0\2\0")) && n >= 6 && (b[4] != 0 || b[5] != 0);
}
bool WebPMark(const uint8_t* b, size_t n) { return Has(b, n, 0, "RIFF") && Has(b, n, 8, "WEBP"); }
bool HeifMark(const uint8_t* b, size_t n) { return FileTypeBox(b, n) == TPictureFormat::Heif; }
bool AvifMark(const uint8_t* b, size_t n) { return FileTypeBox(b, n) == TPictureFormat::Avif; }
// The bare code stream, then the container.
bool JpegXlMark(const uint8_t* b, size_t n) {
  return Has(b, n, 0, "\xFF\x0A") || Has(b, n, 0, "\0\0\0\x0CJXL \r\n\x87\n");
}
bool JpegXrMark(const uint8_t* b, size_t n) { return Has(b, n, 0, "II\xBC"); }
bool DdsMark(const uint8_t* b, size_t n) { return Has(b, n, 0, "DDS "); }

const TPictureFormatInfo kFormats[] = {
    {"", {}, {}, nullptr},
    {"BMP", {".bmp", ".dib"}, {"image/bmp", "image/x-bmp"}, BmpMark},
    {"JPEG", {".jpg", ".jpeg", ".jpe", ".jfif"}, {"image/jpeg", "image/pjpeg"}, JpegMark},
    {"PNG", {".png"}, {"image/png"}, PngMark},
    {"GIF", {".gif"}, {"image/gif"}, GifMark},
    {"TIFF", {".tif", ".tiff"}, {"image/tiff"}, TiffMark},
    {"ICO", {".ico", ".icon", ".cur"}, {"image/ico", "image/x-icon", "image/vnd.microsoft.icon"}, IcoMark},
    {"WebP", {".webp"}, {"image/webp"}, WebPMark},
    {"HEIF",
     {".heic", ".heif", ".hif"},
     {"image/heic", "image/heif", "image/heic-sequence", "image/heif-sequence"},
     HeifMark},
    {"AVIF", {".avif"}, {"image/avif"}, AvifMark},
    {"JPEG XL", {".jxl"}, {"image/jxl"}, JpegXlMark},
    {"JPEG XR", {".jxr", ".wdp", ".hdp"}, {"image/vnd.ms-photo", "image/jxr"}, JpegXrMark},
    {"DDS", {".dds"}, {"image/vnd.ms-dds"}, DdsMark},
    // TGA files carry no mark.
    {"TGA", {".tga", ".tpic"}, {"image/x-tga", "image/x-targa"}, nullptr},
};
static_assert(sizeof kFormats / sizeof kFormats[0] == static_cast<size_t>(TPictureFormat::Tga) + 1,
              "one row per format, in the order of the enumeration");

constexpr size_t kFormatCount = sizeof kFormats / sizeof kFormats[0];

}  // namespace

const TPictureFormatInfo& PictureFormatInfo(TPictureFormat format) { return kFormats[static_cast<size_t>(format)]; }

TPictureFormat SniffPictureFormat(const uint8_t* bytes, size_t length) {
  for (size_t i = 1; i < kFormatCount; ++i)
    if (kFormats[i].marks != nullptr && kFormats[i].marks(bytes, length)) return static_cast<TPictureFormat>(i);
  return TPictureFormat::Unknown;
}

TPictureFormat PictureFormatOfExtension(const FilePath& file) {
  const std::string extension = LowerCase(FileExtensionOf(file.FileName().Text()));
  for (size_t i = 1; i < kFormatCount; ++i)
    for (const std::string& known : kFormats[i].extensions)
      if (known == extension) return static_cast<TPictureFormat>(i);
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
