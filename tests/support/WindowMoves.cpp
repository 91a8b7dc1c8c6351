#include "tests/support/WindowMoves.h"

#include <algorithm>
#include <string>

namespace {

// The hook DLL, beside the test program.
std::string HookLibraryPath() {
  char buffer[MAX_PATH * 4];
  const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  std::string path(buffer, length < sizeof buffer ? length : 0);
  path.resize(path.find_last_of('\\') + 1);
  return path + "window_moves_hook.dll";
}

}  // namespace

WindowMoves::WindowMoves(DWORD processId) {
  const std::string name = kWindowMoveLogName + std::to_string(processId);
  mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(WindowMoveLog), name.c_str());
  if (mapping_ == nullptr) return;
  log_ = static_cast<WindowMoveLog*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, sizeof(WindowMoveLog)));
  library_ = LoadLibraryA(HookLibraryPath().c_str());
  if (library_ == nullptr) return;
  // Through void*, as the system hands every procedure back as one shape.
  const auto procedure =
      reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(library_, "RecordWindowMove")));
  if (procedure == nullptr) return;
  // The hook is the desktop's, not the program's thread's: Windows hooks only a
  // thread that has already called the window system, which the program's, made
  // suspended, has not. A 64-bit process runs a 32-bit hook on the thread that set
  // it, so that thread keeps handling messages until the hook is removed.
  const HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  pump_ = std::thread([this, procedure, ready] {
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue, for the quit message
    pumpId_ = GetCurrentThreadId();
    hook_ = SetWindowsHookExA(WH_CALLWNDPROCRET, procedure, library_, 0);
    SetEvent(ready);
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
  });
  WaitForSingleObject(ready, INFINITE);
  CloseHandle(ready);
}

WindowMoves::~WindowMoves() {
  if (pump_.joinable()) {
    PostThreadMessageA(pumpId_, WM_QUIT, 0, 0);
    pump_.join();
  }
  if (library_ != nullptr) FreeLibrary(library_);
  if (log_ != nullptr) UnmapViewOfFile(log_);
  if (mapping_ != nullptr) CloseHandle(mapping_);
}

std::vector<RECT> WindowMoves::Path() const {
  if (log_ == nullptr) return {};
  // A plain read of the count, then a barrier: the rectangles it counts were
  // written before it. (The view is read-only, which an interlocked read is not.)
  const LONG count = log_->count;
  MemoryBarrier();
  return std::vector<RECT>(log_->rects, log_->rects + std::min(count, WindowMoveLog::kCapacity));
}
