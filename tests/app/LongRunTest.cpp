// The real program on a dropped tree of folders, and on runs stopped partway
// by the keys and the close box a person would use.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "tests/app/PictureTree.h"
#include "tests/app/ProgramRun.h"
#include "tests/app/RunningProgram.h"
#include "tests/support/BoxWatcher.h"
#include "text/Utf16.h"

namespace {

// Pixels that no coder squeezes much: a cut file ends inside the picture's data.
Pixels Noise(int width, int height) {
  Pixels pixels(static_cast<size_t>(width) * height);
  DWORD state = 12345;
  for (DWORD& pixel : pixels) pixel = (state = state * 1103515245 + 12345) >> 8;
  return pixels;
}

std::string Quoted(const std::wstring& path) { return "\"" + Utf8(path) + "\""; }

// The lines of a report's paragraph that begins with the heading.
std::vector<std::string> Paragraph(const std::string& report, const std::string& heading) {
  std::vector<std::string> lines;
  size_t at = report.find(heading + "\r\n");
  if (at == std::string::npos) return lines;
  for (at += heading.size() + 2; at < report.size();) {
    const size_t end = std::min(report.find("\r\n", at), report.size());
    if (end == at) break;
    lines.push_back(report.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

}  // namespace

TEST(OnEverySystem, ADroppedTreeIsFramedFolderByFolderWithEachOutputBesideItsPicture) {
  PictureTree tree(L"アルバム");
  const Pixels gray(400 * 300, 0x808080);
  tree.Write(L"2024年\\旅行\\京都\\a.jpg", JpegFile(400, 300, gray));
  tree.Write(L"2024年\\旅行\\b.bmp", BmpFile(300, 400, gray));
  const std::vector<uint8_t> earlier = JpegFile(120, 120, gray);
  tree.Write(L"2024年\\ミロカテ ～ old.jpg", earlier);
  std::vector<uint8_t> cut = JpegFile(400, 300, Noise(400, 300));
  cut.resize(cut.size() / 3);
  tree.Write(L"cut.jpg", cut);
  tree.Write(L"メモ.jpg", {'n', 'o', 't', 'e', '\r', '\n'});
  tree.Write(L"z.jpg", JpegFile(300, 300, gray));
  ASSERT_TRUE(tree.LinkToTop(L"2024年\\旅行\\loop"));
  const std::set<std::string> before = tree.Files();

  const ProgramRun run = RunAnswering(Quoted(tree.Folder()), {VK_RETURN});
  EXPECT_EQ(0u, run.exitCode);
  ASSERT_EQ(1u, run.boxes.size());
  // Sub-folders first, deepest first, as the file browser lists them; the loop
  // is not followed, the earlier output and the text are not framed.
  EXPECT_EQ("4 枚の画像をミロカテ形式で保存しました。\r\n\r\n保存したファイル：\r\n"
            "2024年\\旅行\\京都\\ミロカテ ～ a.jpg：400 x 400\r\n2024年\\旅行\\ミロカテ ～ b.jpg：400 x 400\r\n"
            "ミロカテ ～ cut.jpg：400 x 400\r\nミロカテ ～ z.jpg：300 x 300\r\n\r\n"
            "「cut.jpg」はデータが途中で終わっていたため、画像の一部が灰色のまま保存されています。\r\n\r\n"
            "画像ではないファイル 1 個は読み飛ばしました。",
            run.boxes[0].text);
  std::set<std::string> expected = before;
  for (const char* output : {"2024年\\旅行\\京都\\ミロカテ ～ a.jpg", "2024年\\旅行\\ミロカテ ～ b.jpg",
                             "ミロカテ ～ cut.jpg", "ミロカテ ～ z.jpg"})
    expected.insert(output);
  EXPECT_EQ(expected, tree.Files());
  EXPECT_EQ(earlier, tree.Read(L"2024年\\ミロカテ ～ old.jpg"));

  // Dropped alone, the text is named as no picture, and the cut picture is
  // saved with the same note under the usual first line.
  const ProgramRun text = RunAnswering(Quoted(tree.Path(L"メモ.jpg")), {VK_RETURN});
  ASSERT_EQ(1u, text.boxes.size());
  EXPECT_EQ("「メモ.jpg」は、ミロカテで読み込める画像ではありません.", text.boxes[0].text);
  const ProgramRun alone = RunAnswering(Quoted(tree.Path(L"cut.jpg")), {VK_RETURN});
  ASSERT_EQ(1u, alone.boxes.size());
  EXPECT_EQ("400 x 400 のミロカテ形式で保存しました。\r\n"
            "「cut.jpg」はデータが途中で終わっていたため、画像の一部が灰色のまま保存されています。",
            alone.boxes[0].text);
}

TEST(LongRun, EscapeTheCloseBoxAndAltF4StopARunAfterThePictureInHand) {
  enum class Stop { kEscape, kCloseBox, kAltF4 };
  const int kPictures = 8;
  for (const Stop stop : {Stop::kEscape, Stop::kCloseBox, Stop::kAltF4}) {
    SCOPED_TRACE(static_cast<int>(stop));
    PictureTree tree(L"アルバム");
    for (int i = 1; i <= kPictures; ++i) tree.Write(L"p" + std::to_wstring(i) + L".jpg", JpegFile(320, 240, Noise(320, 240)));
    const std::set<std::string> pictures = tree.Files();
    RunningProgram program(Wide(Quoted(tree.Folder())));
    BoxWatcher watcher(program.ProcessId());
    const HWND window = program.WaitForMainWindow();
    ASSERT_NE(nullptr, window);
    // Partway: the count shows the second picture in hand.
    for (int waited = 0; WindowText(window) != "ミロカテ！ 2 / 8" && waited < 30000; waited += 10) Sleep(10);
    ASSERT_EQ("ミロカテ！ 2 / 8", WindowText(window));
    DWORD exitCode = 99;
    if (stop == Stop::kCloseBox) {
      exitCode = program.Close(window, WM_SYSCOMMAND);
    } else {
      ASSERT_TRUE(PressInFront(window, stop == Stop::kEscape ? std::vector<WORD>{VK_ESCAPE}
                                                              : std::vector<WORD>{VK_MENU, VK_F4}));
      exitCode = program.WaitForExit();
    }
    EXPECT_EQ(0u, exitCode);
    ASSERT_TRUE(watcher.WaitUntilQuiet());
    ASSERT_EQ(1u, watcher.Seen().size());
    const std::string report = watcher.Seen()[0].text;
    // The report names exactly what is on disk, beside the pictures and
    // nothing else: no half-written or temporary file.
    const std::vector<std::string> listed = Paragraph(report, "保存したファイル：");
    std::set<std::string> expected = pictures;
    for (const std::string& line : listed) expected.insert(line.substr(0, line.find("：")));
    EXPECT_EQ(expected, tree.Files());
    const int notTried = kPictures - static_cast<int>(listed.size());
    EXPECT_GE(notTried, 1);
    EXPECT_EQ(0u, report.find("途中で止めました。まだ試していない画像が " + std::to_string(notTried) + " 枚あります。\r\n" +
                              std::to_string(listed.size()) + " 枚の画像をミロカテ形式で保存しました。"))
        << report;
  }
}

TEST(LongRun, APictureOnItsOwnStoppedDuringItsSlideEndsWithNothingWritten) {
  PictureTree tree(L"アルバム");
  // Large enough that making it ready outlasts the test's reaction: the key
  // comes before the window reaches the centre.
  tree.Write(L"big.jpg", JpegFile(3000, 2000, Noise(3000, 2000)));
  RunningProgram program(Wide(Quoted(tree.Path(L"big.jpg"))));
  BoxWatcher watcher(program.ProcessId());
  const HWND window = program.WaitForMainWindow();
  ASSERT_NE(nullptr, window);
  EXPECT_EQ("ミロカテ！", WindowText(window)) << "a picture on its own has no count";
  PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_EQ(0u, program.WaitForExit());
  ASSERT_TRUE(watcher.WaitUntilQuiet());
  EXPECT_TRUE(watcher.Seen().empty());
  EXPECT_EQ(std::set<std::string>{"big.jpg"}, tree.Files());
}
