#pragma once
// Owners for system handles, so that every path, failures included, gives them back.

#include <windows.h>

#include <utility>

// A move-only owner of one handle, released with Close.
template <class Handle, class Closer>
class UniqueHandle {
public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, Handle{}));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Handle{}; }
  Handle release() { return std::exchange(handle_, Handle{}); }
  void reset(Handle handle = Handle{}) {
    if (handle_ != Handle{}) Closer()(handle_);
    handle_ = handle;
  }

private:
  Handle handle_{};
};

struct GdiObjectCloser {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct DcCloser {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
struct FileCloser {
  void operator()(HANDLE file) const { CloseHandle(file); }
};
struct WindowCloser {
  void operator()(HWND window) const { DestroyWindow(window); }
};
struct GlobalMemoryCloser {
  void operator()(HGLOBAL block) const { GlobalFree(block); }
};

template <class T>
using UniqueGdiObject = UniqueHandle<T, GdiObjectCloser>;
using UniqueMemoryDC = UniqueHandle<HDC, DcCloser>;
using UniqueWindow = UniqueHandle<HWND, WindowCloser>;
// A global memory block; release() it once the system has taken it over.
using UniqueGlobalMemory = UniqueHandle<HGLOBAL, GlobalMemoryCloser>;

// A global memory block locked for one scope (GlobalLock/GlobalUnlock); null
// when the lock failed.
class LockedGlobalMemory {
public:
  explicit LockedGlobalMemory(HGLOBAL block) : block_(block), data_(GlobalLock(block)) {}
  ~LockedGlobalMemory() {
    if (data_ != nullptr) GlobalUnlock(block_);
  }
  LockedGlobalMemory(const LockedGlobalMemory&) = delete;
  LockedGlobalMemory& operator=(const LockedGlobalMemory&) = delete;
  void* get() const { return data_; }

private:
  HGLOBAL block_;
  void* data_;
};

// The clipboard opened for one scope (OpenClipboard/CloseClipboard); closed
// again only when the open succeeded.
class OpenedClipboard {
public:
  explicit OpenedClipboard(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
  ~OpenedClipboard() {
    if (open_) CloseClipboard();
  }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;
  explicit operator bool() const { return open_; }

private:
  bool open_;
};

// A file handle: INVALID_HANDLE_VALUE, not 0, means none.
class UniqueFile {
public:
  UniqueFile() = default;
  explicit UniqueFile(HANDLE file) : file_(file) {}
  ~UniqueFile() { reset(); }
  UniqueFile(UniqueFile&& other) noexcept : file_(std::exchange(other.file_, INVALID_HANDLE_VALUE)) {}
  UniqueFile& operator=(UniqueFile&& other) noexcept {
    if (this != &other) reset(std::exchange(other.file_, INVALID_HANDLE_VALUE));
    return *this;
  }
  UniqueFile(const UniqueFile&) = delete;
  UniqueFile& operator=(const UniqueFile&) = delete;
  HANDLE get() const { return file_; }
  explicit operator bool() const { return file_ != INVALID_HANDLE_VALUE; }
  void reset(HANDLE file = INVALID_HANDLE_VALUE) {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    file_ = file;
  }

private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

// A window's device context for one scope (GetDC/ReleaseDC); borrowed, never deleted.
class WindowDC {
public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDC() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }

private:
  HWND window_;
  HDC dc_;
};

// An object selected into a device context for one scope, the old one put back after.
class SelectedObject {
public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~SelectedObject() {
    if (old_ != nullptr && old_ != HGDI_ERROR) SelectObject(dc_, old_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

private:
  HDC dc_;
  HGDIOBJ old_;
};

// A palette selected and realised in a device context for one scope; put back
// forced to the background, as a palette that is given up should be. No palette,
// no change.
class SelectedPalette {
public:
  SelectedPalette(HDC dc, HPALETTE palette, bool background = false) : dc_(dc) {
    if (palette == nullptr) return;
    old_ = SelectPalette(dc, palette, background ? TRUE : FALSE);
    RealizePalette(dc);
  }
  ~SelectedPalette() {
    if (old_ != nullptr) SelectPalette(dc_, old_, TRUE);
  }
  SelectedPalette(const SelectedPalette&) = delete;
  SelectedPalette& operator=(const SelectedPalette&) = delete;

private:
  HDC dc_;
  HPALETTE old_ = nullptr;
};

// A critical section, initialised and deleted with its owner.
class CriticalSection {
public:
  CriticalSection() { InitializeCriticalSection(&section_); }
  ~CriticalSection() { DeleteCriticalSection(&section_); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
  void Enter() { EnterCriticalSection(&section_); }
  void Leave() { LeaveCriticalSection(&section_); }

private:
  CRITICAL_SECTION section_;
};

// A critical section entered for one scope.
class CriticalSectionGuard {
public:
  explicit CriticalSectionGuard(CriticalSection& section) : section_(section) { section_.Enter(); }
  ~CriticalSectionGuard() { section_.Leave(); }
  CriticalSectionGuard(const CriticalSectionGuard&) = delete;
  CriticalSectionGuard& operator=(const CriticalSectionGuard&) = delete;

private:
  CriticalSection& section_;
};

// The device context state saved for one scope (SaveDC/RestoreDC).
class SavedDC {
public:
  explicit SavedDC(HDC dc) : dc_(dc), level_(SaveDC(dc)) {}
  ~SavedDC() {
    if (level_ != 0) RestoreDC(dc_, level_);
  }
  SavedDC(const SavedDC&) = delete;
  SavedDC& operator=(const SavedDC&) = delete;

private:
  HDC dc_;
  int level_;
};
