// Runs the program as a person at the screen would, for machines without one:
// starts it on the pictures, prints each box it shows (read through the box's
// copy key), answers OK, and passes on the program's exit code.
//   headless_run.exe [--within SECONDS] [--boxes-at-most N] PROGRAM.exe [PICTURE...]
// The names are passed on as given, in every script: the command line is read
// and the program started through the wide calls.
// A program that keeps its window open after its last box (as after a failed
// save) would wait forever for a person; its window is then closed through its
// close box, as that person would, and the run says so.
// The damaged-picture rounds set two limits of their own: a program still
// running SECONDS after its start, or one that has shown more than N boxes (a
// failure that shows a box each time the window is painted), is stopped, and
// the run says so.
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <set>
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

// The limits a run may set; zero for none.
struct Limits {
  DWORD withinMs = 0;
  size_t boxesAtMost = 0;
};

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

// Every box the program has shown, answered or not: a box shown while an earlier
// one is still open stacks on it, and the watcher, which answers one box at a
// time, may never print it.
class BoxCensus {
public:
  explicit BoxCensus(DWORD processId) : processId_(processId) {}
  void Look() { EnumWindows(&AddBox, reinterpret_cast<LPARAM>(this)); }
  size_t Count() const { return boxes_.size(); }

private:
  static BOOL CALLBACK AddBox(HWND window, LPARAM self) noexcept {
    auto* census = reinterpret_cast<BoxCensus*>(self);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    const std::string className = name;
    if (process == census->processId_ && IsWindowVisible(window) &&
        (className == "#32770" || className == "TMessageForm")) {
      try {
        census->boxes_.insert(window);
      } catch (...) {
        return FALSE;
      }
    }
    return TRUE;
  }

  DWORD processId_;
  std::set<HWND> boxes_;
};

// Stops the program when it has gone past one of the limits, and says why.
bool StoppedAtLimit(const PROCESS_INFORMATION& process, const Limits& limits, DWORD startedAt, size_t boxes) {
  const char* reason = nullptr;
  if (limits.withinMs != 0 && GetTickCount() - startedAt >= limits.withinMs) {
    reason = "the program did not end within the run's limit";
  } else if (limits.boxesAtMost != 0 && boxes > limits.boxesAtMost) {
    reason = "the program showed more boxes than the run's limit";
  }
  if (reason == nullptr) return false;
  std::printf("%s: stopping it\n", reason);
  std::fflush(stdout);
  TerminateProcess(process.hProcess, 1);
  return true;
}

// Prints the program's boxes until it ends. A program quiet for longer than its
// grace (no new box, no open box, no moving window) has its window closed, and
// one that still does not end is stopped.
void WatchUntilEnd(const PROCESS_INFORMATION& process, const BoxWatcher& watcher, size_t& printed,
                   const Limits& limits, BoxCensus& census) {
  const DWORD startedAt = GetTickCount();
  DWORD quietSince = startedAt;
  RECT lastRect = MainWindowRect(process.dwProcessId);
  bool closed = false;
  // Often enough that the census sees each box before the watcher answers it.
  while (WaitForSingleObject(process.hProcess, 20) == WAIT_TIMEOUT) {
    const size_t before = printed;
    PrintNewBoxes(watcher, printed);
    census.Look();
    if (StoppedAtLimit(process, limits, startedAt, std::max(printed, census.Count()))) return;
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

// Reads the options before the program's name into the limits; gives the
// index of the program's name.
int ReadLimits(int argc, wchar_t** argv, Limits& limits) {
  int at = 1;
  for (; at + 1 < argc; at += 2) {
    const std::wstring option = argv[at];
    const unsigned long value = std::wcstoul(argv[at + 1], nullptr, 10);
    if (option == L"--within") {
      limits.withinMs = static_cast<DWORD>(std::min(value, 4000000ul) * 1000);
    } else if (option == L"--boxes-at-most") {
      limits.boxesAtMost = value;
    } else {
      break;
    }
  }
  return at;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  Limits limits;
  const int first = argv != nullptr ? ReadLimits(argc, argv, limits) : argc;
  if (first >= argc) {
    std::fprintf(stderr, "usage: headless_run [--within SECONDS] [--boxes-at-most N] PROGRAM.exe [PICTURE...]\n");
    return 2;
  }
  // Each quoted as the shell quotes a dropped file.
  std::wstring commandLine;
  for (int i = first; i < argc; ++i) commandLine += std::wstring(i > first ? L" " : L"") + L"\"" + argv[i] + L"\"";
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
    BoxCensus census(process.dwProcessId);
    size_t printed = 0;
    WatchUntilEnd(process, watcher, printed, limits, census);
    WaitForSingleObject(process.hProcess, INFINITE);
    watcher.WaitFor(printed + 1, 300);
    PrintNewBoxes(watcher, printed);
    if (census.Count() > printed) std::printf("boxes shown and never answered: %zu\n", census.Count() - printed);
  }
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(exitCode);
}
