// The real program, started as a user would start it, watched from outside.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/app/RunningProgram.h"
#include "tests/support/BoxWatcher.h"
#include "text/Utf16.h"
#include "ui/ControlLookup.h"

namespace {

// Long enough for a file header, but no format's.
const std::vector<uint8_t> kNotABitmap(64, 'x');

std::vector<std::string> NoPicture(const std::string& name) {
  return {"「" + name + "」は、ミロカテで読み込める画像ではありません."};
}

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
  std::vector<uint8_t> brokenBitmap = kNotABitmap;
  brokenBitmap[0] = 'B';
  brokenBitmap[1] = 'M';
  const std::string path = pictures.Write("broken.BMP", brokenBitmap);
  const std::vector<std::string> broken{"ビットマップイメージが不正です."};
  // Unquoted: the command line splits the path at its blanks, the program joins it.
  EXPECT_EQ(BoxesShownFor(path), broken);
  // Quoted: one argument holding the blanks.
  EXPECT_EQ(BoxesShownFor("\"" + path + "\""), broken);
}

TEST(PictureArgument, WhatMatchesNoFormatIsNamedAsNoPictureWhateverItsName) {
  PictureFolder pictures;
  // Content no reader knows, under the name of a format read by the system, by
  // the program, or by nothing: a stop box names it, and the program ends.
  for (const char* name : {"a.gif", "a.png", "a.jpe", "a.dib", "a.xyz", "noextension"}) {
    const std::string path = pictures.Write(name, kNotABitmap);
    EXPECT_EQ(BoxesShownFor("\"" + path + "\""), NoPicture(name));
  }
  const std::string missing = pictures.Folder() + "\\missing.bmp";
  EXPECT_EQ(BoxesShownFor("\"" + missing + "\""), Stopped("ファイル " + missing + " は開けません"));
  // One that another program holds, sharing it with nobody, cannot be opened
  // either, whatever its name.
  const std::string held = pictures.Write("held.xyz", kNotABitmap);
  const HANDLE holder = CreateFileW(Wide(held).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, holder);
  EXPECT_EQ(BoxesShownFor("\"" + held + "\""), Stopped("ファイル " + held + " は開けません"));
  CloseHandle(holder);
  // Accepted in any case: loading is tried, and this content fails to load.
  for (const char* name : {"b.bmp", "c.Bmp", "d.JPEG", "e.jpg"}) {
    const std::string path = pictures.Write(name, kNotABitmap);
    EXPECT_EQ(BoxesShownFor("\"" + path + "\"").size(), 1u) << name;
  }
}

TEST(PictureArgument, AnEmptyFileIsNamedAsNoPicture) {
  PictureFolder pictures;
  // It holds no picture of any format; the program ends as after a damaged file.
  EXPECT_EQ(BoxesShownFor("\"" + pictures.Write("empty.jpg", {}) + "\""), NoPicture("empty.jpg"));
  EXPECT_EQ(BoxesShownFor("\"" + pictures.Write("empty.bmp", {}) + "\""), NoPicture("empty.bmp"));
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
