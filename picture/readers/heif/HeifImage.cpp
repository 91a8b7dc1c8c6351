#include "picture/readers/heif/HeifImage.h"

#include <new>
#include <vector>

#include "gdi/Canvas.h"
#include "picture/bitmap/Bitmap.h"
#include "picture/core/PixelCap.h"
#include "picture/core/Stream.h"
#include "picture/metadata/UprightCopy.h"
#include "picture/readers/heif/HeifColour.h"
#include "picture/readers/heif/HeifRows.h"
#include "picture/shrink/SmoothShrink.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"

struct DecodingOptionsCloser {
  void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};
using DecodingOptions = UniqueHandle<heif_decoding_options*, DecodingOptionsCloser>;

// The file's bytes (the library reads them in place, so they are declared
// first and outlive it), the library's view of its boxes, and what they say.
struct THeifImage::Source {
  std::vector<uint8_t> bytes;
  HeifEdge edge;
  HeifContext context;
  HeifHandle primary;
  HeifColour colour;
  int width = 0;
  int height = 0;

  Source(std::vector<uint8_t> read, const FilePath& file, TPictureFormat format)
      : bytes(std::move(read)), edge(file, format) {}
  void ReadBoxes();
  // The primary image decoded as stored (luma and chroma, at its own depth),
  // turned and cut as its boxes say.
  HeifImage Decode() const;
};

void THeifImage::Source::ReadBoxes() {
  context.reset(edge.Value([] { return heif_context_alloc(); }));
  if (!context) throw EOutOfMemory(ResText(IDS_OUT_OF_MEMORY));
  edge.Run([&] { return heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(), nullptr); });
  edge.Run([&] { return heif_context_get_primary_image_handle(context.get(), primary.put()); });
  width = edge.Value([&] { return heif_image_handle_get_width(primary.get()); });
  height = edge.Value([&] { return heif_image_handle_get_height(primary.get()); });
  if (width <= 0 || height <= 0) edge.RaiseDamaged();
  if (ExceedsPixelCap(static_cast<uint64_t>(width), static_cast<uint64_t>(height)))
    throw EOutOfMemory(ResText(IDS_OUT_OF_MEMORY));
  colour = ColourOf(edge, primary.get());
}

HeifImage THeifImage::Source::Decode() const {
  DecodingOptions options(edge.Value([] { return heif_decoding_options_alloc(); }));
  if (!options) throw EOutOfMemory(ResText(IDS_OUT_OF_MEMORY));
  // The planes as decoded: the conversion to 8-bit blue-green-red is done a row
  // at a time (HeifRows), rounding deeper samples rather than cutting them.
  options.get()->convert_hdr_to_8bit = 0;
  options.get()->ignore_transformations = 0;
  HeifImage image;
  edge.Run([&] {
    return heif_decode_image(primary.get(), image.put(), heif_colorspace_undefined, heif_chroma_undefined,
                             options.get());
  });
  if (!image) edge.RaiseDamaged();
  return image;
}

namespace {

std::unique_ptr<TGraphic> CreateHeifImage() { return std::make_unique<THeifImage>(); }

const TGraphicClass kHeifImageClass{"THeifImage", nullptr, CreateHeifImage};

[[noreturn]] void OutOfMemory() { throw EOutOfMemory(ResText(IDS_OUT_OF_MEMORY)); }

std::vector<uint8_t> BytesFrom(TStream& stream) {
  const int32_t count = stream.Size() - stream.Position();
  std::vector<uint8_t> bytes(count > 0 ? static_cast<size_t>(count) : 0);
  if (count > 0) stream.ReadBuffer(bytes.data(), count);
  return bytes;
}

}  // namespace

THeifImage::THeifImage() = default;
THeifImage::~THeifImage() = default;

const TGraphicClass& THeifImage::StaticClass() { return kHeifImageClass; }
const TGraphicClass& THeifImage::ClassType() const { return kHeifImageClass; }

void THeifImage::Open(const FilePath& file, const TPictureHead& head) {
  try {
    TFileStream stream(file, TFileStream::kOpenRead);
    auto source = std::make_shared<Source>(BytesFrom(stream), file, head.format);
    source->ReadBoxes();
    Take(std::move(source));
  } catch (const std::bad_alloc&) {
    OutOfMemory();
  }
}

void THeifImage::LoadStream(TStream& stream) {
  try {
    std::vector<uint8_t> bytes = BytesFrom(stream);
    const TPictureFormat format = SniffPictureFormat(bytes.data(), bytes.size()) == TPictureFormat::Avif
                                      ? TPictureFormat::Avif
                                      : TPictureFormat::Heif;
    auto source = std::make_shared<Source>(std::move(bytes), FilePath(), format);
    source->ReadBoxes();
    Take(std::move(source));
  } catch (const std::bad_alloc&) {
    OutOfMemory();
  }
}

void THeifImage::Take(std::shared_ptr<const Source> source) {
  source_ = std::move(source);
  bitmap_.reset();
  NotifyChanged(this);
}

void THeifImage::SaveStream(TStream& stream) {
  if (source_ != nullptr && !source_->bytes.empty())
    stream.WriteBuffer(source_->bytes.data(), static_cast<int32_t>(source_->bytes.size()));
}

void THeifImage::CopyFrom(const TPersistent* source) {
  if (source == nullptr) {
    Take(nullptr);
  } else if (const auto* other = dynamic_cast<const THeifImage*>(source)) {
    if (other != this) Take(other->source_);
  } else {
    source->CopyTo(*this);
  }
}

void THeifImage::DecodeWhole(TBitmap& whole) const {
  // A copy sharing the file decodes: this graphic keeps its own pixels as they are.
  THeifImage copy;
  copy.Take(source_);
  whole.CopyFrom(copy.PixelsFor(Width(), Height()));
}

bool THeifImage::IsEmpty() const { return source_ == nullptr; }
int THeifImage::Width() const { return source_ != nullptr ? source_->width : 0; }
int THeifImage::Height() const { return source_ != nullptr ? source_->height : 0; }

std::shared_ptr<const ColorProfile> THeifImage::Profile() const {
  return source_ != nullptr ? source_->colour.profile : nullptr;
}

TBitmap* THeifImage::PixelsFor(int, int) {
  if (source_ == nullptr) throw EInvalidGraphicOperation(ResText(IDS_INVALID_BITMAP));
  if (bitmap_ != nullptr) return bitmap_.get();
  try {
    const HeifImage image = source_->Decode();
    HeifRows rows(source_->edge, source_->primary.get(), image.get(), source_->colour);
    // The library has turned the picture already: its rows are upright.
    auto bitmap = std::make_unique<TBitmap>();
    CopyRowsUpright(rows, 1, *bitmap);
    bitmap_ = std::move(bitmap);
    return bitmap_.get();
  } catch (const std::bad_alloc&) {
    OutOfMemory();
  }
}

std::unique_ptr<TBitmap> THeifImage::ShrunkFromDecoder(int width, int height, int, int) const {
  if (source_ == nullptr) throw EInvalidGraphicOperation(ResText(IDS_INVALID_BITMAP));
  try {
    const HeifImage image = source_->Decode();
    HeifRows rows(source_->edge, source_->primary.get(), image.get(), source_->colour);
    return ShrinkSmoothly(rows, width, height);
  } catch (const std::bad_alloc&) {
    OutOfMemory();
  }
}
