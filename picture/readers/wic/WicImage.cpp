#include "picture/readers/wic/WicImage.h"

#include <vector>

#include "picture/bitmap/Bitmap.h"
#include "picture/core/Stream.h"
#include "picture/readers/wic/WicStream.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"

// The picture's bytes and its decoder. Bytes taken from a stream are held in
// memory, declared first: the decoder reads them until it is gone.
struct TWicImage::Source {
  std::unique_ptr<TMemoryStream> bytes;
  std::unique_ptr<TWicFrame> frame;
  FilePath file;
};

namespace {

std::unique_ptr<TGraphic> CreateWicImage() { return std::make_unique<TWicImage>(); }

const TGraphicClass kWicImageClass{"TWicImage", nullptr, CreateWicImage};

}  // namespace

TWicImage::TWicImage() = default;
TWicImage::~TWicImage() = default;

const TGraphicClass& TWicImage::StaticClass() { return kWicImageClass; }
const TGraphicClass& TWicImage::ClassType() const { return kWicImageClass; }

void TWicImage::Open(const FilePath& file, const TPictureHead& head) {
  auto source = std::make_shared<Source>();
  source->frame = std::make_unique<TWicFrame>(ComStreamOnFile(file), file, head);
  source->file = file;
  source_ = std::move(source);
  bitmap_.reset();
  NotifyChanged(this);
}

void TWicImage::LoadStream(TStream& stream) {
  auto source = std::make_shared<Source>();
  auto bytes = std::make_unique<TMemoryStream>();
  const int32_t count = stream.Size() - stream.Position();
  bytes->SetSize(count);
  stream.ReadBuffer(bytes->Memory(), count);
  bytes->SetPosition(0);
  source->bytes = std::move(bytes);
  source->frame = std::make_unique<TWicFrame>(ComStreamOver(*source->bytes), FilePath());
  source_ = std::move(source);
  bitmap_.reset();
  NotifyChanged(this);
}

void TWicImage::SaveStream(TStream& stream) {
  if (source_ == nullptr) return;
  if (source_->bytes != nullptr) {
    stream.WriteBuffer(source_->bytes->Memory(), source_->bytes->Size());
    return;
  }
  TFileStream from(source_->file, TFileStream::kOpenRead);
  std::vector<uint8_t> chunk(1 << 16);
  for (int32_t read; (read = from.Read(chunk.data(), static_cast<int32_t>(chunk.size()))) > 0;)
    stream.WriteBuffer(chunk.data(), read);
}

void TWicImage::CopyFrom(const TPersistent* source) {
  if (source == nullptr) {
    source_.reset();
  } else if (const auto* other = dynamic_cast<const TWicImage*>(source)) {
    if (other == this) return;
    source_ = other->source_;
  } else {
    source->CopyTo(*this);
    return;
  }
  bitmap_.reset();
  NotifyChanged(this);
}

void TWicImage::DecodeWhole(TBitmap& whole) const { source_->frame->Decode(whole); }

bool TWicImage::IsEmpty() const { return source_ == nullptr; }

std::shared_ptr<const ColorProfile> TWicImage::Profile() const {
  return source_ != nullptr ? source_->frame->Profile() : nullptr;
}

int TWicImage::Width() const { return source_ != nullptr ? source_->frame->Size().width : 0; }
int TWicImage::Height() const { return source_ != nullptr ? source_->frame->Size().height : 0; }


TBitmap& TWicImage::BitmapFor(int width, int height) {
  if (source_ == nullptr) throw EInvalidGraphicOperation(ResText(IDS_INVALID_BITMAP));
  if (bitmap_ != nullptr && KeptPixelsServe({bitmap_->Width(), bitmap_->Height()}, {Width(), Height()}, {width, height}))
    return *bitmap_;
  auto decoded = std::make_unique<TBitmap>();
  source_->frame->Decode(*decoded, TWantedSize{width, height});
  bitmap_ = std::move(decoded);
  return *bitmap_;
}

std::unique_ptr<TBitmap> TWicImage::ShrunkFromDecoder(int width, int height, int decodedWidth,
                                                       int decodedHeight) const {
  if (source_ == nullptr) throw EInvalidGraphicOperation(ResText(IDS_INVALID_BITMAP));
  return source_->frame->Shrink(width, height, TWantedSize{decodedWidth, decodedHeight});
}
