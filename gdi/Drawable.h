#pragma once
// What a canvas can draw stretched into a rectangle; graphics are drawables, so
// the canvas needs to know nothing of picture kinds.

#include <windows.h>

class TCanvas;

class TDrawable {
public:
  // Draws the whole of itself stretched into the rectangle of the canvas.
  virtual void DrawInto(TCanvas& canvas, const RECT& rect) = 0;

protected:
  ~TDrawable() = default;
};
