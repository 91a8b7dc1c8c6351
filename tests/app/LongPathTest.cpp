// The real program on pictures at paths longer than Windows' file calls take
// without a prefix (259 characters), alone and in a folder run.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/app/ProgramRun.h"
#include "tests/app/RunningProgram.h"
#include "tests/support/BoxWatcher.h"
#include "tests/support/LongFolder.h"

namespace {

// Runs the program to its end, answering every box with Enter.
ProgramRun RunToEnd(const std::string& arguments) { return RunAnswering(arguments, {VK_RETURN}); }

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

const std::string kOutput = "ミロカテ ～ p.jpg";

// The folder holds the picture and its output, framed 160x160 as the JPEG
// library reads it, and no temporary file.
void ExpectSaved(const LongFolder& folder) {
  EXPECT_EQ((std::vector<std::string>{"p.bmp", kOutput}), folder.Names());
  int width = 0, height = 0;
  EXPECT_FALSE(DecodeJpeg(folder.Read(kOutput), width, height).empty());
  EXPECT_EQ(160, width);
  EXPECT_EQ(160, height);
}

}  // namespace

TEST(LongPath, PicturesAtAnyPathLengthAreSavedAloneAndInAFolderRun) {
  const std::vector<uint8_t> picture = BmpFile(160, 120, Pixels(160 * 120, 0x808080));
  std::vector<std::unique_ptr<LongFolder>> folders;
  std::string folderRun;
  for (const size_t length : {259u, 260u, 300u, 2000u}) {
    SCOPED_TRACE(length);
    folders.push_back(std::make_unique<LongFolder>(length - 6));
    const LongFolder& folder = *folders.back();
    ASSERT_TRUE(folder.Write("p.bmp", picture));
    const std::string path = folder.Path() + "\\p.bmp";
    ASSERT_EQ(length, path.size());
    folderRun += Quoted(folder.Path()) + " ";

    const ProgramRun alone = RunToEnd(Quoted(path));
    EXPECT_EQ(0u, alone.exitCode);
    ASSERT_EQ(1u, alone.boxes.size());
    EXPECT_EQ("160 x 160 のミロカテ形式で保存しました。", alone.boxes[0].text);
    ExpectSaved(folder);
  }

  // The four folders in one run: each earlier output is left out as a picture
  // and replaced, being in the way of none of the run's own.
  const ProgramRun run = RunToEnd(folderRun);
  EXPECT_EQ(0u, run.exitCode);
  ASSERT_EQ(1u, run.boxes.size());
  EXPECT_EQ("4 枚の画像をミロカテ形式で保存しました。\r\n\r\n保存したファイル：\r\n" + kOutput + "：160 x 160\r\n" + kOutput +
                "：160 x 160\r\n" + kOutput + "：160 x 160\r\n" + kOutput + "：160 x 160",
            run.boxes[0].text);
  for (const auto& folder : folders) ExpectSaved(*folder);
}

TEST(LongPath, AnOutputNameTheFileSystemRefusesIsToldByNameAndNothingIsWritten) {
  const std::vector<uint8_t> picture = BmpFile(160, 120, Pixels(160 * 120, 0x808080));
  // The picture's name fits a folder entry (254 characters); its output's, 260
  // long, does not.
  const std::string stem(250, 'n');
  const LongFolder folder(300);
  ASSERT_TRUE(folder.Write(stem + ".bmp", picture));
  const std::string output = folder.Path() + "\\ミロカテ ～ " + stem + ".jpg";
  PictureFolder normal;
  const std::string normalPath = normal.Write("normal.bmp", picture);
  normal.Expect("ミロカテ ～ normal.jpg");

  {
    // Alone, the box names the output, and the window waits to be closed.
    RunningProgram program(Quoted(folder.Path() + "\\" + stem + ".bmp"));
    ASSERT_TRUE(program.Started());
    BoxWatcher watcher(program.ProcessId());
    ASSERT_TRUE(watcher.WaitFor(1, 15000));
    EXPECT_EQ("ファイル " + output + " を作成できません.", watcher.Seen()[0].text);
  }

  // Among others the run goes on, and the report names it.
  const ProgramRun run = RunToEnd(Quoted(folder.Path()) + " " + Quoted(normalPath));
  EXPECT_EQ(0u, run.exitCode);
  ASSERT_EQ(1u, run.boxes.size());
  EXPECT_EQ("2 枚のうち 1 枚の画像をミロカテ形式で保存しました。\r\n\r\n保存したファイル：\r\n"
            "ミロカテ ～ normal.jpg：160 x 160\r\n\r\n保存できなかった画像：\r\n" +
                stem + ".bmp：ファイル ミロカテ ～ " + stem + ".jpg を作成できません",
            run.boxes[0].text);
  EXPECT_TRUE(normal.HoldsSavedPicture());
  // Neither a temporary file nor a part of an output is left.
  EXPECT_EQ(std::vector<std::string>{stem + ".bmp"}, folder.Names());
}
