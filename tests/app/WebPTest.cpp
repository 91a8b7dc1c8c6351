// The real program on WebP pictures, alone, in a folder and under another
// format's name: each is framed as dwebp decodes it, laid over black
// (tests/data/webp), and a damaged one is named in the report.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/app/ProgramRun.h"
#include "tests/support/FittedPicture.h"

namespace {

// The saved frame's picture against the reference; printed for the record.
double FramedDifference(const std::string& output, const std::string& reference) {
  int width = 0, height = 0;
  const Pixels saved = DecodeJpeg(ReadWholeFile(output), width, height);
  const double difference =
      reference_pictures::FittedDifference(saved, width, height, reference_pictures::ReadPpm(reference));
  std::printf("%-40s %dx%d, largest difference %.0f\n", reference.substr(reference.rfind('\\') + 1).c_str(), width,
              height, difference);
  return difference;
}

}  // namespace

TEST(WebP, APictureAloneInAFolderAndUnderAnotherNameIsFramedAsDwebpDecodesIt) {
  // A JPEG saved at quality 80 after a stretch: its even parts stay within 21
  // levels of the reference (measured); a picture not laid over black, turned
  // wrongly or of another frame is 60 and more away.
  constexpr double kTolerance = 24;
  const std::string data = reference_pictures::DataFolder("webp");
  {
    PictureFolder alone;
    const std::string picture = alone.Write("turned-6.webp", ReadWholeFile(data + "turned-6.webp"));
    const std::string output = alone.Expect("ミロカテ ～ turned-6.jpg");
    const ProgramRun run = RunAnswering("\"" + picture + "\"", {VK_RETURN});
    EXPECT_EQ(0u, run.exitCode);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_NE(std::string::npos, run.boxes[0].text.find("のミロカテ形式で保存しました")) << run.boxes[0].text;
    EXPECT_LE(FramedDifference(output, data + "turned-6.ppm"), kTolerance);
  }
  PictureFolder folder("WebP");
  const struct {
    const char* name;
    const char* file;
    const char* reference;
  } cases[] = {{"lossy.webp", "lossy.webp", "lossy"},
               {"holed.png", "alpha-lossless.webp", "alpha-lossless"},
               {"animated.webp", "animated.webp", "animated"},
               {"adobe.webp", "adobe.webp", "adobe"}};
  for (const auto& c : cases) folder.Write(c.name, ReadWholeFile(data + c.file));
  std::vector<uint8_t> cut = ReadWholeFile(data + "alpha-lossy.webp");
  cut.resize(cut.size() / 2);
  folder.Write("cut.webp", cut);
  const ProgramRun run = RunAnswering("\"" + folder.Folder() + "\"", {VK_RETURN});
  EXPECT_EQ(0u, run.exitCode);
  ASSERT_EQ(1u, run.boxes.size());
  const std::string& report = run.boxes[0].text;
  EXPECT_EQ(0u, report.find("5 枚のうち 4 枚の画像をミロカテ形式で保存しました。")) << report;
  EXPECT_NE(std::string::npos,
            report.find("cut.webp：WebP 形式の画像として読み込めませんでした。")) << report;
  for (const auto& c : cases) {
    std::string stem = c.name;
    stem = stem.substr(0, stem.find('.'));
    const std::string output = folder.Expect("ミロカテ ～ " + stem + ".jpg");
    EXPECT_LE(FramedDifference(output, data + c.reference + ".ppm"), kTolerance) << c.name;
  }
}
