// The readers behind the one reader interface: each knows its own files by their
// first bytes, reads the size from the header and decodes no larger than needed.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "picture/Bitmap.h"
#include "picture/BmpReader.h"
#include "picture/JpegReader.h"
#include "picture/Stream.h"
#include "picture/WicReader.h"
#include "tests/picture/ReferencePictures.h"
#include "tests/support/LibraryJpeg.h"

namespace {

void Fill(TMemoryStream& stream, const std::vector<uint8_t>& bytes) {
  stream.SetSize(static_cast<int32_t>(bytes.size()));
  std::memcpy(stream.Memory(), bytes.data(), bytes.size());
}

}  // namespace

TEST(PictureReader, EachReaderKnowsItsFilesReadsTheirSizeAndDecodesNoLargerThanAsked) {
  const std::vector<uint8_t> row(1601 * 3, 0x80);
  TMemoryStream jpegFile;
  Fill(jpegFile, LibraryJpeg(1601, 1201, 3, JCS_RGB, [&](int) { return row.data(); }));
  TBitmap written;
  written.SetPixelDepth(pd24Bit);
  written.SetWidth(5);
  written.SetHeight(3);
  TMemoryStream bmpFile;
  written.SaveStream(bmpFile);

  const JpegReader jpeg;
  const BmpReader bmp;
  const auto* jpegBytes = static_cast<const uint8_t*>(jpegFile.Memory());
  const auto* bmpBytes = static_cast<const uint8_t*>(bmpFile.Memory());
  EXPECT_TRUE(jpeg.CanRead(jpegBytes, PictureReader::kSignatureBytes));
  EXPECT_FALSE(jpeg.CanRead(bmpBytes, PictureReader::kSignatureBytes));
  EXPECT_TRUE(bmp.CanRead(bmpBytes, PictureReader::kSignatureBytes));
  EXPECT_FALSE(bmp.CanRead(jpegBytes, PictureReader::kSignatureBytes));
  EXPECT_FALSE(jpeg.CanRead(jpegBytes, 2)) << "too few bytes to tell";

  EXPECT_EQ(1601, jpeg.ReadSize(jpegFile).width);
  EXPECT_EQ(1201, jpeg.ReadSize(jpegFile).height);
  EXPECT_EQ(5, bmp.ReadSize(bmpFile).width);
  EXPECT_EQ(3, bmp.ReadSize(bmpFile).height);

  TBitmap decoded;
  jpeg.Decode(jpegFile, decoded, 300, 200);
  EXPECT_EQ(401, decoded.Width()) << "a quarter is the smallest scale that covers 300 by 200";
  EXPECT_EQ(301, decoded.Height());
  bmp.Decode(bmpFile, decoded, 2, 2);
  EXPECT_EQ(5, decoded.Width()) << "a BMP file has only its own size";
  EXPECT_EQ(3, decoded.Height());
}

TEST(PictureReader, TheSystemsCodecsReadEveryOtherFormatFromAStream) {
  const WicReader wic;
  TFileStream png(reference_pictures::DataFolder("pngsuite") + "basn2c08.png", TFileStream::kOpenRead);
  TFileStream tiff(reference_pictures::DataFolder("wic") + "turned-6.tif", TFileStream::kOpenRead);
  uint8_t first[PictureReader::kSignatureBytes];
  png.ReadBuffer(first, sizeof first);
  EXPECT_TRUE(wic.CanRead(first, sizeof first));
  const uint8_t jpeg[] = {0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J', 'F', 'I', 'F', 0};
  EXPECT_FALSE(wic.CanRead(jpeg, sizeof jpeg)) << "JPEG has its own reader";
  EXPECT_EQ(32, wic.ReadSize(tiff).width) << "upright";
  EXPECT_EQ(48, wic.ReadSize(tiff).height);
  TBitmap decoded;
  wic.Decode(png, decoded, 8, 8);
  EXPECT_EQ(reference_pictures::ReadPpm(reference_pictures::DataFolder("pngsuite") + "basn2c08.ppm").pixels,
            reference_pictures::Decoded(decoded).pixels);
}
