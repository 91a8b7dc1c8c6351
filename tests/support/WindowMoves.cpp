#include "tests/support/WindowMoves.h"

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

WindowMoves::WindowMoves(DWORD processId, DWORD threadId) {
  const std::string name = kWindowMoveLogName + std::to_string(processId);
  mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(WindowMoveLog), name.c_str());
  if (mapping_ == nullptr) return;
  log_ = static_cast<WindowMoveLog*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, sizeof(WindowMoveLog)));
  library_ = LoadLibraryA(HookLibraryPath().c_str());
  if (library_ == nullptr) return;
  // Through void*, as the system hands every procedure back as one shape.
  const auto procedure =
      reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(library_, "RecordWindowMove")));
  if (procedure != nullptr) hook_ = SetWindowsHookExA(WH_CALLWNDPROCRET, procedure, library_, threadId);
}

WindowMoves::~WindowMoves() {
  if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
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
  return std::vector<RECT>(log_->rects, log_->rects + (count < WindowMoveLog::kCapacity ? count : WindowMoveLog::kCapacity));
}
