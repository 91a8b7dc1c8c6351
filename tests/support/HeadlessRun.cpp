// Runs the program as a person at the screen would, for machines without one:
// starts it on the pictures, prints each box it shows (read through the box's
// copy key), answers OK, and passes on the program's exit code.
//   headless_run.exe PROGRAM.exe [PICTURE...]
// The names are passed on as given, in every script: the command line is read
// and the program started through the wide calls.
// A program that keeps its window open after its last box (as after a failed
// save) would wait forever for a person; its window is then closed through its
// close box, as that person would, and the run says so.
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "tests/support/BoxWatcher.h"

namespace {

// How long the program may take to end after its last box has been answered.
constexpr DWORD kGraceAfterLastBoxMs = 5000;
// How long it may run without showing any box or moving its window (a huge
// picture, a slow machine).
constexpr DWORD kGraceWithoutBoxMs = 120000;
// How long it may take to end after its window has been closed.
constexpr DWORD kGraceAfterCloseMs = 15000;

struct Closing {
  DWORD processId;
  int closed;
};

BOOL CALLBACK CloseVisibleWindow(HWND window, LPARAM parameter) {
  auto* closing = reinterpret_cast<Closing*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == closing->processId && IsWindowVisible(window)) {
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    ++closing->closed;
  }
  return TRUE;
}

// The program's main window's place, to tell a run over several pictures, which
// shows no box until its end, from a program that waits.
RECT MainWindowRect(DWORD processId) {
  RECT rect{};
  if (const HWND window = FindVisibleWindow(processId, "TMainForm1")) GetWindowRect(window, &rect);
  return rect;
}

// Prints the boxes seen since the last call; `printed` counts those printed.
void PrintNewBoxes(const BoxWatcher& watcher, size_t& printed) {
  const std::vector<SeenBox> seen = watcher.Seen();
  for (; printed < seen.size(); ++printed) {
    // Standard output turns each line end into CR LF itself; the box's own CRs would
    // double them. The texts are printed as they are read, in UTF-8.
    std::string text = seen[printed].text;
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    std::printf("box \"%s\": %s\n", seen[printed].caption.c_str(), text.c_str());
    std::fflush(stdout);
  }
}

// Prints the program's boxes until it ends. A program quiet for longer than its
// grace (no new box, no open box, no moving window) has its window closed, and
// one that still does not end is stopped.
void WatchUntilEnd(const PROCESS_INFORMATION& process, const BoxWatcher& watcher, size_t& printed) {
  DWORD quietSince = GetTickCount();
  RECT lastRect = MainWindowRect(process.dwProcessId);
  bool closed = false;
  while (WaitForSingleObject(process.hProcess, 100) == WAIT_TIMEOUT) {
    const size_t before = printed;
    PrintNewBoxes(watcher, printed);
    const DWORD now = GetTickCount();
    const RECT rect = MainWindowRect(process.dwProcessId);
    const bool moved = !EqualRect(&rect, &lastRect);
    lastRect = rect;
    if (printed != before || moved || FindOpenBox(process.dwProcessId) != nullptr) quietSince = now;
    const DWORD grace = closed ? kGraceAfterCloseMs : printed > 0 ? kGraceAfterLastBoxMs : kGraceWithoutBoxMs;
    if (now - quietSince < grace) continue;
    if (closed) {
      std::printf("the program did not end after its window was closed: stopping it\n");
      std::fflush(stdout);
      TerminateProcess(process.hProcess, 1);
      return;
    }
    Closing closing{process.dwProcessId, 0};
    EnumWindows(CloseVisibleWindow, reinterpret_cast<LPARAM>(&closing));
    std::printf("the program kept its window open after its last box: closed it with its close box\n");
    std::fflush(stdout);
    closed = true;
    quietSince = now;
  }
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc < 2) {
    std::fprintf(stderr, "usage: headless_run PROGRAM.exe [PICTURE...]\n");
    return 2;
  }
  // Each quoted as the shell quotes a dropped file.
  std::wstring commandLine;
  for (int i = 1; i < argc; ++i) commandLine += std::wstring(i > 1 ? L" " : L"") + L"\"" + argv[i] + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::fprintf(stderr, "cannot start the program (error %lu)\n", GetLastError());
    return 2;
  }
  DWORD exitCode = 1;
  {
    BoxWatcher watcher(process.dwProcessId);
    size_t printed = 0;
    WatchUntilEnd(process, watcher, printed);
    WaitForSingleObject(process.hProcess, INFINITE);
    watcher.WaitFor(printed + 1, 300);
    PrintNewBoxes(watcher, printed);
  }
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(exitCode);
}
