#include "picture/core/Graphic.h"

#include "picture/core/Stream.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"

void TPersistent::CopyTo(TPersistent&) const { throw EConvertError("ビットマップには変換できない画像です"); }

std::unique_ptr<TBitmap> TGraphic::ShrunkFromDecoder(int, int, int, int) const {
  throw EInvalidGraphicOperation(ResText(IDS_INVALID_BITMAP));
}

void TGraphic::NotifyChanged(TPersistent*) {
  modified_ = true;
  if (OnChange) OnChange(this);
}

void TGraphic::SetTransparent(bool value) {
  if (transparent_ == value) return;
  transparent_ = value;
  NotifyChanged(this);
}

void TGraphic::LoadFile(const FilePath& fileName) {
  TFileStream stream(fileName, TFileStream::kOpenRead);
  LoadStream(stream);
}

void TGraphic::SaveFile(const FilePath& fileName) {
  TFileStream stream(fileName, TFileStream::kCreate);
  SaveStream(stream);
}

void TGraphic::Progress(TPersistent* sender, TProgressStage stage, uint8_t percentDone, bool redrawNow,
                        RECT& rect, std::string& message) {
  if (OnProgress) OnProgress(sender, stage, percentDone, redrawNow, rect, message);
}

bool KeptPixelsServe(SIZE kept, SIZE whole, SIZE wanted) {
  const bool isWhole = kept.cx == whole.cx && kept.cy == whole.cy;
  return isWhole || (kept.cx >= wanted.cx && kept.cy >= wanted.cy);
}
