#include "picture/BitmapCanvas.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "gdi/AfterMessage.h"
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

}  // namespace

// Destroyed in reverse order: the bitmap and the palette are put back before the
// context is deleted.
struct TBitmapCanvas::MemoryContext {
  UniqueMemoryDC dc;
  std::optional<SelectedPalette> palette;
  std::optional<SelectedObject> bitmap;
};

TBitmapCanvas::TBitmapCanvas(TBitmap& bitmap) : bitmap_(bitmap) {}

TBitmapCanvas::~TBitmapCanvas() { ReleaseMemoryDC(); }

void TBitmapCanvas::CreateHandle() {
  Lock();
  ScopeExit unlock([this] { Unlock(); });
  bitmap_.EnsureHandle();
  const TBitmapImage& image = bitmap_.Image();
  DeselectEverywhere(image.Handle);
  bitmap_.EnsurePalette();

  auto memory = std::make_unique<MemoryContext>();
  memory->dc.reset(GdiCreate([&] { return CreateCompatibleDC(nullptr); }));
  if (image.Handle != nullptr) {
    SetLastError(0);
    memory->bitmap.emplace(memory->dc.get(), image.Handle);
    if (!memory->bitmap->ok()) RaiseGdiError();
  }
  memory->palette.emplace(memory->dc.get(), image.Palette.get(), true);

  MemoryCanvasList& list = MemoryCanvases();
  CriticalSectionGuard guard(list.lock);
  list.canvases.push_back(this);
  memory_ = std::move(memory);
  SetHandle(memory_->dc.get());
}

void TBitmapCanvas::ReleaseMemoryDC() {
  if (memory_ == nullptr) return;
  Lock();
  ScopeExit unlock([this] { Unlock(); });
  memory_->bitmap.reset();
  memory_->palette.reset();
  SetHandle(nullptr);
  memory_.reset();
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

namespace {

// Given back after every window message, once the program has bitmaps at all.
const bool g_releasedAfterEachMessage = (AddAfterMessageStep(ReleaseIdleMemoryDCs), true);

}  // namespace

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
