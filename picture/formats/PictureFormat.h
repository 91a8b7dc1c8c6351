#pragma once
// Which picture format a file holds, told by its first bytes (by its extension
// only when the bytes name none), and how each format is named in boxes and by
// the system's codecs. A format's facts are written once, in its row of the table
// of readers (picture/readers/PictureReaders.cpp), which also says how its files
// are opened; the rooms below the readers ask for them here.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "text/FilePath.h"

enum class TPictureFormat { Unknown, Bmp, Jpeg, Png, Gif, Tiff, Ico, WebP, Heif, Avif, JpegXl, JpegXr, Dds, Tga };

// A format as people and codecs name it, and the mark its files begin with.
struct TPictureFormatInfo {
  // For boxes: "PNG", "WebP", "JPEG XL"; empty for Unknown.
  const char* displayName;
  // Lower case, each with its dot.
  std::vector<std::string> extensions;
  // Lower case.
  std::vector<std::string> mimeTypes;
  // Whether a file's first bytes carry the format's mark; none for a format
  // without one (TGA). Marks are tried in the order of the enumeration; the
  // only bytes two could claim, an icon header read as the size of an ISO
  // media box, are an icon's.
  bool (*marks)(const uint8_t* bytes, size_t length);
};

// The facts of a format, as its row in the table of readers writes them (an
// empty row for Unknown).
const TPictureFormatInfo& PictureFormatInfo(TPictureFormat format);
constexpr TPictureFormat kLastPictureFormat = TPictureFormat::Tga;

// Whether `mark` stands at `at` in the first bytes; for the rows' marks.
template <size_t N>
bool MarkAt(const uint8_t* bytes, size_t length, size_t at, const char (&mark)[N]) {
  return length >= at + N - 1 && std::equal(mark, mark + N - 1, bytes + at,
                                             [](char m, uint8_t b) { return static_cast<uint8_t>(m) == b; });
}
// The format an ISO media file's first box ("ftyp") names by its brands: Heif,
// Avif, or Unknown for any other file.
TPictureFormat IsoBrandFormat(const uint8_t* bytes, size_t length);

// How many first bytes the sniffer looks at.
constexpr size_t kPictureHeadBytes = 64;

// The format whose mark the bytes begin with; Unknown when none does (TGA files
// carry no mark).
TPictureFormat SniffPictureFormat(const uint8_t* bytes, size_t length);
// The format a file name's extension stands for, in any case; Unknown when none.
TPictureFormat PictureFormatOfExtension(const FilePath& file);
// The first bytes (at most kPictureHeadBytes) of a file; raises EFOpenError
// "ファイル %s は開けません" when it cannot be opened or read.
std::vector<uint8_t> ReadPictureHead(const FilePath& file);
// The format by the file's first bytes, else by its extension.
TPictureFormat PictureFormatOf(const std::vector<uint8_t>& head, const FilePath& file);

// What the boxes say of a file that could not be read as a picture of the
// format (damaged or cut short) and of one in a variant of it that no reader
// here reads; Unknown names no format. The message names the file, the reason
// does not.
struct TPictureFailureText {
  std::string message;
  std::string reason;
};
TPictureFailureText DamagedPictureText(const FilePath& file, TPictureFormat format);
TPictureFailureText UnsupportedVariantText(const FilePath& file, TPictureFormat format);

// A file's first bytes, read once, and the format they name (by the file's
// extension when they name none), passed to whatever opens the file so that
// nothing reads them again.
struct TPictureHead {
  std::vector<uint8_t> bytes;
  TPictureFormat format = TPictureFormat::Unknown;
};
