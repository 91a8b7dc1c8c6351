// The real program on several pictures at once, and on names in scripts the
// ANSI code page cannot spell, in folders named the same way.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/app/PictureTree.h"
#include "tests/app/RunningProgram.h"
#include "tests/support/ReferencePictures.h"
#include "tests/support/BoxWatcher.h"
#include "text/Utf16.h"

namespace {

// A fresh folder whose name holds characters of several scripts, removed with
// everything in it.
class WideFolder : public PictureTree {
public:
  WideFolder() : PictureTree(L"Ünïcödé 폴더 😀") {}
};

struct ProgramRun {
  DWORD exitCode = 99;
  std::vector<SeenBox> boxes;
  // How often the window came in from outside the screen, and how often it
  // showed part of itself and went out again without coming in.
  int arrivals = 0;
  int peeks = 0;
};

// Both counts along every place the window took, from when it first was
// wholly outside the screen.
void CountArrivals(const std::vector<RECT>& path, ProgramRun& run) {
  const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  bool outside = false;
  bool entering = false;
  for (const RECT& rect : path) {
    RECT overlap;
    if (!IntersectRect(&overlap, &rect, &screen)) {
      if (entering) ++run.peeks;
      outside = true;
      entering = false;
    } else if (outside && EqualRect(&overlap, &rect)) {
      outside = entering = false;
      ++run.arrivals;
    } else if (outside) {
      entering = true;
    }
  }
}

// Runs the program with the arguments, answering every box with Enter.
ProgramRun RunOn(const std::wstring& arguments) {
  ProgramRun run;
  RunningProgram program(arguments, Watch::kMoves);
  EXPECT_TRUE(program.Started());
  EXPECT_TRUE(program.WatchesMoves());
  BoxWatcher watcher(program.ProcessId());
  run.exitCode = program.WaitForExit(60000);
  CountArrivals(program.Moves(), run);
  EXPECT_TRUE(watcher.WaitUntilQuiet());
  run.boxes = watcher.Seen();
  return run;
}

// The text of the one box of a run that ended by itself with 0.
std::string OnlyBoxText(const ProgramRun& run) {
  EXPECT_EQ(0u, run.exitCode);
  EXPECT_EQ(1u, run.boxes.size());
  return run.boxes.size() == 1 ? run.boxes[0].text : std::string();
}

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

// The saved picture's size, or 0 by 0 when there is none.
SIZE SavedSize(const WideFolder& folder, const std::wstring& name) {
  int width = 0, height = 0;
  const Pixels pixels = DecodeJpeg(folder.Read(name), width, height);
  return pixels.empty() ? SIZE{0, 0} : SIZE{width, height};
}

Pixels Gray(int width, int height) { return Pixels(static_cast<size_t>(width) * height, 0x808080); }

// A JPEG file whose header reads but whose pixels cannot be decoded: marked
// progressive while its scan is a baseline one.
std::vector<uint8_t> Undecodable() {
  std::vector<uint8_t> file = JpegFile(64, 48, Gray(64, 48));
  for (size_t i = 2; i + 1 < file.size(); ++i) {
    if (file[i] == 0xFF && file[i + 1] == 0xC0) {
      file[i + 1] = 0xC2;
      break;
    }
  }
  return file;
}

}  // namespace

TEST(AnyFileName, APictureNamedInAnyScriptIsFoundAndSavedUnderItsRealName) {
  const WideFolder folder;
  const std::wstring names[] = {L"café 😀.jpg", L"한국어.bmp", L"Ærøskøbing ĉu ŝi.JPEG"};
  for (const std::wstring& name : names) {
    const bool bmp = name.find(L".bmp") != std::wstring::npos;
    const std::wstring path = folder.Write(name, bmp ? BmpFile(400, 300, Gray(400, 300)) : JpegFile(400, 300, Gray(400, 300)));
    const ProgramRun run = RunOn(Quoted(path));
    EXPECT_EQ(0u, run.exitCode);
    ASSERT_EQ(1u, run.boxes.size());
    // One picture: the box is the one it has always been.
    EXPECT_EQ("400 x 400 のミロカテ形式で保存しました。", run.boxes[0].text);
    const std::wstring output = L"ミロカテ ～ " + name.substr(0, name.rfind(L'.')) + L".jpg";
    EXPECT_EQ(400, SavedSize(folder, output).cx) << Utf8(output);
  }
  // A box naming such a file spells it as it is.
  const std::wstring missingName = L"없는 ñ.bmp";
  const std::wstring missing = folder.Path(missingName);
  const ProgramRun run = RunOn(Quoted(missing));
  EXPECT_EQ(0u, run.exitCode);
  ASSERT_EQ(1u, run.boxes.size());
  EXPECT_EQ("ファイル " + Utf8(missing) + " は開けません.", run.boxes[0].text);
}

TEST(SeveralPictures, EachIsSavedInTurnAndOneReportTellsWhatBecameOfEach) {
  const WideFolder folder;
  // Names outside code page 932, as the boxes spell them.
  const std::wstring landscapeName = L"café 😀.jpg", brokenName = L"broken Ñandú.jpg", portraitName = L"한국어.bmp";
  const std::wstring landscapeOutput = L"ミロカテ ～ café 😀.jpg", portraitOutput = L"ミロカテ ～ 한국어.jpg";
  const std::wstring brokenOutput = L"ミロカテ ～ broken Ñandú.jpg";
  const std::wstring landscape = folder.Write(landscapeName, JpegFile(400, 300, Gray(400, 300)));
  const std::wstring broken = folder.Write(brokenName, std::vector<uint8_t>(64, 'x'));
  const std::wstring undecodable = folder.Write(L"undecodable.jpg", Undecodable());
  const std::wstring portrait = folder.Write(portraitName, BmpFile(300, 800, Gray(300, 800)));
  const ProgramRun run =
      RunOn(Quoted(landscape) + L" " + Quoted(broken) + L" " + Quoted(undecodable) + L" " + Quoted(portrait));
  EXPECT_EQ(0u, run.exitCode);
  EXPECT_EQ(2, run.arrivals) << "each picture that loaded came in from outside";
  EXPECT_EQ(0, run.peeks) << "between the pictures the window waits wholly out of sight";
  ASSERT_EQ(1u, run.boxes.size()) << "no box until the end";
  const std::string report = "4 枚のうち 2 枚の画像をミロカテ形式で保存しました。\r\n\r\n保存したファイル：\r\n" +
                             Utf8(landscapeOutput) + "：400 x 400\r\n" + Utf8(portraitOutput) +
                             "：800 x 800\r\n\r\n保存できなかった画像：\r\n" + Utf8(brokenName) +
                             "：ミロカテで読み込める画像ではありません\r\n"
                             "undecodable.jpg：JPEG エラー #";
  // The decoder's own code for the undecodable one is not this test's business.
  EXPECT_EQ(report, run.boxes[0].text.substr(0, report.size()));
  EXPECT_EQ(std::string::npos, run.boxes[0].text.find("\r\n", report.size()));
  // Each in a window laid out for it: the broken ones in the middle stopped
  // nothing, and left nothing behind.
  EXPECT_EQ(400, SavedSize(folder, landscapeOutput).cy);
  EXPECT_EQ(800, SavedSize(folder, portraitOutput).cy);
  EXPECT_TRUE(folder.Read(brokenOutput).empty());
  EXPECT_TRUE(folder.Read(L"ミロカテ ～ undecodable.jpg").empty());
}

TEST(SeveralPictures, WhenNoneCanBeSavedTheReportSaysSoAndTheProgramEnds) {
  const WideFolder folder;
  const std::wstring broken = folder.Write(L"a.bmp", std::vector<uint8_t>(64, 'x'));
  const std::wstring refused = folder.Write(L"b.xyz", std::vector<uint8_t>(64, 'y'));
  const ProgramRun run = RunOn(Quoted(broken) + L" " + Quoted(refused));
  EXPECT_EQ("2 枚の画像をいずれも保存できませんでした。\r\n\r\n保存できなかった画像：\r\n"
            "a.bmp：ミロカテで読み込める画像ではありません\r\n"
            "b.xyz：ミロカテで読み込める画像ではありません",
            OnlyBoxText(run));
  ASSERT_FALSE(run.boxes.empty());
  EXPECT_EQ(std::vector<std::string>{"OK"}, run.boxes[0].buttons);
}

TEST(SeveralPictures, PicturesThatWouldShareAnOutputAreSavedUnderNumberedNames) {
  const WideFolder folder;
  const std::wstring bmp = folder.Write(L"a.bmp", BmpFile(300, 200, Gray(300, 200)));
  const std::wstring jpeg = folder.Write(L"a.jpg", JpegFile(200, 300, Gray(200, 300)));
  const std::vector<uint8_t> earlierOutput = JpegFile(160, 160, Gray(160, 160));
  const std::wstring output = folder.Write(L"ミロカテ ～ a.jpg", earlierOutput);
  EXPECT_EQ("3 枚の画像をミロカテ形式で保存しました。\r\n\r\n保存したファイル：\r\n"
            "ミロカテ ～ a (2).jpg：300 x 300\r\nミロカテ ～ a (3).jpg：300 x 300\r\n"
            "ミロカテ ～ ミロカテ ～ a.jpg：160 x 160",
            OnlyBoxText(RunOn(Quoted(bmp) + L" " + Quoted(jpeg) + L" " + Quoted(output))));
  // The third picture was read as it was, and each output holds its own picture.
  EXPECT_EQ(earlierOutput, folder.Read(L"ミロカテ ～ a.jpg"));
  EXPECT_EQ(300, SavedSize(folder, L"ミロカテ ～ a (2).jpg").cx);
  EXPECT_EQ(300, SavedSize(folder, L"ミロカテ ～ a (3).jpg").cx);
  EXPECT_EQ(160, SavedSize(folder, L"ミロカテ ～ ミロカテ ～ a.jpg").cx);
}

TEST(SeveralPictures, AFolderStandsForThePicturesInsideItReadByWhatTheyHold) {
  {
    const WideFolder folder;
    const std::string data = reference_pictures::DataFolder("");
    const std::vector<uint8_t> png = ReadWholeFile(data + "pngsuite\\basn2c08.png");
    ASSERT_FALSE(png.empty());
    folder.Write(L"b.png", png);
    folder.Write(L"a 10.jpg", png);                              // a PNG named as a JPEG
    folder.Write(L"a 9.bmp", JpegFile(400, 300, Gray(400, 300)));  // and the other way round
    std::vector<uint8_t> cut = ReadWholeFile(data + "wic\\photo.webp");
    cut.resize(cut.size() / 2);
    folder.Write(L"x.webp", cut);
    folder.Write(L"notes.txt", {'h', 'i'});
    const std::vector<uint8_t> earlier = JpegFile(200, 200, Gray(200, 200));
    folder.Write(L"ミロカテ ～ old.jpg", earlier);
    const std::string report = OnlyBoxText(RunOn(Quoted(folder.Folder())));
    // In the file browser's order; the program's own output is not framed again,
    // and the text is no picture.
    const std::string expected = "4 枚のうち 3 枚の画像をミロカテ形式で保存しました。\r\n\r\n保存したファイル：\r\n"
                                 "ミロカテ ～ a 9.jpg：400 x 400\r\nミロカテ ～ a 10.jpg：";
    EXPECT_EQ(expected, report.substr(0, expected.size()));
    EXPECT_NE(std::string::npos, report.find("\r\nミロカテ ～ b.jpg："));
    EXPECT_NE(std::string::npos,
              report.find("保存できなかった画像：\r\nx.webp：WebP 形式の画像として読み込めませんでした。"));
    EXPECT_NE(std::string::npos, report.find("\r\n\r\n画像ではないファイル 1 個は読み飛ばしました。"));
    EXPECT_EQ(400, SavedSize(folder, L"ミロカテ ～ a 9.jpg").cx);
    EXPECT_FALSE(folder.Read(L"ミロカテ ～ a 10.jpg").empty());
    EXPECT_EQ(earlier, folder.Read(L"ミロカテ ～ old.jpg"));
    EXPECT_TRUE(folder.Read(L"ミロカテ ～ ミロカテ ～ old.jpg").empty());
  }
  // Dropped alone, a folder without pictures is told in a box of its own; among
  // other pictures, in the report's list.
  const WideFolder empty;
  EXPECT_EQ("フォルダー " + Utf8(empty.Folder()) + " には読み込める画像がありません.",
            OnlyBoxText(RunOn(Quoted(empty.Folder()))));
  // One that another program holds, sharing it with nobody, cannot be listed
  // (on Windows as on Wine): the box names it.
  const HANDLE held =
      CreateFileW(empty.Folder().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  EXPECT_EQ("フォルダー " + Utf8(empty.Folder()) + " は開けません.", OnlyBoxText(RunOn(Quoted(empty.Folder()))));
  CloseHandle(held);
}
