// The real program, started as a user would start it, watched from outside.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/support/BoxWatcher.h"

namespace {

std::string ProgramPath() {
  char buffer[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  std::string path(buffer, length);
  path.resize(path.find_last_of('\\') + 1);  // build\tests\ ...
  return path + "..\\mirokate.exe";
}

// The program started with a command line tail; ended (and its exit code read)
// by Close, or killed if a test leaves it running.
class RunningProgram {
public:
  explicit RunningProgram(const std::string& arguments) {
    std::string commandLine = "\"" + ProgramPath() + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    started_ = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &process_) != FALSE;
  }
  ~RunningProgram() {
    if (!started_) return;
    if (WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(process_.hProcess, 99);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  bool Started() const { return started_; }
  DWORD ProcessId() const { return process_.dwProcessId; }

  // The main window once it is shown, or null after the timeout.
  HWND WaitForMainWindow(DWORD timeoutMs = 15000) const {
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
      if (const HWND window = FindVisibleWindow(process_.dwProcessId, "TMainForm1")) return window;
      Sleep(50);
    }
    return nullptr;
  }

  // Posts the closing message and gives the exit code (99 when it did not end).
  DWORD Close(HWND window, UINT message = WM_CLOSE) {
    if (message == WM_SYSCOMMAND) {
      PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else {
      PostMessageA(window, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process_.hProcess, 15000) != WAIT_OBJECT_0) return 99;
    DWORD exitCode = 99;
    GetExitCodeProcess(process_.hProcess, &exitCode);
    return exitCode;
  }

private:
  bool started_ = false;
  PROCESS_INFORMATION process_{};
};

int MinuteNow() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return now.wMinute;
}

// A folder of test pictures whose path holds a blank, made for each test.
class PictureFolder {
public:
  PictureFolder() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    root_ = std::string(temp) + "mirokate " + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(root_.c_str(), nullptr);
    folder_ = root_ + "\\My Photos";
    CreateDirectoryA(folder_.c_str(), nullptr);
  }
  ~PictureFolder() {
    for (const std::string& file : files_) DeleteFileA(file.c_str());
    RemoveDirectoryA(folder_.c_str());
    RemoveDirectoryA(root_.c_str());
  }
  std::string Write(const std::string& name, const std::vector<unsigned char>& bytes) {
    const std::string path = folder_ + "\\" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
    files_.push_back(path);
    return path;
  }
  const std::string& Folder() const { return folder_; }

private:
  std::string root_, folder_;
  std::vector<std::string> files_;
};

// A 24-bit bottom-up BMP of one colour.
std::vector<unsigned char> PlainBmp(int width, int height, unsigned char r, unsigned char g, unsigned char b) {
  const int stride = (width * 3 + 3) & ~3;
  const int size = 54 + stride * height;
  std::vector<unsigned char> bytes(static_cast<size_t>(size), 0);
  auto put32 = [&](int at, int value) {
    for (int i = 0; i < 4; ++i) bytes[static_cast<size_t>(at + i)] = static_cast<unsigned char>(value >> (8 * i));
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put32(2, size);
  put32(10, 54);
  put32(14, 40);
  put32(18, width);
  put32(22, height);
  bytes[26] = 1;
  bytes[28] = 24;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const size_t at = static_cast<size_t>(54 + y * stride + x * 3);
      bytes[at] = b;
      bytes[at + 1] = g;
      bytes[at + 2] = r;
    }
  }
  return bytes;
}

// Long enough for a file header, but not a bitmap's.
const std::vector<unsigned char> kNotABitmap(64, 'x');

// Runs the program with the arguments, answers any box, closes the window and
// gives the texts of the boxes it showed.
std::vector<std::string> BoxesShownFor(const std::string& arguments, size_t expected) {
  RunningProgram program(arguments);
  EXPECT_TRUE(program.Started());
  BoxWatcher watcher(program.ProcessId());
  const HWND window = program.WaitForMainWindow();
  EXPECT_NE(window, nullptr) << arguments;
  if (window != nullptr) {
    EXPECT_EQ(program.Close(window), 0u);
  }
  // The watcher files a box once it has gone; give it a moment to do so.
  if (expected > 0) watcher.WaitFor(expected, 3000);
  std::vector<std::string> texts;
  for (const SeenBox& box : watcher.Seen()) texts.push_back(box.text);
  return texts;
}

}  // namespace

TEST(Program, ShowsItsBlackStayOnTopWindowOutsideAnEdgeAndEndsWithZeroWhenClosed) {
  // Closed from outside the process, once by message and once as the close box does.
  for (const UINT closing : {static_cast<UINT>(WM_CLOSE), static_cast<UINT>(WM_SYSCOMMAND)}) {
    SCOPED_TRACE(closing);
    const int minuteBefore = MinuteNow();
    RunningProgram program("");
    ASSERT_TRUE(program.Started());
    const HWND window = program.WaitForMainWindow();
    const int minuteAfter = MinuteNow();
    ASSERT_NE(window, nullptr);

    char caption[32] = {};
    GetWindowTextA(window, caption, sizeof caption);
    EXPECT_STREQ(caption, "ミロカテ！");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & ~WS_VISIBLE, 0x06C80000u);
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 600);
    EXPECT_EQ(client.bottom, 600);
    // Until the entry animation arrives, the window stays where it was parked.
    RECT rect;
    GetWindowRect(window, &rect);
    const int sw = GetSystemMetrics(SM_CXSCREEN);
    const int sh = GetSystemMetrics(SM_CYSCREEN);
    if (minuteBefore == minuteAfter) {
      const int m = minuteBefore;
      if (m >= 8 && m <= 22) {
        EXPECT_EQ(rect.left, sw + 620);
      } else if (m >= 23 && m <= 37) {
        EXPECT_EQ(rect.top, sh + 620);
      } else if (m >= 38 && m <= 52) {
        EXPECT_EQ(rect.left, -620);
      } else {
        EXPECT_EQ(rect.top, -620);
      }
    }
    EXPECT_EQ(program.Close(window, closing), 0u);
  }
}

TEST(PictureArgument, ArgumentsSplitAtBlanksAreJoinedAgainToNameThePicture) {
  PictureFolder pictures;
  pictures.Write("a.JPEG", kNotABitmap);  // the JPEG reader arrives later; only the name matters here
  pictures.Write("broken.BMP", kNotABitmap);
  // Unquoted: the command line splits the path at its blanks, the program joins it.
  const std::string unquoted = pictures.Folder() + "\\broken.BMP";
  EXPECT_EQ(BoxesShownFor(unquoted, 1), std::vector<std::string>{"ビットマップイメージが不正です."});
  // Quoted: one argument holding the blanks.
  EXPECT_EQ(BoxesShownFor("\"" + unquoted + "\"", 1), std::vector<std::string>{"ビットマップイメージが不正です."});
}

TEST(PictureArgument, OnlyExistingBmpAndJpegFilesAreLoaded) {
  PictureFolder pictures;
  for (const char* name : {"a.gif", "a.png", "a.jpe", "a.dib", "noextension", "dotted."}) {
    pictures.Write(name, kNotABitmap);
    EXPECT_TRUE(BoxesShownFor("\"" + pictures.Folder() + "\\" + name + "\"", 0).empty()) << name;
  }
  EXPECT_TRUE(BoxesShownFor("\"" + pictures.Folder() + "\\missing.bmp\"", 0).empty());
  for (const char* name : {"b.bmp", "c.Bmp"}) {
    pictures.Write(name, kNotABitmap);
    EXPECT_EQ(BoxesShownFor("\"" + pictures.Folder() + "\\" + name + "\"", 1).size(), 1u) << name;
  }
}

TEST(PictureArgument, ALoadedBitmapIsPaintedStretchedIntoThePictureArea) {
  PictureFolder pictures;
  const std::string path = pictures.Write("red.bmp", PlainBmp(40, 30, 255, 0, 0));
  RunningProgram program("\"" + path + "\"");
  const HWND window = program.WaitForMainWindow();
  ASSERT_NE(window, nullptr);
  // Bring the parked window into view to look at it.
  SetWindowPos(window, nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  Sleep(300);
  const HDC dc = GetDC(window);
  const COLORREF inside = GetPixel(dc, 300, 300);
  const COLORREF corner = GetPixel(dc, 6, 6);
  const COLORREF margin = GetPixel(dc, 2, 2);
  const COLORREF farEdge = GetPixel(dc, 584, 584);
  const COLORREF beyond = GetPixel(dc, 590, 590);
  ReleaseDC(window, dc);
  EXPECT_EQ(inside, RGB(255, 0, 0));
  EXPECT_EQ(corner, RGB(255, 0, 0));
  EXPECT_EQ(farEdge, RGB(255, 0, 0));
  EXPECT_EQ(margin, RGB(0, 0, 0)) << "the black window shows around the picture";
  EXPECT_EQ(beyond, RGB(0, 0, 0));
  EXPECT_EQ(program.Close(window), 0u);
}
