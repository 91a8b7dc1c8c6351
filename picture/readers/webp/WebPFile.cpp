#include "picture/readers/webp/WebPFile.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>
#include <string>

#include "picture/core/PixelCap.h"
#include "picture/formats/PictureFormat.h"
#include "picture/metadata/ExifOrientation.h"
#include "picture/profile/ColorProfile.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"

namespace {

// The demuxer, deleted on every path.
struct DemuxerOwner {
  WebPDemuxer* demuxer;
  ~DemuxerOwner() { WebPDemuxDelete(demuxer); }
};

// A chunk's payload, copied; empty when the file has none.
std::string ChunkOf(const WebPDemuxer* demuxer, const char kind[4]) {
  WebPChunkIterator chunk;
  if (!WebPDemuxGetChunk(demuxer, kind, 1, &chunk)) return {};
  const std::string payload(reinterpret_cast<const char*>(chunk.chunk.bytes), chunk.chunk.size);
  WebPDemuxReleaseChunkIterator(&chunk);
  return payload;
}

// Exif data is a TIFF structure; some writers put "Exif\0\0" before it.
int ExifChunkOrientation(const std::string& exif) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(exif.data());
  if (exif.size() >= 6 && std::memcmp(bytes, "Exif\0\0", 6) == 0) return ExifOrientation(bytes, exif.size());
  return TiffOrientation(bytes, exif.size());
}

}  // namespace

TWebPFile::TWebPFile(std::vector<uint8_t> bytes, const FilePath& file) : bytes_(std::move(bytes)), file_(file) {
  const WebPData data{bytes_.data(), bytes_.size()};
  // The demuxer takes only a whole, sound container: a file cut short is refused here.
  DemuxerOwner demux{WebPDemux(&data)};
  if (demux.demuxer == nullptr) RaiseDamaged();
  const uint32_t width = WebPDemuxGetI(demux.demuxer, WEBP_FF_CANVAS_WIDTH);
  const uint32_t height = WebPDemuxGetI(demux.demuxer, WEBP_FF_CANVAS_HEIGHT);
  if (width == 0 || height == 0 || WebPDemuxGetI(demux.demuxer, WEBP_FF_FRAME_COUNT) == 0) RaiseDamaged();
  // A row of 4-byte pixels stays within the cap's bytes too.
  if (ExceedsPixelCap(width, height) || width > kMaxPicturePixels / 4)
    throw EOutOfMemory(ResText(IDS_OUT_OF_MEMORY));
  stored_ = SIZE{static_cast<LONG>(width), static_cast<LONG>(height)};
  animated_ = (WebPDemuxGetI(demux.demuxer, WEBP_FF_FORMAT_FLAGS) & ANIMATION_FLAG) != 0;
  orientation_ = ExifChunkOrientation(ChunkOf(demux.demuxer, "EXIF"));
  const std::string icc = ChunkOf(demux.demuxer, "ICCP");
  if (!icc.empty()) profile_ = ColorProfile::FromIcc(icc, ColorModel::Rgb);
  ReadFeatures();
}

// A still picture's own header says whether it has alpha: a lossless one
// without the extended header says so only there.
void TWebPFile::ReadFeatures() {
  if (animated_) {
    hasAlpha_ = true;
    return;
  }
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(bytes_.data(), bytes_.size(), &features) != VP8_STATUS_OK) RaiseDamaged();
  if (features.width != stored_.cx || features.height != stored_.cy) RaiseDamaged();
  hasAlpha_ = features.has_alpha != 0;
}

void TWebPFile::RaiseDamaged() const {
  const TPictureFailureText text = DamagedPictureText(file_, TPictureFormat::WebP);
  throw EInvalidGraphic(text.message, text.reason);
}
