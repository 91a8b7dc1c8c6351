// Pictures read through the system's codecs, compared with references that
// ImageMagick or PIL made from the same files (tests/data/pngsuite, wic and
// exif-chunks); formats without a decoder here, damaged files and hostile sizes.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "picture/bitmap/Bitmap.h"
#include "picture/Picture.h"
#include "picture/shrink/ShownPicture.h"
#include "picture/core/Stream.h"
#include "picture/readers/wic/WicCodecs.h"
#include "picture/readers/wic/WicImage.h"
#include "tests/support/WicReader.h"
#include "picture/readers/wic/WicStream.h"
#include "tests/support/ReferencePictures.h"
#include "tests/support/ChangedCopy.h"
#include "tests/support/LongFolder.h"
#include "tests/support/ChangedCopy.h"
#include "text/Exceptions.h"

using namespace reference_pictures;

namespace {

Picture ReadThroughWic(const std::string& path, TWantedSize wanted = {}) {
  TBitmap bitmap;
  ReadPictureThroughWic(path, bitmap, wanted);
  EXPECT_EQ(pd24Bit, bitmap.PixelDepth()) << path;
  return Decoded(bitmap);
}

// The picture, read, against its reference of the same name: lossless formats
// differ by at most one step of rounding from 16 bits.
void ExpectLikeReference(const std::string& folder, const std::string& name, const std::string& extension) {
  const Picture read = ReadThroughWic(DataFolder(folder) + name + extension);
  EXPECT_LE(LargestDifference(ReadPpm(DataFolder(folder) + name + ".ppm"), read), 1.0) << name << extension;
}

// The failure a read raises: its kind and message.
template <class Failure>
std::string FailureOf(const std::string& path) {
  TBitmap bitmap;
  try {
    ReadPictureThroughWic(path, bitmap);
  } catch (const Failure& failure) {
    return failure.Message();
  } catch (const Exception& other) {
    return "(another failure) " + other.Message();
  }
  return "(read)";
}

}  // namespace

TEST(WicReader, EveryPngColourTypeAndDepthMatchesTheReferenceLaidOverBlack) {
  for (const char* name : {"basn0g01", "basn0g02", "basn0g04", "basn0g08", "basn0g16", "basn2c08", "basn2c16",
                           "basn3p01", "basn3p02", "basn3p04", "basn3p08", "basn4a08", "basn4a16", "basn6a08",
                           "basn6a16", "ftbbn0g04", "ftbbn2c16", "ftbrn2c08", "ftbwn3p08", "ftp0n3p08", "ftp1n3p08",
                           "ibasn2c08", "ibasn3p08", "ibasn6a16"})
    ExpectLikeReference("pngsuite", name, ".png");
}

TEST(WicReader, OtherFormatsGiveTheirFirstFrameWithTransparentPartsBlack) {
  // The first frame of an animation and of a multi-page file, 16 bits a
  // channel, an icon's largest picture wherever it is listed, and a PNG whose
  // name says JPEG.
  for (const char* file : {"animated.gif", "transparent.gif", "pages.tif", "deep.tif", "icon.ico", "sizes.ico"}) {
    const std::string name(file);
    ExpectLikeReference("wic", name.substr(0, name.find('.')), name.substr(name.find('.')));
  }
  EXPECT_EQ(ReadPpm(DataFolder("pngsuite") + "basn2c08.ppm").pixels,
            ReadThroughWic(DataFolder("wic") + "png-named.jpg").pixels);
}

TEST(WicReader, AnOrientationTagTurnsThePictureUprightAtTheWantedSize) {
  const Picture upright = ReadPpm(DataFolder("wic") + "turned-6.ppm");
  ASSERT_EQ(32, upright.width);
  for (TWantedSize wanted : {TWantedSize{}, TWantedSize{16, 24}, TWantedSize{24, 16}})
    EXPECT_LE(LargestDifference(upright, ReadThroughWic(DataFolder("wic") + "turned-6.tif", wanted)), 1.0);
}

TEST(WicReader, APictureShownSmallerIsResampledUprightAsItsDecoderGivesItsRows) {
  // Loaded, the picture keeps its decoder; copied whole or shrunk, it comes out
  // upright, like ImageMagick's Lanczos shrink of the same file.
  const struct {
    const char* name;
    int width, height, shownWidth, shownHeight;
  } cases[] = {{"turned-6", 32, 48, 8, 12}, {"deep", 64, 24, 16, 6}};
  for (const auto& c : cases) {
    TPicture picture;
    picture.LoadFile(DataFolder("wic") + c.name + ".tif");
    ASSERT_NE(nullptr, dynamic_cast<TWicImage*>(picture.CurrentGraphic())) << c.name;
    EXPECT_EQ(c.width, picture.Width()) << c.name;
    EXPECT_EQ(c.height, picture.Height()) << c.name;
    TBitmap whole;
    whole.CopyFrom(picture.CurrentGraphic());
    EXPECT_LE(LargestDifference(ReadPpm(DataFolder("wic") + c.name + ".ppm"), Decoded(whole)), 1.0) << c.name;
    const std::unique_ptr<TBitmap> shrunk = PreparedForShowing(*picture.CurrentGraphic(), c.shownWidth, c.shownHeight);
    ASSERT_NE(nullptr, shrunk) << c.name;
    const Picture reference = ReadPpm(DataFolder("wic") + c.name + "-small.ppm");
    EXPECT_LE(MeanDifference(reference, Decoded(*shrunk)), 2.0) << c.name;
    EXPECT_LE(LargestDifference(reference, Decoded(*shrunk)), 24.0) << c.name;
  }
}

TEST(WicReader, APictureAtAPathOfAnyLengthIsReadThroughAFileStreamOfItsOwn) {
  for (const size_t length : {300u, 2000u}) {
    SCOPED_TRACE(length);
    const LongFolder folder(length);
    ASSERT_TRUE(folder.Write("turned-6.tif", FileBytes(DataFolder("wic") + "turned-6.tif")));
    const std::string path = folder.Path() + "\\turned-6.tif";
    TPicture picture;
    picture.LoadFile(path);
    TBitmap whole;
    whole.CopyFrom(picture.CurrentGraphic());
    EXPECT_LE(LargestDifference(ReadPpm(DataFolder("wic") + "turned-6.ppm"), Decoded(whole)), 1.0);

    // A clone reads on from where its original stood, and each keeps its place.
    const ComPtr<IStream> stream = ComStreamOnFile(path);
    char first[4] = {}, second[4] = {}, cloned[4] = {};
    ULONG read = 0;
    ASSERT_EQ(S_OK, stream.get()->Read(first, 2, &read));
    ComPtr<IStream> clone;
    ASSERT_EQ(S_OK, stream.get()->Clone(clone.put()));
    ASSERT_EQ(S_OK, clone.get()->Read(cloned, 2, &read));
    ASSERT_EQ(S_OK, stream.get()->Read(second, 2, &read));
    EXPECT_EQ(std::string(second, 2), std::string(cloned, 2));
    EXPECT_EQ(std::string("II"), std::string(first, 2));
  }
}

TEST(WicReader, APictureLoadedFromAStreamIsSavedAsTheBytesItWasReadFrom) {
  const std::string path = DataFolder("pngsuite") + "basn6a08.png";
  TFileStream file(path, TFileStream::kOpenRead);
  std::vector<uint8_t> bytes(static_cast<size_t>(file.Size()));
  file.ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  file.SetPosition(0);
  TWicImage image;
  image.LoadStream(file);
  EXPECT_EQ(32, image.Width());
  TMemoryStream saved;
  image.SaveStream(saved);
  ASSERT_EQ(bytes.size(), static_cast<size_t>(saved.Size()));
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), saved.Memory()));
}

TEST(WicReader, APngTaggedInItsExifChunkIsTurnedUprightAsAnotherToolTurnsIt) {
  // Wine's PNG decoder gives no metadata, so the tag comes from the file's own
  // chunks (each picture is tagged as another tool writes it).
  const std::string folder = DataFolder("exif-chunks");
  ASSERT_EQ(32, ReadPpm(folder + "upright-6.ppm").width);
  const auto loaded = [&](const std::string& name) {
    TPicture picture;
    picture.LoadFile(folder + name);
    TBitmap whole;
    whole.CopyFrom(picture.CurrentGraphic());
    return Decoded(whole);
  };
  for (int value = 1; value <= 8; ++value) {
    const std::string n = std::to_string(value);
    EXPECT_EQ(0.0, LargestDifference(ReadPpm(folder + "upright-" + n + ".ppm"), loaded("orientation-" + n + ".png")))
        << value;
  }
  // A chunk after the image data is not looked for, and one whose IFD0 lies
  // past its end is damaged: both pictures load as stored.
  for (const char* name : {"after-image-data-6.png", "ifd-past-end-6.png"})
    EXPECT_EQ(0.0, LargestDifference(ReadPpm(folder + "upright-1.ppm"), loaded(name))) << name;
}

TEST(WicReader, AFormatWithoutADecoderHereIsToldApartFromADamagedFile) {
  // Wine 8 has no WebP or HEIF decoder; Windows has WebP from 1809 on, HEIF
  // with an extension.
  const std::string wic = DataFolder("wic");
  EXPECT_EQ("WebP 形式の画像を読み込む機能がこのコンピューターにありません",
            FailureOf<ENoPictureDecoder>(wic + "photo.webp"));
  EXPECT_EQ("HEIF 形式の画像を読み込む機能がこのコンピューターにありません",
            FailureOf<ENoPictureDecoder>(wic + "photo.heic"));
  const ChangedCopy unknown(wic + "make.sh", "wic-unknown.xyz", 200);
  EXPECT_EQ("「wic-unknown.xyz」の画像形式を読み込む機能がこのコンピューターにありません",
            FailureOf<ENoPictureDecoder>(unknown.Path()));

  const std::string damaged = "を PNG 形式の画像として読み込めませんでした。ファイルが壊れているか、途中で切れている可能性があります";
  const std::string png = DataFolder("pngsuite") + "basn6a08.png";
  const ChangedCopy cut(png, "wic-cut.png", 100);
  EXPECT_EQ("「wic-cut.png」" + damaged, FailureOf<EInvalidGraphic>(cut.Path()));
  const ChangedCopy badHeader(png, "wic-header.png", 100000, 12, 'X');  // "IHDR" becomes "XHDR"
  EXPECT_EQ("「wic-header.png」" + damaged, FailureOf<EInvalidGraphic>(badHeader.Path()));
  // An icon whose picture header claims a height of about minus two billion:
  // refused before a decoder reads it (Wine's corrupts its memory on it).
  const ChangedCopy absurd(wic + "icon.ico", "wic-absurd.ico", 100000, 49, 0x80);
  EXPECT_EQ("「wic-absurd.ico」を ICO 形式の画像として読み込めませんでした。ファイルが壊れているか、途中で切れている可能性があります",
            FailureOf<EInvalidGraphic>(absurd.Path()));
  const ChangedCopy empty(png, "wic-empty.png", 0);
  EXPECT_EQ("「wic-empty.png」" + damaged, FailureOf<EInvalidGraphic>(empty.Path()));

  EXPECT_EQ("ファイル " + wic + "none.png は開けません", FailureOf<EFOpenError>(wic + "none.png"));
  EXPECT_EQ("メモリが足りません", FailureOf<EOutOfMemory>(wic + "huge.png")) << "over 2^30 pixels";
}

TEST(WicReader, ATiffIsReadInBothByteOrdersAndUprightByItsOwnTag) {
  ExpectLikeReference("tiff", "little-endian", ".tif");
  ExpectLikeReference("tiff", "big-endian-6", ".tif");
}

TEST(WicReader, ATiffWhoseStructureDoesNotHoldTogetherIsRefusedBeforeADecoderReadsIt) {
  // Wine 8's decoder reads the loop, the unknown type and the value past the
  // end as sound (its metadata reader then reads address 0 on the loop and the
  // value past the end); it fails on the other two by itself.
  for (const char* fault : {"ifd-loop", "ifd-outside", "entries-past-end", "unknown-type", "value-past-end"}) {
    const std::string name = std::string("damaged-") + fault + ".tif";
    EXPECT_EQ("「" + name + "」を TIFF 形式の画像として読み込めませんでした。ファイルが壊れているか、途中で切れている可能性があります",
              FailureOf<EInvalidGraphic>(DataFolder("tiff") + name));
  }
}

TEST(WicReader, ASoundVariantTheDecoderLacksIsToldApartFromDamage) {
  // Wine 8 reads none of these: a TIFF compressed as JPEG, a 16-bit TIFF with
  // associated alpha, a BigTIFF, a TIFF of one plane a channel, a cursor, named
  // as such or as an icon.
  const std::string tiff = DataFolder("tiff");
  const ChangedCopy cursorAsIcon(tiff + "cursor.cur", "wic-cursor.ico", 100000);
  const struct {
    std::string path;
    const char* shownName;
    const char* format;
  } cases[] = {{tiff + "jpeg.tif", "jpeg.tif", "TIFF"},
               {tiff + "associated-alpha-16.tif", "associated-alpha-16.tif", "TIFF"},
               {tiff + "big.tif", "big.tif", "TIFF"},
               {tiff + "planar.tif", "planar.tif", "TIFF"},
               {tiff + "cursor.cur", "cursor.cur", "ICO"},
               {cursorAsIcon.Path(), "wic-cursor.ico", "ICO"}};
  for (const auto& c : cases)
    EXPECT_EQ(std::string("「") + c.shownName + "」の " + c.format +
                  " 画像の形式には、このコンピューターの読み込み機能が対応していません",
              FailureOf<ENoPictureDecoder>(c.path));
  // Cut, the same TIFF compressed as JPEG is still damaged: its structure says so.
  const ChangedCopy cut(tiff + "jpeg.tif", "wic-cut-jpeg.tif", 100);
  EXPECT_EQ("「wic-cut-jpeg.tif」を TIFF 形式の画像として読み込めませんでした。ファイルが壊れているか、途中で切れている可能性があります",
            FailureOf<EInvalidGraphic>(cut.Path()));
}

TEST(WicReader, AScalingDecoderIsAskedForTheSmallestSizeThatCoversTheWantedOne) {
  // A decoder that scales by 1/2, 1/4 and 1/8, rounding up, and answers with the
  // offer nearest to the size asked for, as a JPEG decoder may.
  const SIZE full{1000, 600};
  std::vector<SIZE> offers;
  for (int d : {1, 2, 4, 8}) offers.push_back(SIZE{(full.cx + d - 1) / d, (full.cy + d - 1) / d});
  const auto nearest = [&](SIZE ask) {
    SIZE best = offers[0];
    for (SIZE offer : offers)
      if (std::abs(offer.cx - ask.cx) < std::abs(best.cx - ask.cx)) best = offer;
    return best;
  };
  for (SIZE wanted : {SIZE{0, 0}, SIZE{1, 1}, SIZE{125, 75}, SIZE{126, 10}, SIZE{200, 140}, SIZE{240, 160},
                      SIZE{500, 301}, SIZE{999, 1}, SIZE{2000, 1200}, SIZE{1, 700}}) {
    SIZE smallest = full;
    for (SIZE offer : offers)
      if (wanted.cx > 0 && wanted.cy > 0 && offer.cx >= wanted.cx && offer.cy >= wanted.cy && offer.cx < smallest.cx)
        smallest = offer;
    const SIZE chosen = ChooseDecodeSize(full, wanted, nearest);
    EXPECT_EQ(smallest.cx, chosen.cx) << wanted.cx << "x" << wanted.cy;
    EXPECT_EQ(smallest.cy, chosen.cy) << wanted.cx << "x" << wanted.cy;
  }
}
