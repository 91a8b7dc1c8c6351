#include "ui/ControlCanvas.h"

#include <algorithm>
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
  if (deviceContext_ == nullptr) {
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
    HWND window = nullptr;
    const HDC dc = control_->GetDeviceContext(window);
    if (dc == nullptr) return;
    deviceContext_ = dc;
    window_ = window;
    list.canvases.push_back(this);
  }
  // Text is always read left to right here, so no reading-order flag is set.
  SetHandle(deviceContext_);
}

void TControlCanvas::FreeHandle() {
  if (deviceContext_ == nullptr) return;
  SetHandle(nullptr);
  {
    DeviceContextList& list = HeldDeviceContexts();
    CriticalSectionGuard guard(list.lock);
    list.canvases.erase(std::remove(list.canvases.begin(), list.canvases.end(), this), list.canvases.end());
  }
  ReleaseDC(window_, deviceContext_);
  deviceContext_ = nullptr;
  window_ = nullptr;
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
