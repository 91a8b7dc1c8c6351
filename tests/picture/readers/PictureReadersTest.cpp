// The table of readers: each file goes to the reader its first bytes name, else
// its extension, and is opened by that reader; the readers behind the rows read
// the size from the header and decode no larger than needed.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "picture/bitmap/Bitmap.h"
#include "picture/readers/jpeg/JpegDecoder.h"
#include "picture/readers/jpeg/JpegImage.h"
#include "picture/readers/PictureReaders.h"
#include "picture/core/Stream.h"
#include "picture/readers/wic/WicImage.h"
#include "picture/readers/wic/WicStream.h"
#include "tests/support/ChangedCopy.h"
#include "tests/support/ReferencePictures.h"
#include "tests/support/Failures.h"
#include "tests/support/LibraryJpeg.h"
#include "text/Exceptions.h"

using reference_pictures::DataFolder;

TEST(PictureReaders, EachFileGoesToTheReaderItsBytesNameElseItsExtensionAndIsOpenedByIt) {
  using F = TPictureFormat;
  struct Case {
    std::string path;
    F row;  // Unknown: no row of the table
    const TGraphicClass* registered;
    const TGraphicClass* opened;  // none for a file that is not there
  };
  const std::string wic = DataFolder("wic");
  const Case cases[] = {
      {DataFolder("exif") + "orientation-1.jpg", F::Jpeg, nullptr, &TJPEGImage::StaticClass()},
      {DataFolder("bmpsuite") + "g\\rgb24.bmp", F::Bmp, nullptr, &TBitmap::StaticClass()},
      {wic + "png-named.jpg", F::Png, nullptr, &TWicImage::StaticClass()},
      {wic + "turned-6.tif", F::Tiff, nullptr, &TWicImage::StaticClass()},
      {wic + "missing.TGA", F::Tga, nullptr, nullptr},
      {wic + "missing.jpg", F::Unknown, &TJPEGImage::StaticClass(), nullptr},
      {wic + "missing.xyz", F::Unknown, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    const TPictureChoice choice = ChoosePictureReader(FilePath(c.path));
    EXPECT_EQ(c.row, choice.reader != nullptr ? choice.reader->format : F::Unknown) << c.path;
    EXPECT_EQ(c.registered, choice.registered) << c.path;
    EXPECT_EQ(c.row != F::Unknown || c.registered != nullptr, choice.Readable()) << c.path;
    if (c.opened != nullptr) {
      EXPECT_EQ(c.opened, &OpenPicture(FilePath(c.path), choice, nullptr)->ClassType()) << c.path;
    }
  }
  EXPECT_EQ("拡張子 .xyz の画像形式は処理できません", MessageOf<EInvalidGraphic>([&] {
              OpenPicture(FilePath(wic + "missing.xyz"), ChoosePictureReader(FilePath(wic + "missing.xyz")), nullptr);
            }));
}

TEST(PictureReaders, AFileWhoseBytesCarryNoMarkIsNoPictureWhateverItsName) {
  const std::string photo = DataFolder("exif") + "orientation-1.jpg";
  // Empty, or a photo whose mark is gone, under the names of marked formats.
  const ChangedCopy empty(photo, "mirokate empty.jpg", 0), unmarked(photo, "mirokate unmarked.png", SIZE_MAX, 1, 0);
  const ChangedCopy emptyBmp(photo, "mirokate empty.bmp", 0), emptyOther(photo, "mirokate empty.xyz", 0);
  for (const ChangedCopy* file : {&empty, &unmarked, &emptyBmp, &emptyOther})
    EXPECT_TRUE(ChoosePictureReader(FilePath(file->Path())).notAPicture) << file->Path();
  // A format without a mark is judged by its reader; a file that cannot be read,
  // by what opening it says; a marked one is a picture, however damaged.
  const ChangedCopy tga(photo, "mirokate empty.tga", 0), damaged(photo, "mirokate damaged.bmp", 40);
  for (const std::string& path : {tga.Path(), DataFolder("wic") + "missing.jpg", damaged.Path()})
    EXPECT_FALSE(ChoosePictureReader(FilePath(path)).notAPicture) << path;
}

TEST(PictureReaders, AJpegIsSizedFromItsHeaderAndDecodedAtTheSmallestScaleThatCoversTheSizeAsked) {
  const std::vector<uint8_t> row(1601 * 3, 0x80);
  const std::vector<uint8_t> bytes = LibraryJpeg(1601, 1201, 3, JCS_RGB, [&](int) { return row.data(); });
  TMemoryStream file;
  file.SetSize(static_cast<int32_t>(bytes.size()));
  std::memcpy(file.Memory(), bytes.data(), bytes.size());
  const JpegHeader header = ReadJpegHeader(file);
  EXPECT_EQ(1601, header.width);
  EXPECT_EQ(1201, header.height);

  TJPEGOptions options = JpegDefaultOptions();
  options.ScaleShift = static_cast<TJPEGScale>(SmallestCoveringScale(file, 300, 200));
  UniquePalette none;
  TBitmap decoded;
  DecodeJpeg(file, options, none, decoded, decoded);
  EXPECT_EQ(401, decoded.Width()) << "a quarter is the smallest scale that covers 300 by 200";
  EXPECT_EQ(301, decoded.Height());
}

TEST(PictureReaders, TheSystemsCodecsReadFromAStreamUprightAsTheReferenceDecodes) {
  TFileStream tiff(DataFolder("wic") + "turned-6.tif", TFileStream::kOpenRead);
  const PictureSize size = TWicFrame(ComStreamOver(tiff), FilePath()).Size();
  EXPECT_EQ(32, size.width) << "upright";
  EXPECT_EQ(48, size.height);
  TFileStream png(DataFolder("pngsuite") + "basn2c08.png", TFileStream::kOpenRead);
  TBitmap decoded;
  TWicFrame(ComStreamOver(png), FilePath()).Decode(decoded, TWantedSize{8, 8});
  EXPECT_EQ(reference_pictures::ReadPpm(DataFolder("pngsuite") + "basn2c08.ppm").pixels,
            reference_pictures::Decoded(decoded).pixels);
}
