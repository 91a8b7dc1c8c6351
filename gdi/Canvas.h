#pragma once
// The drawing surface: a device context with a font, a pen, a brush and a copy
// mode, which are selected into it only when an operation needs them.

#include <windows.h>

#include <functional>
#include <string>

#include "gdi/Brush.h"
#include "gdi/Drawable.h"
#include "gdi/Font.h"
#include "gdi/Handles.h"
#include "gdi/Pen.h"

// Which parts of a canvas are in its device context.
enum TCanvasStateFlag : unsigned { csHandleValid = 1, csFontValid = 2, csPenValid = 4, csBrushValid = 8 };
using TCanvasState = unsigned;
constexpr TCanvasState csAllValid = csHandleValid | csFontValid | csPenValid | csBrushValid;

class TCanvas {
public:
  TCanvas();
  virtual ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  // The device context, made by the canvas kind when missing; raises when none.
  HDC Handle();
  bool HandleAllocated() const { return dc_ != nullptr; }
  // Attaches a device context, or detaches with 0; on detaching the stock
  // objects are put back and the pen position is kept for the next one.
  void SetHandle(HDC dc);
  TCanvasState State() const { return state_; }
  // Makes sure the flags are in the state, selecting what is missing.
  void RequiredState(TCanvasState required);
  // Puts the stock font, pen and brush back into the device context.
  void DeselectHandles();

  // Owned; their change handlers belong to the canvas.
  TFont& Font() { return font_; }
  TPen& Pen() { return pen_; }
  TBrush& Brush() { return brush_; }
  void SetFont(const TFont& font) { font_.Assign(font); }
  void SetPen(const TPen& pen) { pen_.Assign(pen); }
  void SetBrush(const TBrush& brush) { brush_.Assign(brush); }
  // Raster operation of copies and bitmap drawing.
  DWORD CopyMode() const { return copyMode_; }
  void SetCopyMode(DWORD mode) { copyMode_ = mode; }
  void MoveTo(int x, int y);

  // Copies the source rectangle of the source canvas into the rectangle, stretched
  // to it with this canvas's copy mode: one StretchBlt.
  void CopyRect(const RECT& dest, TCanvas& source, const RECT& sourceRect);
  // The graphic draws itself into the rectangle; nothing happens without one.
  void StretchDraw(const RECT& rect, TDrawable* graphic);
  void FillRect(const RECT& rect);
  int TextHeight(const std::string& text);

  // Lock, Unlock and TryLock keep device contexts from being taken away while
  // the canvas is in use (the window layer gives back those of canvases not
  // locked after each message).
  void Lock();
  void Unlock();
  // Takes the lock only if nobody holds it; never waits.
  bool TryLock();
  // Kept for the tests, which check that every lock is given back.
  int LockCount() const;

  // Before and after each drawing operation.
  std::function<void()> OnChanging;
  std::function<void()> OnChange;
  void Changing();
  void Changed();

protected:
  // Makes a device context and attaches it; a plain canvas has none to make.
  virtual void CreateHandle() {}

private:
  HDC dc_ = nullptr;
  TCanvasState state_ = 0;
  TFont font_;
  TPen pen_;
  TBrush brush_;
  DWORD copyMode_ = SRCCOPY;
  POINT penPos_{0, 0};
  CriticalSection lock_;
  int lockCount_ = 0;
};

// The system palette changed: every canvas gives up its selected objects.
void DeselectAllCanvases();
