#include "picture/JpegImage.h"

#include <cstring>
#include <vector>

#include "gdi/Canvas.h"
#include "gdi/Handles.h"
#include "gdi/ScreenMetrics.h"
#include "picture/Bitmap.h"
#include "picture/ExifOrientation.h"
#include "picture/FileFormats.h"
#include "picture/JpegDecoder.h"
#include "picture/Stream.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"

namespace {

std::unique_ptr<TGraphic> CreateJpegImage() { return std::make_unique<TJPEGImage>(); }

const TGraphicClass kJpegClass{"TJPEGImage", nullptr, CreateJpegImage};

bool ScreenHasPalette() { return ScreenColorDepth() <= 8; }

}  // namespace

TJPEGData::~TJPEGData() = default;

TJPEGOptions& JpegDefaultOptions() {
  static TJPEGOptions defaults;
  return defaults;
}

void StartJpegSupport() {
  JpegDefaultOptions().OutputDepth = ScreenHasPalette() ? jf8Bit : jf24Bit;
  RegisterFormat("jpeg", ResText(IDS_JPEG_DESCRIPTION), TJPEGImage::StaticClass());
  RegisterFormat("jpg", ResText(IDS_JPEG_DESCRIPTION), TJPEGImage::StaticClass());
}

void StopJpegSupport() { UnregisterFormats(TJPEGImage::StaticClass()); }

TJPEGImage::TJPEGImage() : options_(JpegDefaultOptions()) { NewData(); }

TJPEGImage::~TJPEGImage() = default;

const TGraphicClass& TJPEGImage::StaticClass() { return kJpegClass; }
const TGraphicClass& TJPEGImage::ClassType() const { return kJpegClass; }

void TJPEGImage::NewData() { data_ = TSharedRef<TJPEGData>(new TJPEGData()); }

void TJPEGImage::CopyTo(TPersistent& target) const {
  if (auto* bitmap = dynamic_cast<TBitmap*>(&target)) {
    // Decoding fills a cache; the picture itself does not change.
    bitmap->CopyFrom(&const_cast<TJPEGImage*>(this)->Bitmap());
    return;
  }
  TGraphic::CopyTo(target);
}

void TJPEGImage::CopyFrom(const TPersistent* source) {
  if (source == nullptr) {
    NewData();
    bitmap_.reset();
  } else if (const auto* other = dynamic_cast<const TJPEGImage*>(source)) {
    data_ = other->data_;
    // A decoded bitmap of the earlier data must not stand for the new data.
    if (other->bitmap_ != nullptr) {
      auto copy = std::make_unique<TBitmap>();
      copy->CopyFrom(other->bitmap_.get());
      bitmap_ = std::move(copy);
    } else {
      bitmap_.reset();
    }
  } else if (const auto* bitmap = dynamic_cast<const TBitmap*>(source)) {
    NewData();
    bitmap_ = std::make_unique<TBitmap>();
    bitmap_->CopyFrom(bitmap);
  } else {
    source->CopyTo(*this);
    return;
  }
  SetPaletteModified(true);
  NotifyChanged(this);
}

void TJPEGImage::DrawInto(TCanvas& canvas, const RECT& rect) { canvas.StretchDraw(rect, &Bitmap()); }

bool TJPEGImage::SameAs(const TGraphic& other) const {
  const auto* jpeg = dynamic_cast<const TJPEGImage*>(&other);
  if (jpeg == nullptr) return false;
  const TMemoryStream* mine = data_->Data.get();
  const TMemoryStream* theirs = jpeg->data_->Data.get();
  if (mine != nullptr && theirs != nullptr) {
    auto& a = const_cast<TMemoryStream&>(*mine);
    auto& b = const_cast<TMemoryStream&>(*theirs);
    return a.Size() == b.Size() && std::memcmp(a.Memory(), b.Memory(), static_cast<size_t>(a.Size())) == 0;
  }
  return data_.get() == jpeg->data_.get();
}

bool TJPEGImage::IsEmpty() const {
  if (data_->Data != nullptr) return false;
  return bitmap_ == nullptr || bitmap_->IsEmpty();
}

bool TJPEGImage::HasHeader() const { return data_->Data != nullptr && data_->Data->Size() > 0; }

int TJPEGImage::Width() const {
  if (HasHeader() || bitmap_ == nullptr) return SwapsSides(data_->Orientation) ? data_->Height : data_->Width;
  return bitmap_->Width();
}

int TJPEGImage::Height() const {
  if (HasHeader() || bitmap_ == nullptr) return SwapsSides(data_->Orientation) ? data_->Width : data_->Height;
  return bitmap_->Height();
}

void TJPEGImage::SetWidth(int) { throw EInvalidGraphicOperation(ResText(IDS_JPEG_CANNOT_RESIZE)); }
void TJPEGImage::SetHeight(int) { throw EInvalidGraphicOperation(ResText(IDS_JPEG_CANNOT_RESIZE)); }

HPALETTE TJPEGImage::Palette() {
  if (bitmap_ != nullptr) return bitmap_->Palette();
  if (tempPalette_) return tempPalette_.get();
  if (options_.OutputDepth == jf24Bit && ScreenHasPalette()) {
    WindowDC screen(nullptr);
    tempPalette_.reset(CreateHalftonePalette(screen.get()));
    return tempPalette_.get();
  }
  return nullptr;
}

void TJPEGImage::SetPalette(HPALETTE palette) {
  if (palette == tempPalette_.get()) return;
  bool discarded = false;
  if (bitmap_ != nullptr && bitmap_->Palette() != palette) {
    bitmap_.reset();
    discarded = true;
  }
  tempPalette_.reset(palette);
  if (discarded) {
    SetPaletteModified(true);
    NotifyChanged(this);
  }
}

void TJPEGImage::LoadStream(TStream& stream) { ReadStream(stream.Size() - stream.Position(), stream); }

void TJPEGImage::ReadStream(int32_t count, TStream& stream) {
  NewData();
  bitmap_.reset();
  data_->Data = std::make_unique<TMemoryStream>();
  if (count > 0) {
    data_->Data->SetSize(count);
    stream.ReadBuffer(data_->Data->Memory(), count);
    JpegHeader header = ReadJpegHeader(*data_->Data);
    data_->Width = header.width;
    data_->Height = header.height;
    data_->Gray = header.gray;
    data_->Orientation = header.orientation;
    options_.MultiScan = header.multiScan;
  }
  SetPaletteModified(true);
  NotifyChanged(this);
}

TBitmap& TJPEGImage::Bitmap() {
  if (bitmap_ == nullptr) Decode();
  return *bitmap_;
}

TBitmap& TJPEGImage::BitmapFor(int width, int height) {
  if (bitmap_ != nullptr) {
    const bool covers = bitmap_->Width() >= width && bitmap_->Height() >= height;
    if (covers || bitmap_->IsEmpty() || options_.ScaleShift == jsFullSize || !HasHeader()) return *bitmap_;
    bitmap_.reset();
  }
  if (HasHeader()) options_.ScaleShift = static_cast<TJPEGScale>(SmallestCoveringScale(*data_->Data, width, height));
  return Bitmap();
}
