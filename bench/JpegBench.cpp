// Decoding and encoding JPEG pictures through the JPEG graphic, against a minimal
// loop over the JPEG library alone with the same settings:
// - loading and decoding a 6000 by 4000 colour picture (target: at most 1.15
//   times the library loop);
// - encoding a 600 by 600 picture at quality 80 (target: at most 1.15 times);
// - the memory the decode needs at its peak (target: under the compressed size
//   plus 1.2 times the 24-bit pixel data);
// - decoding a 4000 by 3000 photo tagged with Exif orientation 6 (a quarter
//   turn), 3 (a half turn) and 2 (a mirror) against the same photo untagged
//   (target: at most 1.5 times).
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "bench/BenchClock.h"
#include "picture/bitmap/Bitmap.h"
#include "picture/readers/jpeg/JpegImage.h"
#include "picture/core/Stream.h"
#include "tests/support/PictureRuntime.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A smooth picture with some detail, one blue-green-red row at a time.
void PatternRow(int y, int width, unsigned char* row) {
  for (int x = 0; x < width; ++x) {
    row[x * 3] = static_cast<unsigned char>(x / 8 + y / 16);
    row[x * 3 + 1] = static_cast<unsigned char>(y / 8 + ((x ^ y) & 15));
    row[x * 3 + 2] = static_cast<unsigned char>((x + y) / 24);
  }
}

// Compresses the pattern with the library alone, as the graphic would.
Bytes LibraryEncode(int width, int height, int quality, const Bytes* pixels) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  cinfo.dct_method = JDCT_FLOAT;
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  Bytes row(static_cast<size_t>(width) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW rows[1];
    if (pixels != nullptr) {
      rows[0] = const_cast<unsigned char*>(pixels->data()) + static_cast<size_t>(cinfo.next_scanline) * width * 3;
    } else {
      PatternRow(static_cast<int>(cinfo.next_scanline), width, row.data());
      rows[0] = row.data();
    }
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  Bytes file(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return file;
}

// Decodes with the library alone into one block of 24-bit rows.
void LibraryDecode(const Bytes& file) {
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.dct_method = JDCT_FLOAT;
  cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  const size_t stride = (cinfo.output_width * 3 + 3) & ~3u;
  Bytes pixels(stride * cinfo.output_height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW rows[1] = {pixels.data() + stride * cinfo.output_scanline};
    jpeg_read_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
}

// The file with an Exif segment saying `orientation`, little-endian, right after
// its start-of-image marker.
Bytes Tagged(const Bytes& file, unsigned char orientation) {
  const unsigned char segment[] = {0xFF, 0xE1, 0, 34, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,
                                   1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, orientation, 0, 0, 0, 0, 0, 0, 0};
  Bytes tagged(file.size() + sizeof segment);
  std::memcpy(tagged.data(), file.data(), 2);
  std::memcpy(tagged.data() + 2, segment, sizeof segment);
  std::memcpy(tagged.data() + 2 + sizeof segment, file.data() + 2, file.size() - 2);
  return tagged;
}

void GraphicDecode(const Bytes& file) {
  TMemoryStream stream;
  stream.Write(file.data(), static_cast<int32_t>(file.size()));
  stream.SetPosition(0);
  TJPEGImage jpeg;
  jpeg.LoadStream(stream);
  jpeg.Bitmap();
}

template <typename F>
double Best(int rounds, F&& action) {
  double best = 1e9;
  for (int i = 0; i < rounds; ++i) {
    const double start = Now();
    action();
    best = std::min(best, Now() - start);
  }
  return best;
}

// The decode of a large picture: its peak memory, then its time against the library's.
void MeasureDecode() {
  const int width = 6000, height = 4000;
  const Bytes large = LibraryEncode(width, height, 90, nullptr);
  const double pixelBytes = static_cast<double>(width) * 3 * height;

  PROCESS_MEMORY_COUNTERS before{}, after{};
  before.cb = after.cb = sizeof before;
  GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
  GraphicDecode(large);
  GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
  const double limit = static_cast<double>(large.size()) + 1.2 * pixelBytes;
  const double peak = static_cast<double>(after.PeakPagefileUsage) - static_cast<double>(before.PagefileUsage);
  const double peakSet = static_cast<double>(after.PeakWorkingSetSize) - static_cast<double>(before.WorkingSetSize);
  std::printf("decode peak memory: %.0f MB committed, %.0f MB working set (limit %.0f MB)\n", peak / 1048576,
              peakSet / 1048576, limit / 1048576);

  const double library = Best(3, [&] { LibraryDecode(large); });
  const double graphic = Best(3, [&] { GraphicDecode(large); });
  std::printf("decode 6000x4000: graphic %.1f ms, library %.1f ms, ratio %.2f (target 1.15)\n", graphic * 1000,
              library * 1000, graphic / library);
}

// A photo tagged with a turn or a mirror against the same photo untagged.
void MeasureOrientations() {
  // Tagged and untagged rounds alternate, so that a busy machine slows both alike.
  const Bytes photo = LibraryEncode(4000, 3000, 90, nullptr);
  for (unsigned char orientation : {6, 3, 2}) {
    const Bytes tagged = Tagged(photo, orientation);
    double plain = 1e9, turned = 1e9;
    for (int round = 0; round < 5; ++round) {
      plain = std::min(plain, Best(1, [&] { GraphicDecode(photo); }));
      turned = std::min(turned, Best(1, [&] { GraphicDecode(tagged); }));
    }
    std::printf("decode 4000x3000 orientation %d: %.1f ms, untagged %.1f ms, ratio %.2f (target 1.5)\n", orientation,
                turned * 1000, plain * 1000, turned / plain);
  }
}

// Encoding a 600 by 600 capture at quality 80 against the library's own encoder.
void MeasureEncode() {
  Bytes pixels(600 * 600 * 3);
  for (int y = 0; y < 600; ++y) PatternRow(y, 600, pixels.data() + y * 600 * 3);
  TBitmap bitmap;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = 600;
  info.bmiHeader.biHeight = -600;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  UniqueGdiObject<HBITMAP> section(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  std::memcpy(bits, pixels.data(), pixels.size());
  bitmap.SetBitmapHandle(std::move(section));
  const double libraryEncode = Best(20, [&] { LibraryEncode(600, 600, 80, &pixels); });
  const double graphicEncode = Best(20, [&] {
    TJPEGImage jpeg;
    jpeg.CopyFrom(&bitmap);
    jpeg.Options().SaveQuality = 80;
    TMemoryStream stream;
    jpeg.SaveStream(stream);
  });
  const double assignOnly = Best(20, [&] {
    TJPEGImage jpeg;
    jpeg.CopyFrom(&bitmap);
  });
  const double copyOnly = Best(20, [&] {
    TBitmap copy;
    copy.CopyFrom(&bitmap);
  });
  std::printf("of which assigning the bitmap %.2f ms, a bitmap copy %.2f ms\n", assignOnly * 1000, copyOnly * 1000);
  std::printf("encode 600x600 q80: graphic %.2f ms, library %.2f ms, ratio %.2f (target 1.15)\n",
              graphicEncode * 1000, libraryEncode * 1000, graphicEncode / libraryEncode);
}

}  // namespace

int main() {
  StartPictureRuntime();
  JpegDefaultOptions().OutputDepth = jf24Bit;
  MeasureDecode();
  MeasureOrientations();
  MeasureEncode();
  return 0;
}
