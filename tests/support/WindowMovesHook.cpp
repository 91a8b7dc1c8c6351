// The hook DLL of tests/support/WindowMoves.h, loaded by the system into the
// programs of the desktop. In the watched one, it appends the main window's
// rectangle to the shared log each time the window has moved or changed size.
#include <windows.h>

#include <cstring>
#include <string>

#include "tests/support/WindowMoves.h"

namespace {

WindowMoveLog* SharedLog() {
  static WindowMoveLog* log = [] {
    const std::string name = kWindowMoveLogName + std::to_string(GetCurrentProcessId());
    const HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name.c_str());
    // The view stays for the life of the process; so does the mapping.
    return mapping == nullptr
               ? nullptr
               : static_cast<WindowMoveLog*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(WindowMoveLog)));
  }();
  return log;
}

void Record(HWND window) {
  // Most processes of the desktop are not watched: they have no log.
  WindowMoveLog* log = SharedLog();
  if (log == nullptr) return;
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  RECT rect;
  if (std::strcmp(className, kWatchedWindowClass) != 0 || !GetWindowRect(window, &rect)) return;
  const LONG count = log->count;
  if (count >= WindowMoveLog::kCapacity) return;
  if (count > 0 && EqualRect(&log->rects[count - 1], &rect)) return;
  log->rects[count] = rect;
  // Published after the rectangle it counts.
  InterlockedExchange(&log->count, count + 1);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK RecordWindowMove(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    const auto* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (message->message == WM_WINDOWPOSCHANGED) Record(message->hwnd);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
