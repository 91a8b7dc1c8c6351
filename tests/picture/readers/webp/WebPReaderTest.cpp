// WebP pictures read by the program's own libwebp, against Debian's dwebp
// decoding the same files, laid over black by PIL (tests/data/webp/make.sh);
// the orientations tagged by exiftool (tests/data/exif-chunks); damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "picture/bitmap/Bitmap.h"
#include "picture/Picture.h"
#include "picture/readers/webp/WebPImage.h"
#include "tests/support/ChangedCopy.h"
#include "tests/support/ReferencePictures.h"
#include "text/Exceptions.h"

using namespace reference_pictures;

namespace {

// The file loaded through the table of readers, which must give it to the WebP reader.
void Load(TPicture& picture, const std::string& path) {
  picture.LoadFile(path);
  ASSERT_NE(nullptr, dynamic_cast<TWebPImage*>(picture.CurrentGraphic())) << path;
}

Picture Whole(const std::string& path) {
  TPicture picture;
  Load(picture, path);
  TBitmap whole;
  whole.CopyFrom(picture.CurrentGraphic());
  return Decoded(whole);
}

// What loading and decoding the file raises: the damaged-picture message, or
// what else went wrong; "(read)" when it reads.
std::string FailureOf(const std::string& path) {
  try {
    TPicture picture;
    picture.LoadFile(path);
    TBitmap whole;
    whole.CopyFrom(picture.CurrentGraphic());
  } catch (const EInvalidGraphic& failure) {
    return failure.Message();
  } catch (const Exception& other) {
    return "(another failure) " + other.Message();
  }
  return "(read)";
}

std::string Damaged(const std::string& name) {
  return "「" + name + "」を WebP 形式の画像として読み込めませんでした。ファイルが壊れているか、途中で切れている可能性があります";
}

}  // namespace

TEST(WebPReader, EveryKindIsReadAsDwebpDecodesItLaidOverBlack) {
  // The library is dwebp's own, with its default filters: the colours are its
  // colours, up to a step of rounding where alpha is laid over black.
  const std::string folder = DataFolder("webp");
  const ChangedCopy misnamed(folder + "alpha-lossy.webp", "webp-misnamed.png", 100000);
  const struct {
    std::string path;
    const char* reference;
  } cases[] = {{folder + "lossy.webp", "lossy"},
               {folder + "lossless.webp", "lossless"},
               {folder + "alpha-lossy.webp", "alpha-lossy"},
               {folder + "alpha-lossless.webp", "alpha-lossless"},
               {folder + "animated.webp", "animated"},
               {folder + "offset.webp", "offset"},
               {misnamed.Path(), "alpha-lossy"}};
  for (const auto& c : cases) {
    const Picture reference = ReadPpm(folder + c.reference + ".ppm");
    ASSERT_EQ(64, reference.width);
    EXPECT_LE(LargestDifference(reference, Whole(c.path)), 1.0) << c.path;
  }
}

TEST(WebPReader, ColoursAreConvertedFromTheProfileAsLcms2ConvertsThem) {
  const std::string folder = DataFolder("webp");
  TPicture picture;
  Load(picture, folder + "adobe.webp");
  const Picture shown = Shown(*picture.CurrentGraphic(), 64, 48);
  EXPECT_LE(MeanDifference(ReadPpm(folder + "adobe.ppm"), shown), 1.0);
  EXPECT_GE(MeanDifference(ReadPpm(folder + "lossy.ppm"), shown), 3.0) << "the stored colours";
}

TEST(WebPReader, AnExifOrientationTurnsThePictureUprightWholeAndShrunk) {
  // Lossless pictures tagged with every orientation by exiftool, against PIL's
  // turn of the same tagged picture as a PNG.
  const std::string chunks = DataFolder("exif-chunks");
  for (int value = 1; value <= 8; ++value) {
    const std::string n = std::to_string(value);
    EXPECT_EQ(0.0, LargestDifference(ReadPpm(chunks + "upright-" + n + ".ppm"), Whole(chunks + "orientation-" + n + ".webp")))
        << value;
  }
  // A lossy one tagged by webpmux, whole, and shown smaller: scaled by the
  // library, then resampled, against PIL's Lanczos shrink of dwebp's decode.
  const std::string folder = DataFolder("webp");
  EXPECT_LE(LargestDifference(ReadPpm(folder + "turned-6.ppm"), Whole(folder + "turned-6.webp")), 0.0);
  TPicture picture;
  Load(picture, folder + "turned-6.webp");
  EXPECT_EQ(64, picture.Width());
  EXPECT_EQ(96, picture.Height());
  const Picture small = ReadPpm(folder + "turned-6-small.ppm");
  const Picture shown = Shown(*picture.CurrentGraphic(), 16, 24);
  EXPECT_LE(MeanDifference(small, shown), 2.0);
  EXPECT_LE(LargestDifference(small, shown), 24.0);
}

TEST(WebPReader, PixelsForASmallerSizeAreDecodedSmallerInProportionAndCoverIt) {
  TPicture picture;
  Load(picture, DataFolder("webp") + "turned-6.webp");
  const int width = 64, height = 96;  // upright
  const SIZE wanted[] = {{8, 8}, {1, 90}, {63, 2}, {32, 48}, {33, 47}, {64, 96}, {200, 10}};
  for (const SIZE& w : wanted) {
    TWebPImage fresh;  // shares the file, decodes anew
    fresh.CopyFrom(picture.CurrentGraphic());
    TBitmap* pixels = fresh.PixelsFor(w.cx, w.cy);
    ASSERT_NE(nullptr, pixels);
    const int pw = pixels->Width(), ph = pixels->Height();
    EXPECT_TRUE(pw >= std::min<int>(w.cx, width) && ph >= std::min<int>(w.cy, height)) << w.cx << "x" << w.cy;
    EXPECT_TRUE(pw <= width && ph <= height) << w.cx << "x" << w.cy;
    if (w.cx < width && w.cy < height) {
      EXPECT_LT(pw, width) << w.cx << "x" << w.cy;
    }
    // Kept in proportion, within a pixel of rounding up.
    EXPECT_LE(std::abs(pw * height - ph * width), std::max(width, height)) << pw << "x" << ph;
  }
}

TEST(WebPReader, ADamagedFileGetsTheBoxNamingItAndItsFormatNeverAFault) {
  const std::string folder = DataFolder("webp");
  const ChangedCopy empty(folder + "lossy.webp", "webp-empty.webp", 0);
  const ChangedCopy text(folder + "make.sh", "webp-text.webp", 300);
  const ChangedCopy header(folder + "lossy.webp", "webp-header.webp", 100000, 15, '9');  // "VP8 " becomes "VP89"
  for (const ChangedCopy* c : {&empty, &text, &header}) {
    const std::string name = c->Path().substr(c->Path().find_last_of('\\') + 1);
    EXPECT_EQ(Damaged(name), FailureOf(c->Path()));
  }
  // Every length a file could be cut to, and every byte of an animation and of
  // a lossy picture with alpha set to 0xFF: read, or refused as damaged.
  for (const char* file : {"alpha-lossy.webp", "animated.webp", "lossless.webp"}) {
    const size_t size = FileBytes(folder + file).size();
    for (size_t length = 0; length < size; ++length) {
      const ChangedCopy cut(folder + file, "webp-cut.webp", length);
      EXPECT_EQ(Damaged("webp-cut.webp"), FailureOf(cut.Path())) << file << " cut to " << length;
    }
    for (size_t at = 1; at < size; ++at) {
      const ChangedCopy changed(folder + file, "webp-changed.webp", size, at, 0xFF);
      const std::string failure = FailureOf(changed.Path());
      if (failure != "(read)") {
        EXPECT_EQ(Damaged("webp-changed.webp"), failure) << file << " at " << at;
      }
    }
  }
}
