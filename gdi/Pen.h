#pragma once
// The pen of a canvas: its attributes, and the system pen made from them when
// first needed.

#include <windows.h>

#include <functional>

#include "gdi/Color.h"
#include "gdi/Handles.h"

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

// How the pen combines with what is already drawn (the binary raster operations).
enum TPenMode {
  pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
  pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};

// The SetROP2 value of a pen mode.
int PenModeToRop2(TPenMode mode);

class TPen {
public:
  TPen() = default;
  TPen(const TPen&) = delete;
  TPen& operator=(const TPen&) = delete;

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  int Width() const { return width_; }
  void SetWidth(int width);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle style);
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode mode);

  // The system pen, made on first need and again after each change; owned.
  HPEN Handle();

  void Assign(const TPen& source);

  // Runs after every change, while the previous system pen still exists.
  std::function<void()> OnChange;

private:
  template <class T>
  void Set(T& field, T value);
  void Changed();

  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
  UniqueGdiObject<HPEN> handle_;
};
