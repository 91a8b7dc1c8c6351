// Formats named by a file's first bytes whatever its name says, and the system's
// decoders, as listed, matching what they really read.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "picture/bitmap/Bitmap.h"
#include "picture/formats/PictureFormat.h"
#include "picture/readers/wic/WicCodecs.h"
#include "tests/support/WicReader.h"
#include "tests/support/ReferencePictures.h"
#include "text/Exceptions.h"

using reference_pictures::DataFolder;

namespace {

using F = TPictureFormat;

F Sniffed(const std::string& bytes) {
  return SniffPictureFormat(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// The committed pictures, each with the format made by its tool.
struct Sample {
  std::string path;
  F format;
};
std::vector<Sample> Samples() {
  const std::string wic = DataFolder("wic");
  return {{DataFolder("pngsuite") + "basn0g01.png", F::Png}, {wic + "png-named.jpg", F::Png},
          {wic + "animated.gif", F::Gif},  {wic + "deep.tif", F::Tiff},
          {wic + "icon.ico", F::Ico},      {wic + "photo.webp", F::WebP},
          {wic + "photo.heic", F::Heif},   {DataFolder("exif") + "orientation-1.jpg", F::Jpeg},
          {DataFolder("bmpsuite") + "g\\rgb24.bmp", F::Bmp}};
}

}  // namespace

TEST(PictureFormat, FilesAreNamedByTheirFirstBytesNotByTheirNames) {
  for (const Sample& sample : Samples())
    EXPECT_EQ(sample.format, PictureFormatOf(ReadPictureHead(sample.path), sample.path)) << sample.path;
  EXPECT_STREQ("PNG", PictureFormatInfo(F::Png).displayName);

  // Marks of formats without a committed file, and near misses.
  EXPECT_EQ(F::JpegXl, Sniffed(std::string("\xFF\x0A\xFA", 3)));
  EXPECT_EQ(F::JpegXl, Sniffed(std::string("\0\0\0\x0CJXL \r\n\x87\n", 12)));
  EXPECT_EQ(F::JpegXr, Sniffed("II\xBC\x01"));
  EXPECT_EQ(F::Dds, Sniffed("DDS |\0\0\0"));
  EXPECT_EQ(F::Tiff, Sniffed(std::string("MM\0*", 4)));
  EXPECT_EQ(F::Tiff, Sniffed(std::string("II+\0\x08\0\0\0", 8))) << "a BigTIFF";
  EXPECT_EQ(F::Ico, Sniffed(std::string("\0\0\2\0\1\0", 6))) << "a cursor";
  EXPECT_EQ(F::Avif, Sniffed(std::string("\0\0\0\x1C" "ftypmif1\0\0\0\0mif1avifmiaf", 28)));
  EXPECT_EQ(F::Heif, Sniffed(std::string("\0\0\0\x18" "ftypmif1\0\0\0\0mif1heic", 24)));
  EXPECT_EQ(F::Avif, Sniffed(std::string("\0\0\0\x14" "ftypavif\0\0\0\0mif1", 20)));
  EXPECT_EQ(F::Unknown, Sniffed(std::string("\0\0\0\x14" "ftypisom\0\0\0\0avc1", 20))) << "a video";
  EXPECT_EQ(F::Unknown, Sniffed(std::string("\0\0\1\0\0\0", 6))) << "an icon of no pictures";
  EXPECT_EQ(F::Ico, Sniffed(std::string("\0\0\1\0" "ftypheic", 12))) << "an icon header before a box's mark";
  EXPECT_EQ(F::Unknown, Sniffed(std::string("RIFF\x10\0\0\0WAVE", 12))) << "a sound";
  EXPECT_EQ(F::Unknown, Sniffed("GIF88a"));
  EXPECT_EQ(F::Unknown, Sniffed(""));
  // A TGA file carries no mark: its extension names it, in any case.
  EXPECT_EQ(F::Tga, PictureFormatOf({0, 0, 2, 0}, FilePath("C:\\a\\photo.TGA")));
  EXPECT_EQ(F::Unknown, PictureFormatOf({0, 0, 2, 0}, FilePath("C:\\a.tga\\photo")));
}

TEST(PictureFormat, TheListedDecodersReadJustTheFormatsThatAreReadHere) {
  const TWicSession session;
  const std::vector<TWicDecoder> decoders = InstalledDecoders(session);
  ASSERT_FALSE(decoders.empty());
  for (const Sample& sample : Samples()) {
    TBitmap bitmap;
    bool read = true;
    try {
      ReadPictureThroughWic(sample.path, bitmap);
    } catch (const ENoPictureDecoder&) {
      read = false;
    }
    EXPECT_EQ(read, DecodersRead(decoders, sample.format, {})) << sample.path << " by the format's names alone";
    EXPECT_EQ(read, DecodersRead(decoders, F::Unknown, ReadPictureHead(sample.path)))
        << sample.path << " by the decoders' patterns alone";
  }
}
