#pragma once
// The icon graphic: a system icon handle drawn in its own size or stretched. It
// holds a shared icon (as LoadIconA gives out), which is borrowed and never
// destroyed. Icons are always drawn with their mask, so they count as transparent.

#include <windows.h>

#include "picture/core/Graphic.h"

class TIcon : public TGraphic {
public:
  // An empty icon, 0 by 0.
  TIcon();
  // Shows the shared icon; the caller keeps it alive.
  explicit TIcon(HICON shared);

  // The class of the registry's "ico" row. The program reads no icon files, so
  // asking the class for a graphic raises EInvalidGraphic with the message for
  // an unknown extension; icons are made from handles only.
  static const TGraphicClass& StaticClass();
  const TGraphicClass& ClassType() const override { return StaticClass(); }

  HICON Handle() const { return icon_; }
  // Takes another shared icon (or none) and notifies.
  void SetHandle(HICON shared);

  // An icon source shares its handle; none empties; other sources raise EConvertError.
  void CopyFrom(const TPersistent* source) override;
  void DrawInto(TCanvas& canvas, const RECT& rect) override;
  bool IsEmpty() const override { return icon_ == nullptr; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // An icon has the size it was made with: EInvalidGraphicOperation.
  void SetWidth(int value) override;
  void SetHeight(int value) override;
  // No icon file reader or writer here: EInvalidGraphic.
  void LoadStream(TStream& stream) override;
  void SaveStream(TStream& stream) override;

private:
  HICON icon_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};
