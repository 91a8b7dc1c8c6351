#include "picture/readers/jpeg/JpegDecoder.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include <jpeglib.h>
#include <jerror.h>

#include "picture/bitmap/Bitmap.h"
#include "picture/bitmap/BitmapImage.h"
#include "picture/bitmap/BitmapRowWriter.h"
#include "picture/colour/ColorConversion.h"
#include "picture/colour/ColorConversions.h"
#include "picture/profile/ColorProfile.h"
#include "picture/metadata/ExifOrientation.h"
#include "picture/readers/jpeg/JpegErrors.h"
#include "picture/core/Graphic.h"
#include "picture/readers/jpeg/JpegImage.h"
#include "picture/readers/jpeg/JpegProgress.h"
#include "picture/core/Stream.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"

namespace {

constexpr size_t kInputBufferSize = 4096;
// Rows of a turned or mirrored picture are decoded into a strip of about this
// many bytes, which is then copied to its upright place in the bitmap. A quarter
// turn writes a run into every upright row once per strip, into memory that is
// mostly not in any cache yet: the taller the strip, the longer the runs and the
// better the processor streams them (a 4000-pixel row gives 512 rows; strips of
// 128 rows cost the turn half as much again).
constexpr size_t kStripBytes = 6 * 1024 * 1024;
constexpr size_t kMinStripRows = 16;
constexpr size_t kMaxStripRows = 512;
// The Exif segment is an APP1 segment; it is kept whole (a segment holds at
// most 65533 bytes).
constexpr int kExifMarker = JPEG_APP0 + 1;
// An ICC profile comes in APP2 segments, as many as it needs, in any order.
constexpr int kIccMarker = JPEG_APP0 + 2;
constexpr unsigned kLongestSegment = 0xFFFF;

// The source manager reading from a stream.
struct TStreamSource {
  jpeg_source_mgr pub;
  TStream* stream;
  JOCTET* buffer;
  bool startOfFile;
};

void InitSource(j_decompress_ptr cinfo) { reinterpret_cast<TStreamSource*>(cinfo->src)->startOfFile = true; }

// The C++ part of a refill: the count read, or -1 when the stream raised.
int ReadFromStream(j_decompress_ptr cinfo, TStreamSource& source) {
  try {
    return source.stream->Read(source.buffer, static_cast<int32_t>(kInputBufferSize));
  } catch (...) {
    KeepCallbackFailure(reinterpret_cast<j_common_ptr>(cinfo));
    return -1;
  }
}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  auto* source = reinterpret_cast<TStreamSource*>(cinfo->src);
  int count = ReadFromStream(cinfo, *source);
  if (count < 0) FailFromCallback(reinterpret_cast<j_common_ptr>(cinfo));
  if (count == 0) {
    if (source->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    // Data that ends early is finished with an end-of-image marker, so that what
    // arrived is still shown.
    WARNMS(cinfo, JWRN_JPEG_EOF);
    source->buffer[0] = 0xFF;
    source->buffer[1] = JPEG_EOI;
    count = 2;
  }
  source->pub.next_input_byte = source->buffer;
  source->pub.bytes_in_buffer = static_cast<size_t>(count);
  source->startOfFile = false;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* source = cinfo->src;
  while (count > static_cast<long>(source->bytes_in_buffer)) {
    count -= static_cast<long>(source->bytes_in_buffer);
    FillInputBuffer(cinfo);
  }
  source->next_input_byte += count;
  source->bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr) {}

void AttachStreamSource(j_decompress_ptr cinfo, TStream* stream) {
  auto* source = static_cast<TStreamSource*>(
      (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(TStreamSource)));
  source->buffer = static_cast<JOCTET*>(
      (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kInputBufferSize));
  source->stream = stream;
  source->startOfFile = true;
  source->pub.init_source = InitSource;
  source->pub.fill_input_buffer = FillInputBuffer;
  source->pub.skip_input_data = SkipInputData;
  source->pub.resync_to_restart = jpeg_resync_to_restart;
  source->pub.term_source = TermSource;
  source->pub.bytes_in_buffer = 0;
  source->pub.next_input_byte = nullptr;
  cinfo->src = &source->pub;
}

// Everything one decompression needs, zeroed before use. The steps below run
// under RunJpegStep and keep only trivially destructible locals.
struct TDecodeContext {
  TJpegErrorManager err;
  TJpegProgress progress;
  jpeg_decompress_struct cinfo;
  TStream* stream;
  TJPEGOptions options;
  // The settings of the final output pass.
  J_DCT_METHOD finalDct;
  J_DITHER_MODE finalDither;
  boolean finalTwoPass;
  bool bufferedMode;
  // Four-component output, converted to blue-green-red row by row: through the
  // picture's ink profile when it has a usable one, otherwise as plain inks.
  bool cmyk;
  bool invertedCmyk;
  JSAMPROW cmykRow;
  const ColorConversion* cmykConversion;
  // The embedded ICC profile as the library assembles it (malloc'd), or null.
  JOCTET* icc;
  unsigned iccLength;
  // The bitmap's rows: row r starts at firstRow + r * rowStep.
  uint8_t* firstRow;
  ptrdiff_t rowStep;
  // The Exif orientation (1 to 8). Other than 1, rows go through the strip and
  // land in the bitmap as the placement says.
  int orientation;
  int pixelSize;
  uint8_t* strip;
  size_t stripStride;
  JDIMENSION stripRows;
  TUprightPlacement placement;
  // A palette to quantise to: its entries, blue-green-red.
  int mapCount;
  uint8_t map[256][3];
};

// Destroys the decompressor on every way out of the decoding functions.
auto DestroyOnExit(jpeg_decompress_struct& cinfo) {
  return ScopeExit([&cinfo] { jpeg_destroy_decompress(&cinfo); });
}

void Run(TDecodeContext& context, void (*step)(void*)) {
  if (!RunJpegStep(context.err, step, &context)) RaiseJpegFailure(context.err);
}

void CreateStep(void* argument) {
  auto& c = *static_cast<TDecodeContext*>(argument);
  jpeg_CreateDecompress(&c.cinfo, JPEG_LIB_VERSION, sizeof c.cinfo);
}

void ReadHeaderStep(void* argument) {
  auto& c = *static_cast<TDecodeContext*>(argument);
  c.stream->SetPosition(0);
  AttachStreamSource(&c.cinfo, c.stream);
  jpeg_save_markers(&c.cinfo, kExifMarker, kLongestSegment);
  jpeg_save_markers(&c.cinfo, kIccMarker, kLongestSegment);
  jpeg_read_header(&c.cinfo, TRUE);
}

// The orientation of the first Exif segment; 1 without one.
int OrientationOf(const jpeg_decompress_struct& d) {
  static const char kExifName[] = "Exif";
  for (jpeg_saved_marker_ptr m = d.marker_list; m != nullptr; m = m->next) {
    if (m->marker != kExifMarker || m->data_length < sizeof kExifName) continue;
    if (std::memcmp(m->data, kExifName, sizeof kExifName) == 0) return ExifOrientation(m->data, m->data_length);
  }
  return 1;
}

void ReadIccStep(void* argument) {
  auto& c = *static_cast<TDecodeContext*>(argument);
  // A damaged set of segments (missing, repeated or inconsistent numbers) is a
  // warning and no profile.
  if (!jpeg_read_icc_profile(&c.cinfo, &c.icc, &c.iccLength)) c.icc = nullptr;
}

// The embedded profile, when it suits the picture's colour model and is not sRGB.
std::shared_ptr<const ColorProfile> EmbeddedProfile(TDecodeContext& c) {
  // Only running out of memory fails here; the picture is then shown as stored.
  const bool read = RunJpegStep(c.err, ReadIccStep, &c);
  const std::unique_ptr<JOCTET, void (*)(void*)> owned(c.icc, std::free);
  if (!read || c.icc == nullptr) return nullptr;
  const J_COLOR_SPACE space = c.cinfo.jpeg_color_space;
  const ColorModel model = space == JCS_GRAYSCALE                    ? ColorModel::Gray
                           : space == JCS_CMYK || space == JCS_YCCK ? ColorModel::Cmyk
                                                                     : ColorModel::Rgb;
  return ColorProfile::FromIcc(std::string(reinterpret_cast<const char*>(c.icc), c.iccLength), model);
}

void CreateAndReadHeader(TDecodeContext& context, TStream& stream, TGraphic* owner) {
  context.cinfo.err = InitJpegErrorManager(context.err);
  Run(context, CreateStep);
  InstallJpegProgress(context.progress, reinterpret_cast<j_common_ptr>(&context.cinfo), owner);
  context.stream = &stream;
  Run(context, ReadHeaderStep);
  context.orientation = OrientationOf(context.cinfo);
}

// Chooses the output as the options ask and checks that it fits a bitmap row.
void ConfigureStep(void* argument) {
  auto& c = *static_cast<TDecodeContext*>(argument);
  jpeg_decompress_struct& d = c.cinfo;
  d.scale_num = 1;
  d.scale_denom = 1u << c.options.ScaleShift;
  d.do_block_smoothing = c.options.BlockSmoothing;
  if (c.options.GrayMode) d.out_color_space = JCS_GRAYSCALE;
  if (d.out_color_space == JCS_RGB) d.out_color_space = JCS_EXT_BGR;
  c.cmyk = d.out_color_space == JCS_CMYK;
  // Adobe's writers store CMYK inverted; their files are marked by the Adobe segment.
  c.invertedCmyk = c.cmyk && d.saw_Adobe_marker;
  if ((c.options.OutputDepth == jf8Bit && !c.cmyk) || d.out_color_space == JCS_GRAYSCALE) {
    d.quantize_colors = TRUE;
    d.desired_number_of_colors = 236;
  }
  if (c.options.SpeedMode == jpBestSpeed) {
    d.dct_method = JDCT_IFAST;
    d.two_pass_quantize = FALSE;
    d.dither_mode = JDITHER_ORDERED;
  } else {
    d.dct_method = JDCT_FLOAT;
  }
  c.finalDct = d.dct_method;
  c.finalDither = d.dither_mode;
  c.finalTwoPass = d.two_pass_quantize;
  if (c.options.ShowScans && jpeg_has_multiple_scans(&d)) {
    d.enable_2pass_quant = d.two_pass_quantize;
    d.dct_method = JDCT_IFAST;
    d.two_pass_quantize = FALSE;
    d.dither_mode = JDITHER_ORDERED;
    d.buffered_image = TRUE;
    c.bufferedMode = true;
  }
  jpeg_calc_output_dimensions(&d);
  const int components = d.quantize_colors ? 1 : d.out_color_components;
  if (components != 1 && components != 3 && !(c.cmyk && components == 4)) ERREXIT(&d, JERR_CONVERSION_NOTIMPL);
}

void ColorMapStep(void* argument) {
  auto& c = *static_cast<TDecodeContext*>(argument);
  jpeg_decompress_struct& d = c.cinfo;
  d.colormap = (*d.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&d), JPOOL_IMAGE,
                                      static_cast<JDIMENSION>(c.mapCount), 3);
  for (int i = 0; i < c.mapCount; ++i) {
    for (int k = 0; k < 3; ++k) d.colormap[k][i] = c.map[i][k];
  }
  d.actual_number_of_colors = c.mapCount;
}

void StartStep(void* argument) {
  auto& c = *static_cast<TDecodeContext*>(argument);
  jpeg_decompress_struct& d = c.cinfo;
  jpeg_start_decompress(&d);
  if (c.cmyk) {
    c.cmykRow = static_cast<JSAMPROW>((*d.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&d), JPOOL_IMAGE,
                                                             static_cast<size_t>(d.output_width) * 4));
  }
  c.pixelSize = d.quantize_colors ? 1 : 3;
  if (c.orientation != 1) {
    c.stripStride = static_cast<size_t>(d.output_width) * static_cast<size_t>(c.pixelSize);
    size_t rows = std::max(kMinStripRows, std::min(kMaxStripRows, kStripBytes / c.stripStride));
    rows = std::min(rows, static_cast<size_t>(d.output_height));
    c.stripRows = static_cast<JDIMENSION>(rows);
    c.strip = static_cast<uint8_t*>(
        (*d.mem->alloc_large)(reinterpret_cast<j_common_ptr>(&d), JPOOL_IMAGE, c.stripStride * rows));
    // Progress reports bands of rows once they stand upright in the bitmap.
    c.progress.orientation = c.orientation;
    c.progress.bandRows = c.stripRows;
  }
}

void ConvertCmykRow(const TDecodeContext& c, uint8_t* target) {
  if (c.cmykConversion != nullptr) {
    // Profiles count ink, 255 being full; Adobe's inverted values count light.
    if (c.invertedCmyk)
      for (JDIMENSION i = 0; i < c.cinfo.output_width * 4; ++i) c.cmykRow[i] = static_cast<JSAMPLE>(255 - c.cmykRow[i]);
    c.cmykConversion->ConvertCmyk(c.cmykRow, target, c.cinfo.output_width);
    return;
  }
  const JSAMPLE* source = c.cmykRow;
  for (JDIMENSION x = 0; x < c.cinfo.output_width; ++x, source += 4, target += 3) {
    unsigned cyan = source[0], magenta = source[1], yellow = source[2], black = source[3];
    if (!c.invertedCmyk) {
      cyan = 255 - cyan;
      magenta = 255 - magenta;
      yellow = 255 - yellow;
      black = 255 - black;
    }
    // Here each value is the amount of light left, so the products give the colour.
    target[0] = static_cast<uint8_t>((yellow * black + 127) / 255);
    target[1] = static_cast<uint8_t>((magenta * black + 127) / 255);
    target[2] = static_cast<uint8_t>((cyan * black + 127) / 255);
  }
}

// Where stored row y is decoded to: its own bitmap row, or its place in the strip.
uint8_t* RowTarget(const TDecodeContext& c, JDIMENSION y) {
  if (c.orientation == 1) return c.firstRow + c.rowStep * static_cast<ptrdiff_t>(y);
  return c.strip + c.stripStride * (y % c.stripRows);
}

void ReadRowsStep(void* argument) {
  auto& c = *static_cast<TDecodeContext*>(argument);
  jpeg_decompress_struct& d = c.cinfo;
  while (d.output_scanline < d.output_height) {
    const JDIMENSION y = d.output_scanline;
    uint8_t* row = RowTarget(c, y);
    JSAMPROW target = c.cmyk ? c.cmykRow : row;
    if (jpeg_read_scanlines(&d, &target, 1) == 1 && c.cmyk) ConvertCmykRow(c, row);
    const JDIMENSION done = y + 1;
    if (c.orientation != 1 && (done % c.stripRows == 0 || done == d.output_height)) {
      const JDIMENSION first = (done - 1) / c.stripRows * c.stripRows;
      PlaceUpright(c.placement, c.strip, static_cast<ptrdiff_t>(c.stripStride), static_cast<int>(d.output_width),
                   static_cast<int>(first), static_cast<int>(done - first), c.pixelSize, c.firstRow);
    }
  }
}

void StartScanStep(void* argument) {
  auto& c = *static_cast<TDecodeContext*>(argument);
  jpeg_start_output(&c.cinfo, c.cinfo.input_scan_number);
}

void FinishScanStep(void* argument) { jpeg_finish_output(&static_cast<TDecodeContext*>(argument)->cinfo); }

bool ImageCompleteStep(TDecodeContext& c) {
  bool complete = false;
  struct Query {
    TDecodeContext* context;
    bool* complete;
  } query{&c, &complete};
  if (!RunJpegStep(
          c.err,
          [](void* argument) {
            auto& q = *static_cast<Query*>(argument);
            *q.complete = jpeg_input_complete(&q.context->cinfo) != 0;
          },
          &query))
    RaiseJpegFailure(c.err);
  return complete;
}

void FinalPassStep(void* argument) {
  auto& c = *static_cast<TDecodeContext*>(argument);
  jpeg_decompress_struct& d = c.cinfo;
  d.dct_method = c.finalDct;
  d.dither_mode = c.finalDither;
  if (c.finalTwoPass && d.quantize_colors) {
    d.two_pass_quantize = TRUE;
    d.colormap = nullptr;
  }
  jpeg_start_output(&d, d.input_scan_number);
}

void FinishStep(void* argument) {
  auto& c = *static_cast<TDecodeContext*>(argument);
  if (c.bufferedMode) jpeg_finish_output(&c.cinfo);
  jpeg_finish_decompress(&c.cinfo);
}

// Makes the decoder's colour map the bitmap's palette.
void ExtractPalette(TDecodeContext& c, TBitmap& bitmap, TGraphic& owner) {
  const jpeg_decompress_struct& d = c.cinfo;
  if (d.colormap == nullptr || d.actual_number_of_colors <= 0) return;
  const int count = d.actual_number_of_colors;
  std::string record(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * static_cast<size_t>(count), '\0');
  auto* palette = reinterpret_cast<LOGPALETTE*>(&record[0]);
  palette->palVersion = 0x300;
  palette->palNumEntries = static_cast<WORD>(count);
  const bool gray = d.out_color_components == 1;
  for (int i = 0; i < count; ++i) {
    PALETTEENTRY& entry = palette->palPalEntry[i];
    if (gray) {
      entry.peRed = entry.peGreen = entry.peBlue = d.colormap[0][i];
    } else {
      entry.peRed = d.colormap[2][i];
      entry.peGreen = d.colormap[1][i];
      entry.peBlue = d.colormap[0][i];
    }
    entry.peFlags = 0;
  }
  UniquePalette handle(CreatePalette(palette));
  if (!handle) throw EOutOfResources(ResText(IDS_OUT_OF_RESOURCES));
  bitmap.SetPalette(std::move(handle));
  owner.SetPaletteModified(true);
}

}  // namespace

JpegHeader ReadJpegHeader(TStream& stream) {
  auto context = std::make_unique<TDecodeContext>();
  const auto destroy = DestroyOnExit(context->cinfo);
  CreateAndReadHeader(*context, stream, nullptr);
  const jpeg_decompress_struct& d = context->cinfo;
  std::shared_ptr<const ColorProfile> profile = EmbeddedProfile(*context), inks;
  // An ink picture's profile serves while it is decoded; shown, it is sRGB.
  if (profile != nullptr && profile->Model() == ColorModel::Cmyk) inks = profile;
  if (profile != nullptr && profile->Model() != ColorModel::Rgb) profile = nullptr;
  return JpegHeader{static_cast<int32_t>(d.image_width), static_cast<int32_t>(d.image_height),
                    d.jpeg_color_space == JCS_GRAYSCALE, jpeg_has_multiple_scans(&context->cinfo) != 0,
                    context->orientation, std::move(profile), std::move(inks)};
}

int SmallestCoveringScale(TStream& stream, int width, int height) {
  auto context = std::make_unique<TDecodeContext>();
  const auto destroy = DestroyOnExit(context->cinfo);
  CreateAndReadHeader(*context, stream, nullptr);
  struct Query {
    jpeg_decompress_struct* cinfo;
    int width;
    int height;
    int shift;
  };
  // The size asked for is upright; the library's output is as stored.
  const SIZE stored = StoredSize(context->orientation, SIZE{width, height});
  Query query{&context->cinfo, stored.cx, stored.cy, 0};
  // The library rounds each scaled side up; asking it keeps the choice exact.
  const auto choose = [](void* argument) {
    auto& q = *static_cast<Query*>(argument);
    for (int shift = 3; shift > 0; --shift) {
      q.cinfo->scale_num = 1;
      q.cinfo->scale_denom = 1u << shift;
      jpeg_calc_output_dimensions(q.cinfo);
      if (static_cast<int64_t>(q.cinfo->output_width) >= q.width &&
          static_cast<int64_t>(q.cinfo->output_height) >= q.height) {
        q.shift = shift;
        return;
      }
    }
  };
  if (!RunJpegStep(context->err, choose, &query)) RaiseJpegFailure(context->err);
  return query.shift;
}

namespace {

// Quantising to a palette given from outside: the library maps to its colours and
// the bitmap keeps a copy of it. A 24-bit decode has no use for the palette.
// Returns whether the decoder's own colour map may still become the palette.
bool UseTemporaryPalette(TDecodeContext& c, TBitmap& bitmap, UniquePalette& tempPalette, bool eightBit) {
  if (!tempPalette) return true;
  if (!eightBit) {
    tempPalette.reset();
    return true;
  }
  PALETTEENTRY entries[256];
  c.mapCount = static_cast<int>(GetPaletteEntries(tempPalette.get(), 0, 256, entries));
  for (int i = 0; i < c.mapCount; ++i) {
    c.map[i][0] = entries[i].peBlue;
    c.map[i][1] = entries[i].peGreen;
    c.map[i][2] = entries[i].peRed;
  }
  if (c.mapCount > 0) Run(c, ColorMapStep);
  bitmap.SetPalette(DuplicatePalette(tempPalette.get()));
  return false;
}

// Starts the decompressor and gives the bitmap the output size, upright.
void StartAndSizeBitmap(TDecodeContext& c, TBitmap& bitmap, bool eightBit) {
  Run(c, StartStep);
  // The library's sides are at most 65500 (JPEG_MAX_DIMENSION), well within a LONG.
  const SIZE upright = UprightSize(c.orientation, SIZE{static_cast<LONG>(c.cinfo.output_width),
                                                       static_cast<LONG>(c.cinfo.output_height)});
  const uint64_t bytesPerRow = (static_cast<uint64_t>(upright.cx) * (eightBit ? 8 : 24) + 31) / 32 * 4;
  if (bytesPerRow * static_cast<uint64_t>(upright.cy) > 0x7FFFFFFF) throw EOutOfMemory(ResText(IDS_OUT_OF_MEMORY));
  bitmap.SetBitmapHandle(nullptr);
  bitmap.SetWidth(static_cast<int>(upright.cx));
  bitmap.SetHeight(static_cast<int>(upright.cy));
}

// Reads one output pass into the bitmap. Setting a palette gives the bitmap new
// pixel memory, so the rows are located again right before each pass writes them.
void ReadPass(TDecodeContext& c, TBitmap& bitmap) {
  BitmapRowWriter rows(bitmap);
  c.firstRow = rows.Row(0);
  c.rowStep = rows.Step();
  c.placement = UprightPlacement(c.orientation, static_cast<int>(c.cinfo.output_width),
                                 static_cast<int>(c.cinfo.output_height), c.pixelSize, c.rowStep);
  Run(c, ReadRowsStep);
}

// Every scan of a multi-scan file as it arrives, each shown in the bitmap, then
// the final pass with the final settings.
void ReadScans(TDecodeContext& c, TBitmap& bitmap, TGraphic& owner, bool eightBit, bool mayExtract) {
  bool first = true;
  while (!ImageCompleteStep(c)) {
    Run(c, StartScanStep);
    if (first && c.cinfo.colormap != nullptr && eightBit && mayExtract) ExtractPalette(c, bitmap, owner);
    first = false;
    ReadPass(c, bitmap);
    Run(c, FinishScanStep);
  }
  Run(c, FinalPassStep);
  if (c.finalTwoPass && eightBit && mayExtract) ExtractPalette(c, bitmap, owner);
}

}  // namespace

bool DecodeJpeg(TStream& stream, const TJPEGOptions& options, UniquePalette& palette, TBitmap& bitmap,
                TGraphic& reporter) {
  auto context = std::make_unique<TDecodeContext>();
  TDecodeContext& c = *context;
  const auto destroy = DestroyOnExit(c.cinfo);
  c.options = options;
  CreateAndReadHeader(c, stream, &reporter);
  Run(c, ConfigureStep);
  std::shared_ptr<const ColorConversion> inks;
  if (c.cmyk) {
    const std::shared_ptr<const ColorProfile> profile = EmbeddedProfile(c);
    if (profile != nullptr && profile->Model() == ColorModel::Cmyk) inks = ConversionToSrgb(*profile);
    c.cmykConversion = inks.get();
  }

  bitmap.SetBitmapHandle(nullptr);
  const bool eightBit = c.cinfo.quantize_colors != 0;
  bitmap.SetPixelDepth(eightBit ? pd8Bit : pd24Bit);

  RECT noRect{};
  std::string noText;
  bool succeeded = false;
  try {
    // Inside the try: a handler may cancel with EAbort from its very first report.
    reporter.Progress(&reporter, psStarting, 0, false, noRect, noText);
    const bool mayExtract = UseTemporaryPalette(c, bitmap, palette, eightBit);
    StartAndSizeBitmap(c, bitmap, eightBit);
    if (c.bufferedMode) {
      ReadScans(c, bitmap, reporter, eightBit, mayExtract);
    } else if (mayExtract) {
      ExtractPalette(c, bitmap, reporter);
    }
    ReadPass(c, bitmap);
    Run(c, FinishStep);
    succeeded = true;
  } catch (const EAbort&) {
  } catch (...) {
    reporter.Progress(&reporter, psEnding, 0, reporter.PaletteModified(), noRect, noText);
    if (reporter.PaletteModified()) reporter.NotifyChanged(&reporter);
    throw;
  }
  reporter.Progress(&reporter, psEnding, succeeded ? 100 : 0, reporter.PaletteModified(), noRect, noText);
  if (reporter.PaletteModified()) reporter.NotifyChanged(&reporter);
  return c.err.partMissing;
}
