#include "picture/Picture.h"

#include <utility>

#include "picture/bitmap/Bitmap.h"
#include "picture/formats/FileFormats.h"
#include "picture/readers/jpeg/JpegImage.h"
#include "picture/readers/PictureReaders.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"

namespace {

// Unhooks a graphic that is about to go, so that nothing it signals while it is
// destroyed reaches the holder as an extra notification.
void Discard(std::unique_ptr<TGraphic> graphic) {
  if (graphic == nullptr) return;
  graphic->OnChange = nullptr;
  graphic->OnProgress = nullptr;
}

}  // namespace

TPicture::TPicture() { FileFormatRegistry(); }

TPicture::~TPicture() { Discard(std::move(graphic_)); }

bool IsReadablePicture(const FilePath& file) {
  const TPictureChoice choice = ChoosePictureReader(file);
  return choice.Readable() && !choice.notAPicture;
}

void TPicture::LoadFile(const FilePath& fileName) { LoadFile(fileName, ChoosePictureReader(fileName)); }

void TPicture::LoadFile(const FilePath& fileName, const TPictureChoice& choice) {
  // Progress is passed on while loading; changes are not, since the holder
  // reports the whole load as one change once it has succeeded.
  Install(OpenPicture(fileName, choice,
                      [this](TPersistent* sender, TProgressStage stage, uint8_t percentDone, bool redrawNow,
                             RECT& rect, std::string& message) {
                        ReportProgress(sender, stage, percentDone, redrawNow, rect, message);
                      }));
}

int TPicture::Width() const { return graphic_ != nullptr ? graphic_->Width() : 0; }

int TPicture::Height() const { return graphic_ != nullptr ? graphic_->Height() : 0; }

void TPicture::SetCurrentGraphic(const TGraphic* graphic) {
  std::unique_ptr<TGraphic> copy;
  if (graphic != nullptr) {
    // The copy is complete before the previous graphic goes, so a failing copy
    // leaves the holder as it was, and the holder's own graphic may be passed.
    copy = graphic->ClassType().create();
    copy->CopyFrom(graphic);
  }
  Install(std::move(copy));
}

void TPicture::CopyFrom(const TPersistent* source) {
  if (source == nullptr) {
    SetCurrentGraphic(nullptr);
  } else if (const auto* picture = dynamic_cast<const TPicture*>(source)) {
    SetCurrentGraphic(picture->CurrentGraphic());
  } else if (const auto* graphic = dynamic_cast<const TGraphic*>(source)) {
    SetCurrentGraphic(graphic);
  } else {
    throw EConvertError("このオブジェクトは TPicture に代入できません");
  }
}

TBitmap& TPicture::AsBitmap() {
  if (auto* bitmap = dynamic_cast<TBitmap*>(graphic_.get())) return *bitmap;
  // The empty bitmap is made before the previous graphic goes, so a failure
  // leaves the holder as it was.
  std::unique_ptr<TGraphic> made = TBitmap::StaticClass().create();
  auto& bitmap = dynamic_cast<TBitmap&>(*made);
  Install(std::move(made));
  return bitmap;
}

void TPicture::NotifyChanged(TPersistent*) {
  if (OnChange) OnChange(this);
}

void TPicture::ReportProgress(TPersistent* sender, TProgressStage stage, uint8_t percentDone, bool redrawNow,
                              RECT& rect, std::string& message) {
  if (OnProgress) OnProgress(sender, stage, percentDone, redrawNow, rect, message);
}

void TPicture::Wire(TGraphic& graphic) {
  graphic.OnChange = [this](TGraphic* sender) { NotifyChanged(sender); };
  graphic.OnProgress = [this](TPersistent* sender, TProgressStage stage, uint8_t percentDone, bool redrawNow,
                              RECT& rect, std::string& message) {
    ReportProgress(sender, stage, percentDone, redrawNow, rect, message);
  };
}

void TPicture::Install(std::unique_ptr<TGraphic> graphic) {
  if (graphic != nullptr) Wire(*graphic);
  Discard(std::exchange(graphic_, std::move(graphic)));
  NotifyChanged(this);
}

void RefuseEmptyPicture(TPicture& picture) {
  TGraphic* graphic = picture.CurrentGraphic();
  if (graphic == nullptr || graphic->Width() > 0) return;
  try {
    if (auto* jpeg = dynamic_cast<TJPEGImage*>(graphic)) jpeg->Bitmap();
    throw EInvalidGraphic(ResText(IDS_INVALID_BITMAP));
  } catch (...) {
    picture.SetCurrentGraphic(nullptr);
    throw;
  }
}
