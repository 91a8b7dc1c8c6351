// The real program, started as a user would start it, watched from outside.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/support/BoxWatcher.h"

namespace {

std::string ProgramPath() {
  char buffer[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  std::string path(buffer, length);
  path.resize(path.find_last_of('\\') + 1);  // build\tests\ ...
  return path + "..\\mirokate.exe";
}

}  // namespace

namespace {

struct WindowSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char className[32] = {};
  GetClassNameA(window, className, sizeof className);
  if (process == search->processId && std::string(className) == "TMainForm1") {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// The main window of the process once it is shown, or null after the timeout.
HWND WaitForMainWindow(DWORD processId, DWORD timeoutMs = 15000) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
    WindowSearch search{processId, nullptr};
    EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr && IsWindowVisible(search.found)) return search.found;
    Sleep(50);
  }
  return nullptr;
}

int MinuteNow() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return now.wMinute;
}

}  // namespace

TEST(Program, ShowsItsBlackStayOnTopWindowOutsideAnEdgeAndEndsWithZeroWhenClosed) {
  // Closed from outside the process, once by message and once as the close box does.
  for (const UINT closing : {WM_CLOSE, WM_SYSCOMMAND}) {
    SCOPED_TRACE(closing);
    const int minuteBefore = MinuteNow();
    std::string commandLine = "\"" + ProgramPath() + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process));
    const HWND window = WaitForMainWindow(process.dwProcessId);
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
    if (closing == WM_CLOSE) {
      PostMessageA(window, WM_CLOSE, 0, 0);
    } else {
      PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    const bool ended = WaitForSingleObject(process.hProcess, 15000) == WAIT_OBJECT_0;
    EXPECT_TRUE(ended);
    if (!ended) TerminateProcess(process.hProcess, 99);
    DWORD exitCode = 99;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
}
