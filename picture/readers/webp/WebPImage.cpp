#include "picture/readers/webp/WebPImage.h"

#include <new>

#include "picture/bitmap/Bitmap.h"
#include "picture/core/Stream.h"
#include "picture/metadata/ExifOrientation.h"
#include "picture/metadata/UprightCopy.h"
#include "picture/readers/webp/WebPFile.h"
#include "picture/readers/webp/WebPPixels.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"

namespace {

std::unique_ptr<TGraphic> CreateWebPImage() { return std::make_unique<TWebPImage>(); }

const TGraphicClass kWebPImageClass{"TWebPImage", nullptr, CreateWebPImage};

// The rest of the stream, from its position to its end.
std::vector<uint8_t> RestOf(TStream& stream) {
  const int32_t count = stream.Size() - stream.Position();
  std::vector<uint8_t> bytes;
  try {
    bytes.resize(static_cast<size_t>(count > 0 ? count : 0));
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory(ResText(IDS_OUT_OF_MEMORY));
  }
  if (!bytes.empty()) stream.ReadBuffer(bytes.data(), count);
  return bytes;
}

// The decoded size (as stored) that covers `upright`; an animation is
// composed at its full size only.
SIZE DecodeSizeFor(const TWebPFile& file, int width, int height) {
  if (file.Animated()) return file.Stored();
  return WebPDecodeSize(file.Stored(), StoredSize(file.Orientation(), SIZE{width, height}));
}

}  // namespace

TWebPImage::TWebPImage() = default;
TWebPImage::~TWebPImage() = default;

const TGraphicClass& TWebPImage::StaticClass() { return kWebPImageClass; }
const TGraphicClass& TWebPImage::ClassType() const { return kWebPImageClass; }

void TWebPImage::Take(std::vector<uint8_t> bytes, const FilePath& file) {
  file_ = std::make_shared<const TWebPFile>(std::move(bytes), file);
  bitmap_.reset();
  NotifyChanged(this);
}

void TWebPImage::Open(const FilePath& file) {
  TFileStream stream(file, TFileStream::kOpenRead);
  Take(RestOf(stream), file);
}

void TWebPImage::LoadStream(TStream& stream) { Take(RestOf(stream), FilePath()); }

void TWebPImage::SaveStream(TStream& stream) {
  if (file_ == nullptr || file_->Bytes().empty()) return;
  stream.WriteBuffer(file_->Bytes().data(), static_cast<int32_t>(file_->Bytes().size()));
}

void TWebPImage::CopyFrom(const TPersistent* source) {
  if (source == nullptr) {
    file_.reset();
  } else if (const auto* other = dynamic_cast<const TWebPImage*>(source)) {
    if (other == this) return;
    file_ = other->file_;
  } else {
    source->CopyTo(*this);
    return;
  }
  bitmap_.reset();
  NotifyChanged(this);
}

void TWebPImage::DecodeWhole(TBitmap& whole) const {
  WebPPixels pixels(*file_, file_->Stored());
  CopyRowsUpright(pixels, file_->Orientation(), whole);
}

bool TWebPImage::IsEmpty() const { return file_ == nullptr; }

int TWebPImage::Width() const { return file_ != nullptr ? UprightSize(file_->Orientation(), file_->Stored()).cx : 0; }
int TWebPImage::Height() const { return file_ != nullptr ? UprightSize(file_->Orientation(), file_->Stored()).cy : 0; }


std::shared_ptr<const ColorProfile> TWebPImage::Profile() const {
  return file_ != nullptr ? file_->Profile() : nullptr;
}

const TWebPFile& TWebPImage::File() const {
  if (file_ == nullptr) throw EInvalidGraphicOperation(ResText(IDS_INVALID_BITMAP));
  return *file_;
}

TBitmap* TWebPImage::PixelsFor(int width, int height) {
  const TWebPFile& file = File();
  if (bitmap_ != nullptr && KeptPixelsServe({bitmap_->Width(), bitmap_->Height()}, {Width(), Height()}, {width, height}))
    return bitmap_.get();
  WebPPixels pixels(file, DecodeSizeFor(file, width, height));
  auto decoded = std::make_unique<TBitmap>();
  CopyRowsUpright(pixels, file.Orientation(), *decoded);
  bitmap_ = std::move(decoded);
  return bitmap_.get();
}

std::unique_ptr<TBitmap> TWebPImage::ShrunkFromDecoder(int width, int height, int decodedWidth,
                                                       int decodedHeight) const {
  const TWebPFile& file = File();
  WebPPixels pixels(file, DecodeSizeFor(file, decodedWidth, decodedHeight));
  return ShrunkUpright(pixels, file.Orientation(), width, height);
}
