// The program on a Windows of another language. CTest runs these cases again in
// Wine prefixes of other locales (MIROKATE_LOCALE, see scripts/wine-runner), whose
// code pages cannot spell Japanese and which have no Japanese layout font: every
// box still reads in Japanese as written, every output is named
// "ミロカテ ～ <name>.jpg", earlier outputs are left alone, and a big picture's
// window and output stay 600 by 600.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/app/ProgramRun.h"

namespace {

struct SystemLocale {
  const char* name;
  UINT codePage;
};

const SystemLocale kLocales[] = {
    {"ja_JP.UTF-8", 932}, {"en_US.UTF-8", 1252}, {"de_DE.UTF-8", 1252}, {"ko_KR.UTF-8", 949}, {"zh_CN.UTF-8", 936},
};

std::string LocaleName() {
  char name[64] = {};
  const DWORD length = GetEnvironmentVariableA("MIROKATE_LOCALE", name, sizeof name);
  return length > 0 && length < sizeof name ? name : "ja_JP.UTF-8";
}

// Bigger than the window on both sides.
std::vector<uint8_t> BigPicture(bool bmp) {
  const Pixels gray(1200 * 900, 0x808080);
  return bmp ? BmpFile(1200, 900, gray) : JpegFile(1200, 900, gray);
}

}  // namespace

TEST(OnEverySystem, TheCodePageIsTheLocales) {
  const std::string locale = LocaleName();
  for (const SystemLocale& known : kLocales) {
    if (locale == known.name) {
      EXPECT_EQ(known.codePage, GetACP()) << locale;
      return;
    }
  }
  FAIL() << "no code page known for " << locale;
}

TEST(OnEverySystem, WithoutAPictureTheBoxesReadInJapanese) {
  const ProgramRun run = RunAnswering("", {VK_RETURN, 'N'});
  EXPECT_EQ(0u, run.exitCode);
  ASSERT_EQ(2u, run.boxes.size());
  EXPECT_EQ("ミロカテ", run.boxes[0].caption);
  EXPECT_EQ("アイコン（実行ファイル）上に画像ファイルをドロップしてください。", run.boxes[0].text);
  EXPECT_EQ("確認", run.boxes[1].caption);
  EXPECT_EQ("インフォメーションを参照しますか？", run.boxes[1].text);
  EXPECT_EQ((std::vector<std::string>{"はい(Y)", "いいえ(N)"}), run.boxes[1].buttons);
}

TEST(OnEverySystem, APictureNamedInAnyScriptIsSavedBesideItselfAt600By600) {
  PictureFolder folder("写真 é 한 😀");
  const struct {
    const char* name;
    const char* output;
  } pictures[] = {
      {"海の写真.jpg", "ミロカテ ～ 海の写真.jpg"},
      {"한국어 사진.bmp", "ミロカテ ～ 한국어 사진.jpg"},
      {"😀 smile.jpeg", "ミロカテ ～ 😀 smile.jpg"},
      {"café.JPG", "ミロカテ ～ café.jpg"},
  };
  for (const auto& picture : pictures) {
    SCOPED_TRACE(picture.name);
    const std::string name(picture.name);
    const std::string path = folder.Write(name, BigPicture(name.find(".bmp") != std::string::npos));
    const std::string output = folder.Expect(picture.output);
    const ProgramRun run = RunAnswering("\"" + path + "\"", {VK_RETURN});
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ("ミロカテ！", run.title);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ("600 x 600 のミロカテ形式で保存しました。", run.boxes[0].text);
    const SIZE saved = SavedSize(output);
    EXPECT_EQ(600, saved.cx);
    EXPECT_EQ(600, saved.cy);
  }
}

TEST(OnEverySystem, EarlierOutputsInAFolderAreNeverFramedAgain) {
  PictureFolder folder("출력 é");
  folder.Write("1 海 é.jpg", BigPicture(false));
  folder.Write("2 한 😀.bmp", BigPicture(true));
  folder.Write("ミロカテ ～ 1 海 é.jpg", JpegFile(600, 600, Pixels(600 * 600, 0)));
  folder.Write("ミロカテ ～ 2 한 😀.jpg", JpegFile(600, 600, Pixels(600 * 600, 0)));
  folder.Expect("ミロカテ ～ ミロカテ ～ 1 海 é.jpg");
  folder.Expect("ミロカテ ～ ミロカテ ～ 2 한 😀.jpg");
  const ProgramRun run = RunAnswering("\"" + folder.Folder() + "\"", {VK_RETURN});
  EXPECT_EQ(0u, run.exitCode);
  ASSERT_EQ(1u, run.boxes.size());
  EXPECT_EQ("2 枚の画像をミロカテ形式で保存しました。\r\n\r\n保存したファイル：\r\n"
            "ミロカテ ～ 1 海 é.jpg：600 x 600\r\nミロカテ ～ 2 한 😀.jpg：600 x 600",
            run.boxes[0].text);
  EXPECT_TRUE(ReadWholeFile(folder.Folder() + "\\ミロカテ ～ ミロカテ ～ 1 海 é.jpg").empty());
  EXPECT_EQ(600, SavedSize(folder.Folder() + "\\ミロカテ ～ 2 한 😀.jpg").cx);
}
