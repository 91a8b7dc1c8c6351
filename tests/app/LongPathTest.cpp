// The real program on pictures whose paths, or whose outputs' paths, are longer
// than the file calls take (259 characters).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/app/RunningProgram.h"
#include "tests/support/BoxWatcher.h"
#include "tests/support/LongFolder.h"

namespace {

struct FinishedRun {
  DWORD exitCode = 99;
  std::vector<SeenBox> boxes;
};

// Runs the program to its end, answering every box with Enter.
FinishedRun RunToEnd(const std::string& arguments) {
  FinishedRun run;
  RunningProgram program(arguments);
  EXPECT_TRUE(program.Started());
  BoxWatcher watcher(program.ProcessId());
  run.exitCode = program.WaitForExit(60000);
  EXPECT_TRUE(watcher.WaitUntilQuiet());
  run.boxes = watcher.Seen();
  return run;
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

}  // namespace

TEST(LongPath, APictureOrAnOutputBeyondTheFileCallsIsToldByNameAndLeavesNothing) {
  const std::vector<uint8_t> picture = BmpFile(160, 120, Pixels(160 * 120, 0x808080));
  // 298 characters: the picture itself cannot be opened.
  const LongFolder beyond(289);
  ASSERT_TRUE(beyond.Write("far.bmp", picture));
  const std::string farPath = beyond.Path() + "\\far.bmp";
  // 259 characters: the picture opens, but its output's path is 267 long.
  const LongFolder within(250);
  ASSERT_TRUE(within.Write("near.bmp", picture));
  const std::string nearOutput = within.Path() + "\\ミロカテ ～ near.jpg";
  PictureFolder normal;
  const std::string normalPath = normal.Write("normal.bmp", picture);
  normal.Expect("ミロカテ ～ normal.jpg");

  // Alone: one box names it, and the program ends.
  const FinishedRun alone = RunToEnd(Quoted(farPath));
  EXPECT_EQ(0u, alone.exitCode);
  ASSERT_EQ(1u, alone.boxes.size());
  EXPECT_EQ("ファイル " + farPath + " は開けません.", alone.boxes[0].text);

  // Among others: the run goes on, and the report names each.
  const FinishedRun run = RunToEnd(Quoted(farPath) + " " + Quoted(within.Path() + "\\near.bmp") + " " + Quoted(normalPath));
  EXPECT_EQ(0u, run.exitCode);
  ASSERT_EQ(1u, run.boxes.size());
  EXPECT_EQ("3 枚のうち 1 枚の画像をミロカテ形式で保存しました。\r\n\r\n保存したファイル：\r\n"
            "ミロカテ ～ normal.jpg：160 x 160\r\n\r\n保存できなかった画像：\r\n"
            "far.bmp：ファイル " + farPath + " は開けません\r\n"
            "near.bmp：ファイル " + nearOutput + " を作成できません",
            run.boxes[0].text);
  EXPECT_TRUE(normal.HoldsSavedPicture());
  // Neither a temporary file nor a part of an output is left.
  EXPECT_EQ(std::vector<std::string>{"far.bmp"}, beyond.Names());
  EXPECT_EQ(std::vector<std::string>{"near.bmp"}, within.Names());
}
