#include "picture/bitmap/DecodedPicture.h"

#include "gdi/Canvas.h"
#include "picture/bitmap/Bitmap.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"

void TDecodedPicture::CopyTo(TPersistent& target) const {
  auto* bitmap = dynamic_cast<TBitmap*>(&target);
  if (bitmap == nullptr) {
    TGraphic::CopyTo(target);
    return;
  }
  if (IsEmpty()) {
    bitmap->CopyFrom(nullptr);
    return;
  }
  TBitmap whole;
  DecodeWhole(whole);
  bitmap->CopyFrom(&whole);
}

void TDecodedPicture::DrawInto(TCanvas& canvas, const RECT& rect) {
  if (IsEmpty()) return;
  canvas.StretchDraw(rect, PixelsFor(Width(), Height()));
}

void TDecodedPicture::SetWidth(int) { throw EInvalidGraphicOperation(ResText(IDS_PICTURE_CANNOT_RESIZE)); }
void TDecodedPicture::SetHeight(int) { throw EInvalidGraphicOperation(ResText(IDS_PICTURE_CANNOT_RESIZE)); }
