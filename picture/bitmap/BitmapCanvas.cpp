#include "picture/bitmap/BitmapCanvas.h"

#include <memory>
#include <optional>
#include <utility>

#include "gdi/CanvasList.h"
#include "gdi/Handles.h"
#include "picture/bitmap/Bitmap.h"
#include "picture/bitmap/BitmapImage.h"

namespace {

// The bitmap canvases that hold a memory context.
CanvasList<TBitmapCanvas>& MemoryCanvases() {
  static CanvasList<TBitmapCanvas> list;
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
  DeselectEverywhere(image.Handle());
  bitmap_.EnsurePalette();

  auto memory = std::make_unique<MemoryContext>();
  memory->dc.reset(GdiCreate([&] { return CreateCompatibleDC(nullptr); }));
  if (image.Handle() != nullptr) {
    SetLastError(0);
    memory->bitmap.emplace(memory->dc.get(), image.Handle());
    if (!memory->bitmap->ok()) RaiseGdiError();
  }
  memory->palette.emplace(memory->dc.get(), image.PaletteHandle(), true);

  CanvasList<TBitmapCanvas>& list = MemoryCanvases();
  CriticalSectionGuard guard(list.Lock());
  list.Add(this);
  memory_ = std::move(memory);
  SetHandle(memory_->dc.get());
}

bool TBitmapCanvas::Holds(HBITMAP handle) const { return bitmap_.Image().Handle() == handle; }

void TBitmapCanvas::ReleaseMemoryDC() {
  if (memory_ == nullptr) return;
  Lock();
  ScopeExit unlock([this] { Unlock(); });
  memory_->bitmap.reset();
  memory_->palette.reset();
  SetHandle(nullptr);
  memory_.reset();
  MemoryCanvases().Remove(this);
}

void DeselectEverywhere(HBITMAP handle) {
  if (handle == nullptr) return;
  MemoryCanvases().ForEachNewestFirst([handle](TBitmapCanvas* canvas) {
    if (canvas->Holds(handle)) canvas->ReleaseMemoryDC();
  });
}

void ReleaseIdleMemoryDCs() {
  MemoryCanvases().ForEachNewestFirst([](TBitmapCanvas* canvas) {
    if (canvas->TryLock()) {
      canvas->ReleaseMemoryDC();
      canvas->Unlock();
    }
  });
}

int MemoryCanvasCount() {
  return static_cast<int>(MemoryCanvases().Count());
}
