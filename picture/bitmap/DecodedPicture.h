#pragma once
// A picture whose pixels a reader decodes from its file on demand (the system's
// codecs, libwebp, libheif): it is drawn from the pixels decoded for its size,
// is never resized, and gives a bitmap target the whole picture.

#include "picture/core/Graphic.h"

class TDecodedPicture : public TGraphic {
public:
  // A bitmap target receives the whole picture, decoded (an empty picture,
  // none); any other target is refused as TGraphic refuses it.
  void CopyTo(TPersistent& target) const override;
  void DrawInto(TCanvas& canvas, const RECT& rect) override;
  // Raise EInvalidGraphicOperation: a picture read this way is not resized.
  void SetWidth(int value) final;
  void SetHeight(int value) final;
  // Smoothly, as the decoder gives its rows.
  bool ShrinksFromDecoder() const override { return true; }

protected:
  // The whole picture, upright, decoded into the bitmap; called only when
  // the picture is not empty.
  virtual void DecodeWhole(TBitmap& whole) const = 0;
};
