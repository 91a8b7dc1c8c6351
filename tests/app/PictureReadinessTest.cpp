// The real program on pictures whose header reads but whose pixels may not: a
// picture that cannot be made ready is reported and never saved; a picture whose
// header promises more than its data holds is still shown and saved.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/app/ProgramRun.h"
#include "tests/app/RunningProgram.h"
#include "tests/support/ReferencePictures.h"
#include "tests/support/BoxWatcher.h"

namespace {

using Outcome = ProgramRun;

// Runs the program on the pictures, answering every box with Enter.
Outcome RunOn(const std::vector<std::string>& pictures) {
  std::string arguments;
  for (const std::string& picture : pictures) arguments += (arguments.empty() ? "\"" : " \"") + picture + "\"";
  return RunAnswering(arguments, {VK_RETURN});
}

Outcome RunOn(const std::string& picture) { return RunOn(std::vector<std::string>{picture}); }

// A small flat picture's file, with the start-of-frame marker changed and the
// size it announces replaced.
std::vector<uint8_t> AlteredJpeg(int marker, int width, int height) {
  const Pixels pixels(64 * 48, 0x406080);
  std::vector<uint8_t> file = JpegFile(64, 48, pixels);
  for (size_t i = 2; i + 8 < file.size(); ++i) {
    if (file[i] == 0xFF && file[i + 1] == 0xC0) {
      file[i + 1] = static_cast<uint8_t>(marker);
      file[i + 5] = static_cast<uint8_t>(height >> 8);
      file[i + 6] = static_cast<uint8_t>(height);
      file[i + 7] = static_cast<uint8_t>(width >> 8);
      file[i + 8] = static_cast<uint8_t>(width);
      break;
    }
  }
  return file;
}

}  // namespace

TEST(PictureReadiness, APictureThatCannotBeDecodedIsReportedAndNothingIsSaved) {
  PictureFolder folder;
  // Marked progressive while its scan is a baseline one: the header reads, the
  // decode fails.
  const std::string picture = folder.Write("damaged.jpg", AlteredJpeg(0xC2, 64, 48));
  const Outcome run = RunOn(picture);
  EXPECT_EQ(0u, run.exitCode);
  ASSERT_EQ(1u, run.boxes.size()) << "the failure alone, no report of a save";
  EXPECT_EQ(0u, run.boxes[0].text.rfind("JPEG エラー #", 0)) << run.boxes[0].text;
  EXPECT_FALSE(folder.HoldsSavedPicture());
}

TEST(PictureReadiness, AHugeHeaderOverShortDataIsStillAPictureAndIsSaved) {
  PictureFolder folder;
  // 30000 by 30000 announced over the data of 64 by 48: the library completes
  // what is missing with its warning only, at the reduced scale the window needs.
  const std::string picture = folder.Write("huge.jpg", AlteredJpeg(0xC0, 30000, 30000));
  const std::string output = folder.Expect("ミロカテ ～ huge.jpg");
  const Outcome run = RunOn(picture);
  EXPECT_EQ(0u, run.exitCode);
  ASSERT_EQ(1u, run.boxes.size());
  EXPECT_EQ("600 x 600 のミロカテ形式で保存しました。", run.boxes[0].text);
  int width = 0, height = 0;
  EXPECT_FALSE(DecodeJpeg(ReadWholeFile(output), width, height).empty());
  EXPECT_EQ(600, width);
  EXPECT_EQ(600, height);
}

TEST(PictureReadiness, ADamagedPictureShownEnlargedIsToldOnceAndTheRunGoesOn) {
  // Strips that break off: the header reads, the pixels do not. Shown enlarged,
  // the decode used to wait for the first paint, and each paint told it again.
  for (const std::string name : {"damaged-60x40.tif", "damaged-100x70.tif"}) {
    PictureFolder folder;
    const std::string picture =
        folder.Write(name, reference_pictures::FileBytes(reference_pictures::DataFolder("wic") + name));
    const Outcome alone = RunOn(picture);
    EXPECT_EQ(0u, alone.exitCode) << name;
    ASSERT_EQ(1u, alone.boxes.size()) << name;
    EXPECT_NE(std::string::npos, alone.boxes[0].text.find("「" + name + "」を TIFF 形式")) << alone.boxes[0].text;

    // Among others it stops nothing, and the one report lists it.
    const std::string sound = folder.Write("sound.jpg", AlteredJpeg(0xC0, 64, 48));
    folder.Expect("ミロカテ ～ sound.jpg");
    const Outcome run = RunOn({picture, sound});
    EXPECT_EQ(0u, run.exitCode) << name;
    ASSERT_EQ(1u, run.boxes.size()) << name;
    const std::string& report = run.boxes[0].text;
    EXPECT_EQ(0u, report.rfind("2 枚のうち 1 枚の画像をミロカテ形式で保存しました。", 0)) << report;
    EXPECT_NE(std::string::npos, report.find("\r\n" + name + "：TIFF 形式")) << report;
    EXPECT_TRUE(folder.HoldsSavedPicture());
  }
}
