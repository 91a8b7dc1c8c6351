#pragma once
// The brush of a canvas or a control: its attributes, and the system brush made
// from them when first needed.

#include <windows.h>

#include <functional>

#include "gdi/Color.h"
#include "gdi/Handles.h"

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBrush {
public:
  TBrush() = default;
  TBrush(const TBrush&) = delete;
  TBrush& operator=(const TBrush&) = delete;

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle style);

  // The system brush, made on first need and again after each change; owned,
  // except for bsClear, which is the shared stock NULL_BRUSH.
  HBRUSH Handle();

  void Assign(const TBrush& source);

  // Runs after every change, while the previous system brush still exists.
  std::function<void()> OnChange;

private:
  template <class T>
  void Set(T& field, T value);
  void Changed();

  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
  UniqueGdiObject<HBRUSH> handle_;
};
