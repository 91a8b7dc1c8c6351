#include "picture/readers/webp/WebPPixels.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <cstdint>
#include <new>

#include "picture/readers/webp/WebPFile.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"

namespace {

[[noreturn]] void OutOfMemory() { throw EOutOfMemory(ResText(IDS_OUT_OF_MEMORY)); }

// Premultiplied blue-green-red-alpha pixels are the picture over black in
// their first three bytes: packed to three bytes a pixel, in place.
void PackOverBlack(uint8_t* pixels, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    pixels[i * 3] = pixels[i * 4];
    pixels[i * 3 + 1] = pixels[i * 4 + 1];
    pixels[i * 3 + 2] = pixels[i * 4 + 2];
  }
}

// Room for width by height pixels of `channels` bytes: more than half the
// address space of the 32-bit program is never had.
void Reserve(std::vector<uint8_t>& pixels, int width, int height, int channels) {
  const uint64_t bytes = uint64_t{static_cast<uint32_t>(width)} * static_cast<uint32_t>(height) * channels;
  if (bytes > PTRDIFF_MAX) OutOfMemory();
  pixels.resize(static_cast<size_t>(bytes));
}

// The animation decoder, deleted on every path.
struct AnimationOwner {
  WebPAnimDecoder* decoder;
  ~AnimationOwner() { WebPAnimDecoderDelete(decoder); }
};

// The edge of the library's calls: they raise nothing, and what they report is
// raised here in the program's terms.
void RaiseStatus(VP8StatusCode status, const TWebPFile& file) {
  if (status == VP8_STATUS_OK) return;
  if (status == VP8_STATUS_OUT_OF_MEMORY) OutOfMemory();
  file.RaiseDamaged();
}

}  // namespace

WebPPixels::WebPPixels(const TWebPFile& file, SIZE size) : width_(size.cx), height_(size.cy) {
  try {
    if (file.Animated()) {
      DecodeFirstFrame(file);
    } else {
      DecodeStill(file);
    }
  } catch (const std::bad_alloc&) {
    OutOfMemory();
  }
}

void WebPPixels::DecodeStill(const TWebPFile& file) {
  const int channels = file.HasAlpha() ? 4 : 3;
  Reserve(pixels_, width_, height_, channels);
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) OutOfMemory();
  config.output.colorspace = file.HasAlpha() ? MODE_bgrA : MODE_BGR;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = pixels_.data();
  config.output.u.RGBA.stride = width_ * channels;
  config.output.u.RGBA.size = pixels_.size();
  const SIZE full = file.Stored();
  if (width_ != full.cx || height_ != full.cy) {
    config.options.use_scaling = 1;
    config.options.scaled_width = width_;
    config.options.scaled_height = height_;
  }
  // A lossy picture's filtering runs beside its decoding.
  config.options.use_threads = 1;
  const VP8StatusCode status = WebPDecode(file.Bytes().data(), file.Bytes().size(), &config);
  WebPFreeDecBuffer(&config.output);
  RaiseStatus(status, file);
  if (channels == 4) PackOverBlack(pixels_.data(), static_cast<size_t>(width_) * static_cast<size_t>(height_));
}

// The first frame as a viewer shows it: composed on the canvas, which starts
// transparent, by the library's own animation decoder.
void WebPPixels::DecodeFirstFrame(const TWebPFile& file) {
  const SIZE full = file.Stored();
  width_ = full.cx;
  height_ = full.cy;
  WebPAnimDecoderOptions options;
  if (!WebPAnimDecoderOptionsInit(&options)) OutOfMemory();
  options.color_mode = MODE_bgrA;
  const WebPData data{file.Bytes().data(), file.Bytes().size()};
  AnimationOwner animation{WebPAnimDecoderNew(&data, &options)};
  if (animation.decoder == nullptr) file.RaiseDamaged();
  uint8_t* canvas = nullptr;
  int timestamp = 0;
  if (!WebPAnimDecoderGetNext(animation.decoder, &canvas, &timestamp) || canvas == nullptr) file.RaiseDamaged();
  const size_t count = static_cast<size_t>(width_) * static_cast<size_t>(height_);
  Reserve(pixels_, width_, height_, 3);
  for (size_t i = 0; i < count; ++i) std::copy_n(canvas + i * 4, 3, pixels_.data() + i * 3);
}

SIZE WebPDecodeSize(SIZE full, SIZE wanted) {
  if (wanted.cx <= 0 || wanted.cy <= 0 || wanted.cx >= full.cx || wanted.cy >= full.cy) return full;
  // The side that needs the larger share of itself decides; the other follows,
  // rounded up, so that both cover what is wanted.
  const uint64_t w = static_cast<uint64_t>(full.cx), h = static_cast<uint64_t>(full.cy);
  const uint64_t ww = static_cast<uint64_t>(wanted.cx), wh = static_cast<uint64_t>(wanted.cy);
  SIZE size = wanted;
  if (ww * h >= wh * w) {
    size.cy = static_cast<LONG>(std::min(h, (h * ww + w - 1) / w));
  } else {
    size.cx = static_cast<LONG>(std::min(w, (w * wh + h - 1) / h));
  }
  return size;
}
