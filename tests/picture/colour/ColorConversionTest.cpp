// Pictures tagged with colour profiles, shown converted to sRGB, against lcms2's
// conversion of the same stored colours (tests/data/colour, made by make.sh).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "picture/bitmap/Bitmap.h"
#include "picture/colour/ColorConversions.h"
#include "picture/profile/ColorProfile.h"
#include "picture/Picture.h"
#include "picture/shrink/ShownPicture.h"
#include "tests/support/ReferencePictures.h"

using namespace reference_pictures;

namespace {

constexpr int kWidth = 64, kHeight = 48;

// The pixels shown for the picture at `width` by `height`: prepared when the
// picture needs it, its own otherwise.
Picture Shown(const std::string& file, int width = kWidth, int height = kHeight) {
  TPicture picture;
  picture.LoadFile(DataFolder("colour") + file);
  return reference_pictures::Shown(*picture.CurrentGraphic(), width, height);
}

}  // namespace

TEST(ColorConversion, EveryFormatsProfileIsHonouredAsLcms2ConvertsIt) {
  // JPEG, PNG (iCCP, and gAMA with cHRM), TIFF, BMP (embedded and calibrated)
  // and an ink JPEG; the figures are printed for the record.
  for (const char* file : {"adobe.jpg", "prophoto.jpg", "swapped.jpg", "wide.png", "adobe-chunks.png", "adobe.tif",
                           "wide-embedded.bmp", "prophoto-calibrated.bmp", "inks.jpg"}) {
    std::string name = file;
    name[name.find('.')] = '-';
    const Picture reference = ReadPpm(DataFolder("colour") + name + ".ppm");
    const Picture shown = Shown(file);
    std::printf("%-24s mean %.2f largest %.0f\n", file, MeanDifference(reference, shown),
                LargestDifference(reference, shown));
    EXPECT_LE(MeanDifference(reference, shown), 1.0) << file;
    // Far from the stored colours (every profile here moves them).
    EXPECT_GE(MeanDifference(ReadPpm(DataFolder("colour") + "stored.ppm"), shown), 3.0) << file;
  }
}

TEST(ColorConversion, UnusableProfilesLeaveTheColoursAsStored) {
  // A cut profile, and a grey profile for red, green and blue: loaded all the same.
  for (const char* file : {"cut.jpg", "mismatch.jpg"}) {
    std::string name = file;
    name[name.find('.')] = '-';
    EXPECT_LE(MeanDifference(ReadPpm(DataFolder("colour") + name + ".ppm"), Shown(file)), 0.5) << file;
  }
}

TEST(ColorConversion, OnlyTheShownPixelsAreConvertedNeverThePicturesOwn) {
  // Shown smaller: converted after the shrink, close to the converted reference
  // resampled.
  const Picture small = Shown("adobe.jpg", kWidth / 2, kHeight / 2);
  EXPECT_LE(MeanDifference(ReadPpm(DataFolder("colour") + "adobe-jpg-small.ppm"), small), 1.5);
  // A bitmap is its own pixels when enlarged; they keep the stored colours.
  TPicture picture;
  picture.LoadFile(DataFolder("colour") + "wide-embedded.bmp");
  ASSERT_NE(nullptr, PreparedForShowing(*picture.CurrentGraphic(), kWidth * 2, kHeight * 2));
  EXPECT_EQ(0.0, MeanDifference(ReadPpm(DataFolder("colour") + "stored.ppm"),
                                Decoded(*PixelsForShowing(*picture.CurrentGraphic(), kWidth, kHeight))));
}

TEST(ColorConversion, EachPicturesConversionInksTooIsMadeOnAThreadAndKept) {
  // An ink JPEG offers its profile, applied while decoding, to be begun as well.
  for (const char* file : {"adobe.jpg", "wide.png", "adobe.tif", "wide-embedded.bmp", "inks.jpg"}) {
    TPicture picture;
    picture.LoadFile(DataFolder("colour") + file);
    const std::shared_ptr<const ColorProfile> profile = picture.CurrentGraphic()->ConvertedProfile();
    ASSERT_NE(nullptr, profile) << file;
    ColorConversions cache;
    cache.Begin(profile);
    EXPECT_TRUE(cache.Finish(std::chrono::seconds(30))) << file;
    const std::shared_ptr<const ColorConversion> made = cache.ToSrgb(*profile);
    EXPECT_NE(nullptr, made) << file;
    EXPECT_EQ(made, cache.ToSrgb(*profile)) << file;
  }
}
