#pragma once
// The drawing surface of a bitmap: a memory device context made when a drawing
// operation needs one and given back after every window message, because memory
// contexts are a scarce system resource and a bitmap fits in one context at a time.

#include <windows.h>

#include <memory>

#include "gdi/Canvas.h"

class TBitmap;

class TBitmapCanvas : public TCanvas {
public:
  explicit TBitmapCanvas(TBitmap& bitmap);
  ~TBitmapCanvas() override;

  TBitmap& Bitmap() const { return bitmap_; }
  // Whether the bitmap's current GDI bitmap is `handle`.
  bool Holds(HBITMAP handle) const;
  // Puts back what the memory context held and deletes it; nothing without one.
  void ReleaseMemoryDC();

protected:
  void CreateHandle() override;

private:
  // The memory context with the image's bitmap and palette selected in it.
  struct MemoryContext;

  TBitmap& bitmap_;
  std::unique_ptr<MemoryContext> memory_;
};

// Every bitmap canvas whose bitmap's image is `handle` gives back its memory
// context, so that the bitmap can be selected elsewhere or deleted.
void DeselectEverywhere(HBITMAP handle);
// Every bitmap canvas not locked by anyone gives back its memory context; the
// program's start adds it to the steps run after each window message.
void ReleaseIdleMemoryDCs();
// The number of bitmap canvases holding a memory context.
int MemoryCanvasCount();
