// A TIFF's structure checked before a decoder sees it, on files ImageMagick made
// (tests/data/tiff and wic) and on copies with one fault each.
#include <gtest/gtest.h>

#include "picture/metadata/TiffCheck.h"
#include "picture/readers/wic/WicStream.h"
#include "tests/support/ReferencePictures.h"

using reference_pictures::DataFolder;

TEST(TiffCheck, SoundFilesPassWithTheirOrientationAndDamagedOnesDoNot) {
  const struct {
    const char* folder;
    const char* name;
    bool sound;
    int orientation;
    bool uncommonVariant;
  } cases[] = {
      {"tiff", "little-endian.tif", true, 1, false},
      {"tiff", "big-endian-6.tif", true, 6, false},
      {"tiff", "associated-alpha-16.tif", true, 1, false},
      {"tiff", "jpeg.tif", true, 1, true},
      {"tiff", "big.tif", true, 1, true},
      {"tiff", "planar.tif", true, 1, true},
      {"wic", "pages.tif", true, 1, false},
      {"wic", "deep.tif", true, 1, false},
      {"wic", "turned-6.tif", true, 6, false},
      {"tiff", "damaged-ifd-loop.tif", false, 1, false},
      {"tiff", "damaged-ifd-outside.tif", false, 1, false},
      {"tiff", "damaged-entries-past-end.tif", false, 1, false},
      {"tiff", "damaged-unknown-type.tif", false, 1, false},
      {"tiff", "damaged-value-past-end.tif", false, 1, false},
  };
  for (const auto& c : cases) {
    const TTiffFacts facts = CheckTiff(ComStreamOnFile(DataFolder(c.folder) + c.name).get());
    EXPECT_EQ(c.sound, facts.sound) << c.name;
    if (!c.sound) continue;
    EXPECT_EQ(c.orientation, facts.orientation) << c.name;
    EXPECT_EQ(c.uncommonVariant, facts.uncommonVariant) << c.name;
  }
}
