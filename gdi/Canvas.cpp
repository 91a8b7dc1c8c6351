#include "gdi/Canvas.h"


#include "gdi/CanvasList.h"
#include "gdi/Handles.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"
#include "text/Utf16.h"

namespace {

// Made on first use, so canvases made during static initialisation find them.
CriticalSection& LockCountLock() {
  static CriticalSection section;
  return section;
}

CanvasList<TCanvas>& AllCanvases() {
  static CanvasList<TCanvas> list;
  return list;
}

}  // namespace

TCanvas::TCanvas() {
  font_.OnChange = [this] {
    if ((state_ & csFontValid) == 0) return;
    state_ &= ~csFontValid;
    SelectObject(dc_, GetStockObject(SYSTEM_FONT));
  };
  pen_.OnChange = [this] {
    if ((state_ & csPenValid) == 0) return;
    state_ &= ~csPenValid;
    SelectObject(dc_, GetStockObject(BLACK_PEN));
  };
  brush_.OnChange = [this] {
    if ((state_ & csBrushValid) == 0) return;
    state_ &= ~csBrushValid;
    SelectObject(dc_, GetStockObject(NULL_BRUSH));
  };
  AllCanvases().Add(this);
}

TCanvas::~TCanvas() {
  AllCanvases().Remove(this);
  // The font, pen and brush are deleted next; they must not stay selected.
  SetHandle(nullptr);
}

HDC TCanvas::Handle() {
  RequiredState(csHandleValid);
  return dc_;
}

void TCanvas::SetHandle(HDC dc) {
  if (dc == dc_) return;
  if (dc_ != nullptr) {
    DeselectHandles();
    GetCurrentPositionEx(dc_, &penPos_);
    dc_ = nullptr;
    state_ &= ~csHandleValid;
  }
  if (dc != nullptr) {
    dc_ = dc;
    state_ |= csHandleValid;
    MoveToEx(dc_, penPos_.x, penPos_.y, nullptr);
  }
}

void TCanvas::DeselectHandles() {
  if (dc_ == nullptr || (state_ & (csFontValid | csPenValid | csBrushValid)) == 0) return;
  SelectObject(dc_, GetStockObject(SYSTEM_FONT));
  SelectObject(dc_, GetStockObject(BLACK_PEN));
  SelectObject(dc_, GetStockObject(NULL_BRUSH));
  state_ &= ~(csFontValid | csPenValid | csBrushValid);
}

void TCanvas::RequiredState(TCanvasState required) {
  const TCanvasState missing = required & ~state_;
  if (missing == 0) return;
  if ((missing & csHandleValid) != 0) {
    CreateHandle();
    if (dc_ == nullptr) throw EInvalidOperation(ResText(IDS_NO_CANVAS_HANDLE));
  }
  if ((missing & csFontValid) != 0) {
    SelectObject(dc_, font_.Handle());
    SetTextColor(dc_, ColorToRGB(font_.Color()));
  }
  if ((missing & csPenValid) != 0) {
    SelectObject(dc_, pen_.Handle());
    SetROP2(dc_, PenModeToRop2(pen_.Mode()));
  }
  if ((missing & csBrushValid) != 0) {
    const HBRUSH brush = brush_.Handle();
    UnrealizeObject(brush);
    SelectObject(dc_, brush);
    const COLORREF color = ColorToRGB(brush_.Color());
    if (brush_.Style() == bsSolid) {
      SetBkColor(dc_, color);
      SetBkMode(dc_, OPAQUE);
    } else {
      // A hatched brush's gaps stay transparent.
      SetBkColor(dc_, ~color);
      SetBkMode(dc_, TRANSPARENT);
    }
  }
  state_ |= missing;
}

void TCanvas::MoveTo(int x, int y) {
  RequiredState(csHandleValid);
  MoveToEx(dc_, x, y, nullptr);
}

void TCanvas::CopyRect(const RECT& dest, TCanvas& source, const RECT& sourceRect) {
  Changing();
  RequiredState(csHandleValid | csFontValid | csBrushValid);
  source.RequiredState(csHandleValid | csBrushValid);
  // The result is not examined: a failed copy leaves the destination as it was.
  StretchBlt(dc_, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, source.dc_, sourceRect.left,
             sourceRect.top, sourceRect.right - sourceRect.left, sourceRect.bottom - sourceRect.top, copyMode_);
  Changed();
}

void TCanvas::StretchDraw(const RECT& rect, TDrawable* graphic) {
  if (graphic == nullptr) return;
  Changing();
  RequiredState(csAllValid);
  graphic->DrawInto(*this, rect);
  Changed();
}

void TCanvas::FillRect(const RECT& rect) {
  Changing();
  RequiredState(csHandleValid | csBrushValid);
  ::FillRect(dc_, &rect, brush_.Handle());
  Changed();
}

int TCanvas::TextHeight(const std::string& text) {
  RequiredState(csHandleValid | csFontValid);
  SIZE extent{};
  const std::wstring wide = Wide(text);
  GetTextExtentPoint32W(dc_, wide.data(), static_cast<int>(wide.size()), &extent);
  return extent.cy;
}

void TCanvas::Lock() {
  {
    CriticalSectionGuard guard(LockCountLock());
    ++lockCount_;
  }
  lock_.Enter();
}

void TCanvas::Unlock() {
  lock_.Leave();
  CriticalSectionGuard guard(LockCountLock());
  --lockCount_;
}

bool TCanvas::TryLock() {
  CriticalSectionGuard guard(LockCountLock());
  if (lockCount_ != 0) return false;
  Lock();
  return true;
}

int TCanvas::LockCount() const {
  CriticalSectionGuard guard(LockCountLock());
  return lockCount_;
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging();
}

void TCanvas::Changed() {
  if (OnChange) OnChange();
}

void DeselectAllCanvases() {
  AllCanvases().ForEach([](TCanvas* canvas) {
    canvas->Lock();
    canvas->DeselectHandles();
    canvas->Unlock();
  });
}
