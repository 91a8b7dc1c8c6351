#include "ui/ControlCanvas.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "gdi/Handles.h"

namespace {

// The control canvases holding an obtained device context, in the order obtained.
struct DeviceContextList {
  CriticalSection lock;
  std::vector<TControlCanvas*> canvases;
};
DeviceContextList& HeldDeviceContexts() {
  static DeviceContextList list;
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
    DeviceContextList& list = HeldDeviceContexts();
    CriticalSectionGuard guard(list.lock);
    if (list.canvases.size() >= kMaxHeldDeviceContexts) {
      // Make room by taking the context of the first canvas not in use.
      for (TControlCanvas* held : list.canvases) {
        if (held->TryLock()) {
          held->FreeHandle();
          held->Unlock();
          break;
        }
      }
    }
    WindowDC dc = control_->GetDeviceContext();
    if (dc.get() == nullptr) return;
    deviceContext_ = std::move(dc);
    list.canvases.push_back(this);
  }
  // Text is always read left to right here, so no reading-order flag is set.
  SetHandle(deviceContext_.get());
}

void TControlCanvas::FreeHandle() {
  if (deviceContext_.get() == nullptr) return;
  SetHandle(nullptr);
  {
    DeviceContextList& list = HeldDeviceContexts();
    CriticalSectionGuard guard(list.lock);
    list.canvases.erase(std::remove(list.canvases.begin(), list.canvases.end(), this), list.canvases.end());
  }
  deviceContext_.reset();
}

void ReleaseAllDeviceContexts() {
  DeviceContextList& list = HeldDeviceContexts();
  CriticalSectionGuard guard(list.lock);
  for (size_t i = list.canvases.size(); i-- > 0;) {
    TControlCanvas* canvas = list.canvases[i];
    if (canvas->TryLock()) {
      canvas->FreeHandle();
      canvas->Unlock();
    }
  }
}
