#pragma once
// Owners for system handles, so that every path, failures included, gives them back.

#include <windows.h>
#include <icm.h>
#include <objbase.h>
#include <propidl.h>

#include <utility>

// The value that means "no handle": null for most handles.
template <class Handle>
struct NullIsInvalid {
  static Handle Value() { return Handle{}; }
};
// File handles say "none" with INVALID_HANDLE_VALUE, not null.
struct MinusOneIsInvalid {
  static HANDLE Value() { return INVALID_HANDLE_VALUE; }
};

// A move-only owner of one handle, released with Closer unless it holds the
// Invalid policy's value.
template <class Handle, class Closer, class Invalid = NullIsInvalid<Handle>>
class UniqueHandle {
public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Invalid::Value())) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, Invalid::Value()));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Invalid::Value(); }
  Handle release() { return std::exchange(handle_, Invalid::Value()); }
  // Where a call that makes a handle stores it; the one held before is released first.
  Handle* put() {
    reset();
    return &handle_;
  }
  void reset(Handle handle = Invalid::Value()) {
    if (handle_ != Invalid::Value()) Closer()(handle_);
    handle_ = handle;
  }

private:
  Handle handle_ = Invalid::Value();
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

struct ColorProfileCloser {
  void operator()(HPROFILE profile) const { CloseColorProfile(profile); }
};
struct ColorTransformCloser {
  void operator()(HTRANSFORM transform) const { DeleteColorTransform(transform); }
};

struct ComReleaser {
  template <class Interface>
  void operator()(Interface* object) const {
    object->Release();
  }
};

template <class T>
using UniqueGdiObject = UniqueHandle<T, GdiObjectCloser>;
// One reference to a COM object; IID_PPV_ARGS(pointer.put()) receives a new one.
template <class Interface>
using ComPtr = UniqueHandle<Interface*, ComReleaser>;
// A palette this code made and must delete. A palette it only borrows (the
// system's own, or one another owner keeps) is held as a plain HPALETTE.
using UniquePalette = UniqueGdiObject<HPALETTE>;
using UniqueMemoryDC = UniqueHandle<HDC, DcCloser>;
using UniqueWindow = UniqueHandle<HWND, WindowCloser>;
// A colour profile opened by the system's colour management, and a transform made from profiles.
using UniqueColorProfile = UniqueHandle<HPROFILE, ColorProfileCloser>;
using UniqueColorTransform = UniqueHandle<HTRANSFORM, ColorTransformCloser>;
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

// COM made ready on the calling thread for one scope (CoInitializeEx with a
// single-threaded apartment), undone only when this call did it. A thread already
// in the multithreaded apartment keeps it; COM is usable there all the same.
class ComApartment {
public:
  ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  bool Usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }
  HRESULT Result() const { return result_; }

private:
  HRESULT result_;
};

// A PROPVARIANT that a call fills, cleared with its owner.
class PropVariantValue {
public:
  PropVariantValue() { PropVariantInit(&value_); }
  ~PropVariantValue() { PropVariantClear(&value_); }
  PropVariantValue(const PropVariantValue&) = delete;
  PropVariantValue& operator=(const PropVariantValue&) = delete;
  PROPVARIANT* put() {
    PropVariantClear(&value_);
    return &value_;
  }
  const PROPVARIANT& get() const { return value_; }

private:
  PROPVARIANT value_;
};

// A file handle: INVALID_HANDLE_VALUE, not 0, means none.
using UniqueFile = UniqueHandle<HANDLE, FileCloser, MinusOneIsInvalid>;

// A window's device context (GetDC/ReleaseDC); borrowed, never deleted. Null
// window: the screen's. Movable, so that a canvas can keep one between messages.
class WindowDC {
public:
  WindowDC() = default;
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDC() { reset(); }
  WindowDC(WindowDC&& other) noexcept
      : window_(std::exchange(other.window_, nullptr)), dc_(std::exchange(other.dc_, nullptr)) {}
  WindowDC& operator=(WindowDC&& other) noexcept {
    if (this != &other) {
      reset();
      window_ = std::exchange(other.window_, nullptr);
      dc_ = std::exchange(other.dc_, nullptr);
    }
    return *this;
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }
  HWND window() const { return window_; }
  // Gives the device context back now.
  void reset() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
    dc_ = nullptr;
    window_ = nullptr;
  }

private:
  HWND window_ = nullptr;
  HDC dc_ = nullptr;
};

// A window's painting for one WM_PAINT (BeginPaint/EndPaint).
class PaintDC {
public:
  explicit PaintDC(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  ~PaintDC() {
    if (dc_ != nullptr) EndPaint(window_, &paint_);
  }
  PaintDC(const PaintDC&) = delete;
  PaintDC& operator=(const PaintDC&) = delete;
  HDC get() const { return dc_; }
  const PAINTSTRUCT& Info() const { return paint_; }

private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// An object selected into a device context for one scope, the old one put back after.
class SelectedObject {
public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~SelectedObject() {
    if (ok()) SelectObject(dc_, old_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  // Whether the selection took place.
  bool ok() const { return old_ != nullptr && old_ != HGDI_ERROR; }

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

// Runs a step when the scope ends, on every path; for clean-up that no owner
// type above describes.
template <class Step>
class ScopeExit {
public:
  explicit ScopeExit(Step step) : step_(std::move(step)) {}
  ~ScopeExit() { step_(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

private:
  Step step_;
};

// A variable holding a value for one scope, then its old value again; for
// "while this runs" flags.
template <class T>
class ScopedValue {
public:
  ScopedValue(T& variable, T value) : variable_(variable), old_(std::exchange(variable, std::move(value))) {}
  ~ScopedValue() { variable_ = std::move(old_); }
  ScopedValue(const ScopedValue&) = delete;
  ScopedValue& operator=(const ScopedValue&) = delete;

private:
  T& variable_;
  T old_;
};
