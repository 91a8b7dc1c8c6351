// The Exif orientation walked out of PNG and WebP chunks, in files that other
// tools tagged (tests/data/exif-chunks, see its make.sh), and in those files
// cut or damaged. WebP has no decoder under Wine, so its walk is checked here
// on the file's bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "picture/metadata/ContainerExif.h"
#include "picture/core/Stream.h"
#include "picture/readers/wic/WicStream.h"
#include "tests/support/ReferencePictures.h"

using namespace reference_pictures;

namespace {

using Bytes = std::vector<uint8_t>;

std::string Folder() { return DataFolder("exif-chunks"); }

// The walk over the bytes, which leaves the position where it was.
int OrientationOf(const Bytes& bytes) {
  TMemoryStream stream;
  stream.Write(bytes.data(), static_cast<int32_t>(bytes.size()));
  stream.SetPosition(static_cast<int32_t>(bytes.size() / 2));
  const int orientation = ContainerExifOrientation(ComStreamOver(stream).get());
  EXPECT_EQ(static_cast<int32_t>(bytes.size() / 2), stream.Position());
  return orientation;
}

int OrientationOfFile(const std::string& path) { return ContainerExifOrientation(ComStreamOnFile(path).get()); }

uint32_t Get32(const Bytes& bytes, size_t at, bool bigEndian) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(bytes[at + i]) << 8 * (bigEndian ? 3 - i : i);
  return value;
}

Bytes With32(Bytes bytes, size_t at, uint32_t value, bool bigEndian) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> 8 * (bigEndian ? 3 - i : i));
  return bytes;
}

// Where the chunk of `type` starts: its length before the type in a PNG, its
// size after it in a WebP.
size_t Chunk(const Bytes& bytes, const std::string& type, bool png) {
  const auto at = std::search(bytes.begin(), bytes.end(), type.begin(), type.end());
  return static_cast<size_t>(at - bytes.begin()) - (png ? 4 : 0);
}

}  // namespace

TEST(ContainerExif, EveryOrientationIsFoundInPngAndWebPFilesThatOtherToolsTagged) {
  for (int value = 1; value <= 8; ++value) {
    const std::string name = Folder() + "orientation-" + std::to_string(value);
    EXPECT_EQ(value, OrientationOf(FileBytes(name + ".png"))) << value;
    EXPECT_EQ(value, OrientationOf(FileBytes(name + ".webp"))) << value;
    EXPECT_EQ(value, OrientationOfFile(name + ".webp")) << value;
  }
  // The image chunk before the EXIF chunk has an odd size, so its pad byte is skipped.
  const Bytes webp = FileBytes(Folder() + "orientation-6.webp");
  EXPECT_EQ(1u, Get32(webp, Chunk(webp, "VP8L", false) + 4, false) & 1);
  // Other formats keep their tags elsewhere.
  EXPECT_EQ(1, OrientationOfFile(DataFolder("wic") + "turned-6.tif"));
  EXPECT_EQ(1, OrientationOfFile(DataFolder("exif") + "orientation-6.jpg"));
}

TEST(ContainerExif, ACutOrDamagedContainerMeansAsStored) {
  const Bytes png = FileBytes(Folder() + "orientation-6.png");
  const size_t exif = Chunk(png, "eXIf", true);
  const size_t exifEnd = exif + 12 + Get32(png, exif, true);
  // Cut anywhere: found only once the whole chunk, its CRC too, is there.
  for (size_t length = 0; length <= png.size(); ++length)
    EXPECT_EQ(length >= exifEnd ? 6 : 1, OrientationOf(Bytes(png.begin(), png.begin() + length))) << length;
  for (uint32_t length : {uint32_t(png.size()), 0x7FFFFFF0u, 0x80000000u, 0xFFFFFFFFu}) {
    EXPECT_EQ(1, OrientationOf(With32(png, 8, length, true))) << "the header chunk's length " << length;
    EXPECT_EQ(1, OrientationOf(With32(png, exif, length, true))) << "the eXIf chunk's length " << length;
  }
  Bytes changed = png;
  changed[exifEnd - 1] ^= 1;
  EXPECT_EQ(1, OrientationOf(changed)) << "a CRC that does not match";
  EXPECT_EQ(1, OrientationOf(FileBytes(Folder() + "ifd-past-end-6.png")));
  EXPECT_EQ(1, OrientationOf(FileBytes(Folder() + "after-image-data-6.png")));

  const Bytes webp = FileBytes(Folder() + "orientation-6.webp");
  const size_t webpExif = Chunk(webp, "EXIF", false);
  const size_t webpExifEnd = webpExif + 8 + Get32(webp, webpExif + 4, false);
  for (size_t length = 0; length <= webp.size(); ++length)
    EXPECT_EQ(length >= webpExifEnd ? 6 : 1, OrientationOf(Bytes(webp.begin(), webp.begin() + length))) << length;
  for (uint32_t size : {uint32_t(webp.size()), 0x7FFFFFF0u, 0xFFFFFFFFu})
    EXPECT_EQ(1, OrientationOf(With32(webp, webpExif + 4, size, false))) << "the EXIF chunk's size " << size;
  EXPECT_EQ(1, OrientationOf(With32(webp, 4, static_cast<uint32_t>(webpExif), false)))
      << "the RIFF size ends before the EXIF chunk's data";
  EXPECT_EQ(1, OrientationOf(With32(webp, Chunk(webp, "VP8L", false) + 4, 0xFFFFFFFEu, false)))
      << "the image chunk's size";
  changed = webp;
  changed[12 + 3] = 'Y';  // "VP8Y": not an extended file
  EXPECT_EQ(1, OrientationOf(changed));
}
