// The real program on a dropped tree of folders, and on runs stopped partway
// by the keys and the close box a person would use.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "tests/app/ProgramRun.h"
#include "tests/app/RunningProgram.h"
#include "tests/support/BoxWatcher.h"
#include "text/Utf16.h"

namespace {

// A fresh tree of folders under the temporary folder, removed with all in it;
// names are relative to its top and UTF-8.
class PictureTree {
public:
  PictureTree() : top_(NewTempFolder(L"アルバム")) {}
  ~PictureTree() {
    for (const std::wstring& link : links_) RemoveLink(link);
    Remove(top_);
  }
  PictureTree(const PictureTree&) = delete;
  PictureTree& operator=(const PictureTree&) = delete;

  void Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    const std::wstring path = Path(name);
    for (size_t at = path.find(L'\\', top_.size() + 1); at != std::wstring::npos; at = path.find(L'\\', at + 1))
      CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
  }
  // A folder that leads back to the top: a junction on Windows; under Wine,
  // which makes none, a symbolic link of the host's file system, which it
  // lists as a reparse point too.
  bool LinkToTop(const std::string& name) {
    const std::wstring link = Path(name);
    links_.push_back(link);
    if (UnixName(link).empty()) {
      RunCommand(L"cmd /c mklink /J \"" + link + L"\" \"" + top_ + L"\"");
    } else {
      RunCommand(L"/bin/ln -s \"" + Wide(UnixName(top_)) + L"\" \"" + Wide(UnixName(link)) + L"\"");
    }
    // Wine hands a host's program over without a process to wait for: the
    // link is waited for instead.
    for (int waited = 0; waited < 10000; waited += 10) {
      const DWORD attributes = GetFileAttributesW(link.c_str());
      if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
      Sleep(10);
    }
    return false;
  }
  // Every file in the tree, links not followed, in any order.
  std::set<std::string> Files() const {
    std::set<std::string> files;
    List(top_, "", files);
    return files;
  }
  std::vector<uint8_t> Read(const std::string& name) const { return ReadWholeFile(Utf8(Path(name))); }
  std::wstring Path(const std::string& name) const { return name.empty() ? top_ : top_ + L"\\" + Wide(name); }

private:
  // The host's name of a file under Wine; empty on Windows.
  static std::string UnixName(const std::wstring& path) {
    using Converter = char*(__cdecl*)(const wchar_t*);
    const auto convert = reinterpret_cast<Converter>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    char* name = convert != nullptr ? convert(path.c_str()) : nullptr;
    const std::string result = name != nullptr ? name : "";
    if (name != nullptr) HeapFree(GetProcessHeap(), 0, name);
    return result;
  }
  static void RunCommand(std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process))
      return;
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  static void RemoveLink(const std::wstring& link) {
    // Wine takes a host's link to a folder for the folder itself.
    const std::string unixName = UnixName(link);
    if (unixName.empty()) {
      RemoveDirectoryW(link.c_str());
    } else {
      RunCommand(L"/bin/rm -f \"" + Wide(unixName) + L"\"");
    }
    for (int waited = 0; waited < 10000 && GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES; waited += 10)
      Sleep(10);
  }
  template <class Visit>
  static void Each(const std::wstring& folder, Visit visit) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
      const std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") visit(name, found.dwFileAttributes);
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  static void Remove(const std::wstring& folder) {
    Each(folder, [&](const std::wstring& name, DWORD attributes) {
      if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return;
      if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        Remove(folder + L"\\" + name);
      } else {
        DeleteFileW((folder + L"\\" + name).c_str());
      }
    });
    RemoveDirectoryW(folder.c_str());
  }
  static void List(const std::wstring& folder, const std::string& prefix, std::set<std::string>& files) {
    Each(folder, [&](const std::wstring& name, DWORD attributes) {
      if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return;
      if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        List(folder + L"\\" + name, prefix + Utf8(name) + "\\", files);
      } else {
        files.insert(prefix + Utf8(name));
      }
    });
  }

  std::wstring top_;
  std::vector<std::wstring> links_;
};

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
  PictureTree tree;
  const Pixels gray(400 * 300, 0x808080);
  tree.Write("2024年\\旅行\\京都\\a.jpg", JpegFile(400, 300, gray));
  tree.Write("2024年\\旅行\\b.bmp", BmpFile(300, 400, gray));
  const std::vector<uint8_t> earlier = JpegFile(120, 120, gray);
  tree.Write("2024年\\ミロカテ ～ old.jpg", earlier);
  std::vector<uint8_t> cut = JpegFile(400, 300, Noise(400, 300));
  cut.resize(cut.size() / 3);
  tree.Write("cut.jpg", cut);
  tree.Write("メモ.jpg", {'n', 'o', 't', 'e', '\r', '\n'});
  tree.Write("z.jpg", JpegFile(300, 300, gray));
  ASSERT_TRUE(tree.LinkToTop("2024年\\旅行\\loop"));
  const std::set<std::string> before = tree.Files();

  const ProgramRun run = RunAnswering(Quoted(tree.Path("")), {VK_RETURN});
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
  EXPECT_EQ(earlier, tree.Read("2024年\\ミロカテ ～ old.jpg"));

  // Dropped alone, the text is named as no picture, and the cut picture is
  // saved with the same note under the usual first line.
  const ProgramRun text = RunAnswering(Quoted(tree.Path("メモ.jpg")), {VK_RETURN});
  ASSERT_EQ(1u, text.boxes.size());
  EXPECT_EQ("「メモ.jpg」は、ミロカテで読み込める画像ではありません.", text.boxes[0].text);
  const ProgramRun alone = RunAnswering(Quoted(tree.Path("cut.jpg")), {VK_RETURN});
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
    PictureTree tree;
    for (int i = 1; i <= kPictures; ++i) tree.Write("p" + std::to_string(i) + ".jpg", JpegFile(320, 240, Noise(320, 240)));
    const std::set<std::string> pictures = tree.Files();
    RunningProgram program(Wide(Quoted(tree.Path(""))));
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
  PictureTree tree;
  // Large enough that making it ready outlasts the test's reaction: the key
  // comes before the window reaches the centre.
  tree.Write("big.jpg", JpegFile(3000, 2000, Noise(3000, 2000)));
  RunningProgram program(Wide(Quoted(tree.Path("big.jpg"))));
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
