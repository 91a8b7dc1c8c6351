// The real program, started as a user would start it, watched from outside.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/app/RunningProgram.h"
#include "tests/support/BoxWatcher.h"
#include "ui/ControlLookup.h"

namespace {

// Long enough for a file header, but not a bitmap's.
const std::vector<uint8_t> kNotABitmap(64, 'x');

// The failure display ends each message with a full stop.
std::vector<std::string> Stopped(const std::string& text) { return {text + "."}; }

// Runs the program with the arguments, answers every box with Enter, and gives
// the texts of the boxes it showed once it has ended by itself.
std::vector<std::string> BoxesShownFor(const std::string& arguments) {
  RunningProgram program(arguments);
  EXPECT_TRUE(program.Started());
  BoxWatcher watcher(program.ProcessId());
  EXPECT_EQ(0u, program.WaitForExit()) << arguments;
  EXPECT_TRUE(watcher.WaitUntilQuiet());
  std::vector<std::string> texts;
  for (const SeenBox& box : watcher.Seen()) texts.push_back(box.text);
  return texts;
}

}  // namespace

TEST(Program, ShowsABlackStayOnTopToolWindowAndEndsWithZeroWhenClosed) {
  PictureFolder pictures;
  const std::string path = pictures.Write("large.bmp", BmpFile(640, 640, Pixels(640 * 640, 0x808080)));
  // Closed from outside the process, once by message and once as the close box does.
  for (const UINT closing : {static_cast<UINT>(WM_CLOSE), static_cast<UINT>(WM_SYSCOMMAND)}) {
    SCOPED_TRACE(closing);
    RunningProgram program("\"" + path + "\"");
    ASSERT_TRUE(program.Started());
    const HWND window = program.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(WindowText(window), "ミロカテ！");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & ~WS_VISIBLE, 0x06C80000u);
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    // A picture whose shorter side is 600 or more keeps the designed client area.
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 600);
    EXPECT_EQ(client.bottom, 600);
    EXPECT_EQ(program.Close(window, closing), 0u);
  }
  EXPECT_FALSE(pictures.HoldsSavedPicture()) << "closed before arriving, nothing is saved";
}

TEST(PictureArgument, ArgumentsSplitAtBlanksAreJoinedAgainToNameThePicture) {
  PictureFolder pictures;
  const std::string path = pictures.Write("broken.BMP", kNotABitmap);
  const std::vector<std::string> broken{"ビットマップイメージが不正です."};
  // Unquoted: the command line splits the path at its blanks, the program joins it.
  EXPECT_EQ(BoxesShownFor(path), broken);
  // Quoted: one argument holding the blanks.
  EXPECT_EQ(BoxesShownFor("\"" + path + "\""), broken);
}

TEST(PictureArgument, WhatNothingRecognisesIsRefusedByItsExtension) {
  PictureFolder pictures;
  // Content no reader knows, under the name of a format the system reads: that
  // reader's verdict on a damaged file.
  for (const char* name : {"a.gif", "a.png"}) {
    const std::string path = pictures.Write(name, kNotABitmap);
    const std::vector<std::string> boxes = BoxesShownFor("\"" + path + "\"");
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(0u, boxes[0].find(std::string("「") + name + "」を ")) << boxes[0];
  }
  // Refused by extension: said so in a stop box, and the program ends.
  for (const char* name : {"a.jpe", "a.dib"}) {
    const std::string path = pictures.Write(name, kNotABitmap);
    const std::string extension = std::string(name).substr(2);
    EXPECT_EQ(BoxesShownFor("\"" + path + "\""), Stopped("拡張子 ." + extension + " の画像形式は処理できません"));
  }
  // A name without extension, or ending in a dot, has the empty extension.
  for (const char* name : {"noextension", "dotted."}) {
    const std::string path = pictures.Write(name, kNotABitmap);
    EXPECT_EQ(BoxesShownFor("\"" + path + "\""), Stopped("拡張子 . の画像形式は処理できません"));
  }
  const std::string missing = pictures.Folder() + "\\missing.bmp";
  EXPECT_EQ(BoxesShownFor("\"" + missing + "\""), Stopped("ファイル " + missing + " は開けません"));
  // Accepted in any case: loading is tried, and this content fails to load.
  for (const char* name : {"b.bmp", "c.Bmp", "d.JPEG", "e.jpg"}) {
    const std::string path = pictures.Write(name, kNotABitmap);
    EXPECT_EQ(BoxesShownFor("\"" + path + "\"").size(), 1u) << name;
  }
}

TEST(PictureArgument, AnEmptyFileIsRefusedWithItsFormatsVerdict) {
  PictureFolder pictures;
  // Both formats load an empty file as a picture without pixels; nothing could be
  // saved, so the user is told why, and the program ends as after a damaged file.
  EXPECT_EQ(BoxesShownFor("\"" + pictures.Write("empty.jpg", {}) + "\""), Stopped("JPEG エラー #41"));
  EXPECT_EQ(BoxesShownFor("\"" + pictures.Write("empty.bmp", {}) + "\""), Stopped("ビットマップイメージが不正です"));
  EXPECT_FALSE(pictures.HoldsSavedPicture());
}

TEST(Program, AnotherProcesssWindowIsNeverTakenForAControlOfOurs) {
  // Window properties can be read from any process: a second copy of the program
  // (or this test) must not take the first one's control address for its own.
  PictureFolder pictures;
  const std::string path = pictures.Write("other.bmp", BmpFile(640, 640, Pixels(640 * 640, 0x808080)));
  RunningProgram program("\"" + path + "\"");
  ASSERT_TRUE(program.Started());
  const HWND window = program.WaitForMainWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(FindControl(window), nullptr);
  RECT rect;
  GetWindowRect(window, &rect);
  const POINT inside{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  if (WindowFromPoint(inside) == window) {
    EXPECT_EQ(FindControlAtPoint(inside), nullptr);
  }
  EXPECT_EQ(program.Close(window), 0u);
}
