// The real program on HEIC and AVIF pictures (tests/data/heif): alone, in a
// folder, under another format's name, and cut short; the saved picture holds
// the library's own decode, upright.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "tests/app/ProgramRun.h"
#include "tests/support/ReferencePictures.h"

namespace {

using reference_pictures::DataFolder;

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

int Brightest(DWORD pixel) {
  return std::max({reference_pictures::Channel(pixel, 0), reference_pictures::Channel(pixel, 8),
                   reference_pictures::Channel(pixel, 16)});
}

// How far the saved picture is from the reference at six points inside it, away
// from the pictures' sharp edge. The picture is found in the saved square as the
// bounds of what is not black (no test picture here has black parts).
int FarthestFromReference(const std::string& saved, const std::string& reference) {
  int width = 0, height = 0;
  const Pixels pixels = DecodeJpeg(ReadWholeFile(saved), width, height);
  const reference_pictures::Picture expected = reference_pictures::ReadPpm(DataFolder("heif") + reference);
  if (pixels.empty() || expected.width == 0) return 999;
  int left = width, top = height, right = -1, bottom = -1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (Brightest(pixels[static_cast<size_t>(y) * width + x]) <= 32) continue;
      left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
    }
  }
  if (right < left) return 999;
  int farthest = 0;
  const double points[][2] = {{0.5, 0.5}, {0.75, 0.5}, {0.25, 0.75}, {0.5, 0.75}, {0.75, 0.75}, {0.75, 0.25}};
  for (const auto& point : points) {
    const DWORD want = expected.At(static_cast<int>(point[0] * expected.width),
                                   static_cast<int>(point[1] * expected.height));
    const int x = left + static_cast<int>(point[0] * (right - left + 1));
    const int y = top + static_cast<int>(point[1] * (bottom - top + 1));
    const DWORD got = pixels[static_cast<size_t>(y) * width + x];
    for (int shift : {0, 8, 16})
      farthest = std::max(farthest, std::abs(reference_pictures::Channel(got, shift) -
                                             reference_pictures::Channel(want, shift)));
  }
  return farthest;
}

}  // namespace

TEST(HeifProgram, ATurnedHeicAloneIsSavedUprightAsTheLibrarysDecoderShowsIt) {
  PictureFolder folder;
  const std::string picture = folder.Write("turned.heic", ReadWholeFile(DataFolder("heif") + "turned.heic"));
  const std::string output = folder.Expect("ミロカテ ～ turned.jpg");
  const ProgramRun run = RunAnswering(Quoted(picture), {VK_RETURN});
  EXPECT_EQ(0u, run.exitCode);
  ASSERT_EQ(1u, run.boxes.size());
  EXPECT_NE(std::string::npos, run.boxes[0].text.find("のミロカテ形式で保存しました。")) << run.boxes[0].text;
  // The gradient's corners are far apart: a picture not turned, or turned twice, misses by far more.
  EXPECT_LE(FarthestFromReference(output, "turned-heic.ppm"), 24);
}

TEST(HeifProgram, AFolderOfHeicAndAvifAndAnAvifNamedJpgAreAllSaved) {
  PictureFolder folder;
  const std::string data = DataFolder("heif");
  folder.Write("grid.heic", ReadWholeFile(data + "grid.heic"));
  folder.Write("deep.avif", ReadWholeFile(data + "photo-10bit.avif"));
  folder.Write("named.jpg", ReadWholeFile(data + "photo.avif"));
  const std::string outputs[] = {folder.Expect("ミロカテ ～ grid.jpg"), folder.Expect("ミロカテ ～ deep.jpg"),
                                 folder.Expect("ミロカテ ～ named.jpg")};
  const ProgramRun run = RunAnswering(Quoted(folder.Folder()), {VK_RETURN});
  EXPECT_EQ(0u, run.exitCode);
  ASSERT_EQ(1u, run.boxes.size());
  EXPECT_EQ(0u, run.boxes[0].text.rfind("3 枚の画像をミロカテ形式で保存しました。", 0)) << run.boxes[0].text;
  EXPECT_LE(FarthestFromReference(outputs[0], "grid-heic.ppm"), 24);
  EXPECT_LE(FarthestFromReference(outputs[1], "photo-10bit-avif.ppm"), 24);
  EXPECT_LE(FarthestFromReference(outputs[2], "photo-avif.ppm"), 24);
}

TEST(HeifProgram, ACutHeicGetsTheDamagedPictureBoxNamingItAndNothingIsSaved) {
  PictureFolder folder;
  std::vector<uint8_t> bytes = ReadWholeFile(DataFolder("heif") + "photo.heic");
  bytes.resize(bytes.size() / 2);
  const std::string picture = folder.Write("cut.heic", bytes);
  const ProgramRun run = RunAnswering(Quoted(picture), {VK_RETURN});
  ASSERT_EQ(1u, run.boxes.size());
  EXPECT_EQ("「cut.heic」を HEIF 形式の画像として読み込めませんでした。ファイルが壊れているか、途中で切れている可能性があります.",
            run.boxes[0].text) << "the box ends the message with a full stop";
  EXPECT_FALSE(folder.HoldsSavedPicture());
}
