#pragma once
// Every place and size the program's main window takes, recorded inside the
// program: a hook (tests/support/WindowMovesHook.cpp, a DLL the system loads into
// the programs of the desktop) writes each new rectangle of the watched process's
// window into memory shared with the test as the window handles
// WM_WINDOWPOSCHANGED. A test reads
// the whole way the window went, however busy the machine is: nothing is sampled.

#include <windows.h>

#include <thread>
#include <vector>

// What the hook and the test share: the rectangles in order, the last one at
// count - 1. The name of the mapping holds the watched process's id.
struct WindowMoveLog {
  static constexpr LONG kCapacity = 65536;
  volatile LONG count;
  RECT rects[kCapacity];
};
constexpr char kWindowMoveLogName[] = "mirokate-window-moves-";
// The class of the window whose moves are recorded.
constexpr char kWatchedWindowClass[] = "TMainForm1";

class WindowMoves {
public:
  // Starts recording for the process, which must not have made its window yet
  // (a process created suspended).
  explicit WindowMoves(DWORD processId);
  ~WindowMoves();
  WindowMoves(const WindowMoves&) = delete;
  WindowMoves& operator=(const WindowMoves&) = delete;

  bool Hooked() const { return hook_ != nullptr && log_ != nullptr; }
  // The rectangles recorded so far, in order.
  std::vector<RECT> Path() const;

private:
  HANDLE mapping_ = nullptr;
  WindowMoveLog* log_ = nullptr;
  HMODULE library_ = nullptr;
  HHOOK hook_ = nullptr;
  // The thread that set the hook and handles its messages.
  std::thread pump_;
  DWORD pumpId_ = 0;
};
