// HEIC and AVIF pictures that Debian's tools made (tests/data/heif/make.sh),
// read through the table of readers and compared with the libraries' own
// command-line decoders (heif-convert, avifdec), laid over black; damaged
// copies are refused naming the file and the format.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "picture/bitmap/Bitmap.h"
#include "picture/readers/PictureReaders.h"
#include "picture/readers/heif/HeifImage.h"
#include "picture/shrink/ShownPicture.h"
#include "tests/support/ChangedCopy.h"
#include "tests/support/ReferencePictures.h"
#include "text/Exceptions.h"

using namespace reference_pictures;

namespace {

std::unique_ptr<TGraphic> Opened(const std::string& path) {
  return OpenPicture(FilePath(path), ChoosePictureReader(FilePath(path)), nullptr);
}

// The picture as shown at its own size: its pixels, converted to sRGB when it
// has a profile.
Picture Shown(TGraphic& graphic) {
  std::unique_ptr<TBitmap> prepared = PreparedForShowing(graphic, graphic.Width(), graphic.Height());
  return Decoded(prepared != nullptr ? *prepared : *graphic.PixelsFor(graphic.Width(), graphic.Height()));
}

// The message of the failure opening and decoding the file raises; "(read)" when none.
std::string FailureOf(const std::string& path) {
  try {
    std::unique_ptr<TGraphic> graphic = Opened(path);
    graphic->PixelsFor(graphic->Width(), graphic->Height());
  } catch (const Exception& failure) {
    return failure.Message();
  }
  return "(read)";
}

}  // namespace

TEST(HeifImage, EachPictureIsReadUprightInItsColoursAsTheLibrarysOwnDecoderDecodesIt) {
  // Lossy pictures decoded by the same decoders: they differ by the rounding of
  // the colour conversion. The Adobe RGB picture is converted through the
  // program's colour grid, whose interpolation differs most at saturated edges,
  // so its mean is what tells; it must also be far from the stored colours.
  struct Case {
    const char* file;
    const char* reference;
    double mean, largest;
  };
  const Case cases[] = {
      {"photo.heic", "photo-heic", 0.6, 3},       {"photo-10bit.heic", "photo-10bit-heic", 0.6, 3},
      {"alpha.heic", "alpha-heic", 0.6, 3},       {"turned.heic", "turned-heic", 0.6, 3},
      {"exif-6.heic", "exif-6-heic", 0.6, 3},     {"grid.heic", "grid-heic", 0.6, 3},
      {"adobe.heic", "adobe-heic", 1.0, 40},       {"photo.avif", "photo-avif", 0.6, 3},
      {"photo-10bit.avif", "photo-10bit-avif", 0.6, 3}, {"alpha.avif", "alpha-avif", 0.6, 3},
      {"grid.avif", "grid-avif", 0.6, 3},         {"turned.avif", "turned-avif", 0.6, 3},
      // PQ made from an sRGB picture below the highlights' knee: read back as that
      // picture, less what the coding loses (most in the dark, where PQ has fewest steps).
      {"hdr-pq.heic", "hdr-pq", 2.0, 16},
  };
  const std::string folder = DataFolder("heif");
  for (const Case& c : cases) {
    std::unique_ptr<TGraphic> graphic = Opened(folder + c.file);
    ASSERT_EQ(&THeifImage::StaticClass(), &graphic->ClassType()) << c.file;
    const Picture reference = ReadPpm(folder + c.reference + ".ppm");
    EXPECT_EQ(reference.width, graphic->Width()) << c.file;
    EXPECT_EQ(reference.height, graphic->Height()) << c.file;
    const Picture shown = Shown(*graphic);
    EXPECT_LE(MeanDifference(reference, shown), c.mean) << c.file;
    EXPECT_LE(LargestDifference(reference, shown), c.largest) << c.file;
  }
  std::unique_ptr<TGraphic> adobe = Opened(folder + "adobe.heic");
  EXPECT_GE(MeanDifference(ReadPpm(folder + "photo-heic.ppm"), Shown(*adobe)), 3.0) << "converted from Adobe RGB";
}

TEST(HeifImage, APictureNamedAsAnotherFormatIsReadByWhatItHolds) {
  const std::string folder = DataFolder("heif");
  const ChangedCopy heic(folder + "photo.heic", "heif-named.jpg");
  const ChangedCopy avif(folder + "photo.avif", "avif-named.png");
  EXPECT_EQ(TPictureFormat::Heif, ChoosePictureReader(FilePath(heic.Path())).reader->format);
  EXPECT_EQ(TPictureFormat::Avif, ChoosePictureReader(FilePath(avif.Path())).reader->format);
  EXPECT_LE(MeanDifference(ReadPpm(folder + "photo-heic.ppm"), Shown(*Opened(heic.Path()))), 0.6);
  EXPECT_LE(MeanDifference(ReadPpm(folder + "photo-avif.ppm"), Shown(*Opened(avif.Path()))), 0.6);
}

TEST(HeifImage, APictureShownSmallerIsResampledAsItsRowsAreDecoded) {
  // The reference is averaged over 2x2 blocks; the program's filter is sharper.
  std::unique_ptr<TGraphic> graphic = Opened(DataFolder("heif") + "photo.heic");
  ASSERT_TRUE(graphic->ShrinksFromDecoder());
  std::unique_ptr<TBitmap> shrunk = PreparedForShowing(*graphic, 64, 48);
  ASSERT_NE(nullptr, shrunk);
  EXPECT_LE(MeanDifference(ReadPpm(DataFolder("heif") + "photo-half.ppm"), Decoded(*shrunk)), 2.5);
}

TEST(HeifImage, ADamagedFileIsRefusedNamingTheFileAndItsFormat) {
  const std::string folder = DataFolder("heif");
  for (const char* file : {"photo.heic", "grid.heic", "alpha.heic", "photo.avif", "grid.avif"}) {
    const std::string name(file);
    const std::string format = name.substr(name.size() - 4) == "avif" ? "AVIF" : "HEIF";
    const size_t size = FileBytes(folder + name).size();
    const std::string damaged = "「heif-damaged-" + name + "」を " + format + " 形式の画像として読み込めませんでした。"
                                "ファイルが壊れているか、途中で切れている可能性があります";
    // Cut anywhere, the file is refused as damaged.
    for (size_t keep : {size_t{40}, size_t{300}, size / 2, size - 20, size - 1}) {
      const ChangedCopy cut(folder + name, "heif-damaged-" + name, keep);
      EXPECT_EQ(damaged, FailureOf(cut.Path())) << name << " cut to " << keep;
    }
    // A changed byte in the boxes or the coded data is refused the same way, or
    // decodes to some picture: never a fault, never another message.
    for (size_t at = 24; at < size; at += 61) {
      for (uint8_t value : {uint8_t{0x00}, uint8_t{0xFF}}) {
        const ChangedCopy changed(folder + name, "heif-damaged-" + name, SIZE_MAX, at, value);
        const std::string failure = FailureOf(changed.Path());
        EXPECT_TRUE(failure == "(read)" || failure == damaged || failure == "メモリが足りません" ||
                    failure.find("の " + format + " 画像の形式には") != std::string::npos)
            << name << " byte " << at << " set to " << int(value) << ": " << failure;
      }
    }
  }
  // Item locations of other field sizes hand the AV1 decoder empty data; its
  // check of that must end in the box, never in abort().
  const ChangedCopy empty(folder + "photo-10bit.avif", "heif-damaged-photo-10bit.avif", SIZE_MAX, 110, 0x45);
  EXPECT_EQ("「heif-damaged-photo-10bit.avif」を AVIF 形式の画像として読み込めませんでした。"
            "ファイルが壊れているか、途中で切れている可能性があります",
            FailureOf(empty.Path()));
}
