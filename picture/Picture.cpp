#include "picture/Picture.h"

#include <utility>
#include <vector>

#include "picture/Bitmap.h"
#include "picture/FileFormats.h"
#include "picture/JpegImage.h"
#include "picture/PictureFormat.h"
#include "picture/WicCodecs.h"
#include "picture/WicImage.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"
#include "text/FileNames.h"

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

namespace {

// How a file is read: by one of the program's own graphic classes, through the
// system's codecs, or not at all.
struct TReaderChoice {
  const TGraphicClass* graphicClass = nullptr;
  bool systemCodecs = false;
};

TReaderChoice ReaderFor(TPictureFormat format) {
  if (format == TPictureFormat::Bmp) return {&TBitmap::StaticClass(), false};
  if (format == TPictureFormat::Jpeg) return {&TJPEGImage::StaticClass(), false};
  return {nullptr, format != TPictureFormat::Unknown};
}

// The extension as the file name writes it, without its dot.
std::string ExtensionAsWritten(const FilePath& file) {
  const std::string extension = FileExtensionOf(file.Text());
  return extension.empty() ? extension : extension.substr(1);
}

// A file whose first bytes name no format: a format the system's codecs read by
// that extension, else the class registered for it, else whatever a system
// decoder recognises by its own patterns (formats without a mark).
TReaderChoice ChooseReaderByName(const FilePath& file, const std::vector<uint8_t>& head) {
  const TPictureFormat named = PictureFormatOfExtension(file);
  if (named != TPictureFormat::Unknown && named != TPictureFormat::Bmp && named != TPictureFormat::Jpeg)
    return {nullptr, true};
  if (const TGraphicClass* registered = FindByExtension(ExtensionAsWritten(file))) return {registered, false};
  const TWicSession session;
  return {nullptr, DecodersRead(InstalledDecoders(session), TPictureFormat::Unknown, head)};
}

// The first bytes decide; only when they name no format does the extension, and
// last the patterns the system's decoders know (formats without a mark of their
// own). A file that cannot be read is judged by its name, so that loading it
// tells why it cannot be opened.
TReaderChoice ChooseReader(const FilePath& file) {
  std::vector<uint8_t> head;
  try {
    head = ReadPictureHead(file);
  } catch (const Exception&) {
    return ChooseReaderByName(file, {});
  }
  const TReaderChoice byContent = ReaderFor(SniffPictureFormat(head.data(), head.size()));
  if (byContent.graphicClass != nullptr || byContent.systemCodecs) return byContent;
  return ChooseReaderByName(file, head);
}

}  // namespace

bool IsReadablePicture(const FilePath& file) {
  const TReaderChoice choice = ChooseReader(file);
  return choice.graphicClass != nullptr || choice.systemCodecs;
}

void TPicture::LoadFile(const FilePath& fileName) {
  const TReaderChoice choice = ChooseReader(fileName);
  if (choice.systemCodecs) {
    auto picture = std::make_unique<TWicImage>();
    picture->Open(fileName);
    Install(std::move(picture));
    return;
  }
  if (choice.graphicClass == nullptr)
    throw EInvalidGraphic(ResFormat(IDS_UNKNOWN_EXTENSION, {ExtensionAsWritten(fileName)}));
  std::unique_ptr<TGraphic> loaded = choice.graphicClass->create();
  // Progress is passed on while loading; changes are not, since the holder
  // reports the whole load as one change once it has succeeded.
  loaded->OnProgress = [this](TPersistent* sender, TProgressStage stage, uint8_t percentDone, bool redrawNow,
                              RECT& rect, std::string& message) {
    ReportProgress(sender, stage, percentDone, redrawNow, rect, message);
  };
  loaded->LoadFile(fileName);
  Install(std::move(loaded));
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
