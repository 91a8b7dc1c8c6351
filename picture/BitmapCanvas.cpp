#include "picture/BitmapCanvas.h"

#include <algorithm>
#include <vector>

#include "gdi/Handles.h"
#include "picture/Bitmap.h"
#include "picture/BitmapImage.h"

namespace {

// The bitmap canvases that hold a memory context. The lock may be entered again by
// its holder (critical sections are recursive): giving back a context while the
// list is being walked removes the canvas from it.
struct MemoryCanvasList {
  CriticalSection lock;
  std::vector<TBitmapCanvas*> canvases;
};

MemoryCanvasList& MemoryCanvases() {
  static MemoryCanvasList list;
  return list;
}

// Holds a canvas's own lock for one scope.
class CanvasLock {
public:
  explicit CanvasLock(TCanvas& canvas) : canvas_(canvas) { canvas_.Lock(); }
  ~CanvasLock() { canvas_.Unlock(); }
  CanvasLock(const CanvasLock&) = delete;
  CanvasLock& operator=(const CanvasLock&) = delete;

private:
  TCanvas& canvas_;
};

}  // namespace

TBitmapCanvas::TBitmapCanvas(TBitmap& bitmap) : bitmap_(bitmap) {}

TBitmapCanvas::~TBitmapCanvas() { ReleaseMemoryDC(); }

void TBitmapCanvas::CreateHandle() {
  CanvasLock lock(*this);
  bitmap_.EnsureHandle();
  const TBitmapImage& image = bitmap_.Image();
  DeselectEverywhere(image.Handle);
  bitmap_.EnsurePalette();

  UniqueMemoryDC dc(GdiCreate([&] { return CreateCompatibleDC(nullptr); }));
  HGDIOBJ oldBitmap = nullptr;
  HPALETTE oldPalette = nullptr;
  if (image.Handle != nullptr) {
    SetLastError(0);
    oldBitmap = SelectObject(dc.get(), image.Handle);
    if (oldBitmap == nullptr || oldBitmap == HGDI_ERROR) RaiseGdiError();
  }
  if (image.Palette) {
    oldPalette = SelectPalette(dc.get(), image.Palette.get(), TRUE);
    RealizePalette(dc.get());
  }

  MemoryCanvasList& list = MemoryCanvases();
  CriticalSectionGuard guard(list.lock);
  list.canvases.push_back(this);
  memoryDC_ = dc.release();
  oldBitmap_ = oldBitmap;
  oldPalette_ = oldPalette;
  SetHandle(memoryDC_);
}

void TBitmapCanvas::ReleaseMemoryDC() {
  if (memoryDC_ == nullptr) return;
  CanvasLock lock(*this);
  if (oldBitmap_ != nullptr) SelectObject(memoryDC_, oldBitmap_);
  if (oldPalette_ != nullptr) SelectPalette(memoryDC_, oldPalette_, TRUE);
  SetHandle(nullptr);
  DeleteDC(memoryDC_);
  memoryDC_ = nullptr;
  oldBitmap_ = nullptr;
  oldPalette_ = nullptr;
  MemoryCanvasList& list = MemoryCanvases();
  CriticalSectionGuard guard(list.lock);
  list.canvases.erase(std::remove(list.canvases.begin(), list.canvases.end(), this), list.canvases.end());
}

void DeselectEverywhere(HBITMAP handle) {
  if (handle == nullptr) return;
  MemoryCanvasList& list = MemoryCanvases();
  CriticalSectionGuard guard(list.lock);
  for (size_t i = list.canvases.size(); i-- > 0;) {
    if (i >= list.canvases.size()) continue;
    TBitmapCanvas* canvas = list.canvases[i];
    if (canvas->Bitmap().Image().Handle == handle) canvas->ReleaseMemoryDC();
  }
}

void ReleaseIdleMemoryDCs() {
  MemoryCanvasList& list = MemoryCanvases();
  CriticalSectionGuard guard(list.lock);
  for (size_t i = list.canvases.size(); i-- > 0;) {
    if (i >= list.canvases.size()) continue;
    TBitmapCanvas* canvas = list.canvases[i];
    if (canvas->TryLock()) {
      canvas->ReleaseMemoryDC();
      canvas->Unlock();
    }
  }
}

int MemoryCanvasCount() {
  MemoryCanvasList& list = MemoryCanvases();
  CriticalSectionGuard guard(list.lock);
  return static_cast<int>(list.canvases.size());
}
