#pragma once
// The graphic contract; the picture classes (bitmap, JPEG image) derive from it.

#include <windows.h>

class TCanvas;

class TGraphic {
public:
  virtual ~TGraphic() = default;
  // Draws the whole graphic stretched into the rectangle of the canvas.
  virtual void DrawInto(TCanvas& canvas, const RECT& rect) = 0;
};
