#include "ui/ControlCanvas.h"

#include <utility>

#include "gdi/CanvasList.h"
#include "gdi/Handles.h"

namespace {

// The control canvases holding an obtained device context, in the order obtained.
CanvasList<TControlCanvas>& HeldDeviceContexts() {
  static CanvasList<TControlCanvas> list;
  return list;
}
constexpr size_t kMaxHeldDeviceContexts = 4;

}  // namespace

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::SetControl(CanvasTarget* control) {
  if (control == control_) return;
  FreeHandle();
  control_ = control;
}

void TControlCanvas::CreateHandle() {
  if (control_ == nullptr) return;
  if (deviceContext_.get() == nullptr) {
    CanvasList<TControlCanvas>& list = HeldDeviceContexts();
    CriticalSectionGuard guard(list.Lock());
    if (list.Count() >= kMaxHeldDeviceContexts) {
      // Make room by taking the context of the first canvas not in use.
      list.UntilFirst([](TControlCanvas* held) {
        if (!held->TryLock()) return false;
        held->FreeHandle();
        held->Unlock();
        return true;
      });
    }
    WindowDC dc = control_->GetDeviceContext();
    if (dc.get() == nullptr) return;
    deviceContext_ = std::move(dc);
    list.Add(this);
  }
  // Text is always read left to right here, so no reading-order flag is set.
  SetHandle(deviceContext_.get());
}

void TControlCanvas::FreeHandle() {
  if (deviceContext_.get() == nullptr) return;
  SetHandle(nullptr);
  HeldDeviceContexts().Remove(this);
  deviceContext_.reset();
}

void ReleaseAllDeviceContexts() {
  HeldDeviceContexts().ForEachNewestFirst([](TControlCanvas* canvas) {
    if (canvas->TryLock()) {
      canvas->FreeHandle();
      canvas->Unlock();
    }
  });
}
