#include "picture/readers/jpeg/JpegWriter.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include <jpeglib.h>
#include <jerror.h>

#include "gdi/Handles.h"
#include "picture/bitmap/Bitmap.h"
#include "picture/bitmap/BitmapRows.h"
#include "picture/readers/jpeg/JpegErrors.h"
#include "picture/core/Graphic.h"
#include "picture/readers/jpeg/JpegProgress.h"
#include "picture/core/Stream.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"

namespace {

constexpr size_t kOutputBufferSize = 4096;

// The destination manager writing to a stream.
struct TStreamDestination {
  jpeg_destination_mgr pub;
  TStream* stream;
  JOCTET* buffer;
};

void InitDestination(j_compress_ptr cinfo) {
  auto* destination = reinterpret_cast<TStreamDestination*>(cinfo->dest);
  destination->buffer = static_cast<JOCTET*>(
      (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, kOutputBufferSize));
  destination->pub.next_output_byte = destination->buffer;
  destination->pub.free_in_buffer = kOutputBufferSize;
}

// The C++ part of a write: false when the stream raised (kept for the caller).
bool WriteToStream(j_compress_ptr cinfo, TStreamDestination& destination, size_t count) {
  try {
    // A short write raises EWriteError.
    destination.stream->WriteBuffer(destination.buffer, static_cast<int32_t>(count));
    return true;
  } catch (...) {
    KeepCallbackFailure(reinterpret_cast<j_common_ptr>(cinfo));
    return false;
  }
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  auto* destination = reinterpret_cast<TStreamDestination*>(cinfo->dest);
  if (!WriteToStream(cinfo, *destination, kOutputBufferSize)) FailFromCallback(reinterpret_cast<j_common_ptr>(cinfo));
  destination->pub.next_output_byte = destination->buffer;
  destination->pub.free_in_buffer = kOutputBufferSize;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  auto* destination = reinterpret_cast<TStreamDestination*>(cinfo->dest);
  const size_t count = kOutputBufferSize - destination->pub.free_in_buffer;
  if (count > 0 && !WriteToStream(cinfo, *destination, count)) FailFromCallback(reinterpret_cast<j_common_ptr>(cinfo));
}

struct TEncodeContext {
  TJpegErrorManager err;
  TJpegProgress progress;
  jpeg_compress_struct cinfo;
  TStream* stream;
  int quality;
  bool gray;
  bool progressive;
  // The row written next.
  const uint8_t* row;
};

void Run(TEncodeContext& context, void (*step)(void*)) {
  if (!RunJpegStep(context.err, step, &context)) RaiseJpegFailure(context.err);
}

void CreateStep(void* argument) {
  auto& c = *static_cast<TEncodeContext*>(argument);
  jpeg_CreateCompress(&c.cinfo, JPEG_LIB_VERSION, sizeof c.cinfo);
}

void AttachStep(void* argument) {
  auto& c = *static_cast<TEncodeContext*>(argument);
  auto* destination = static_cast<TStreamDestination*>((*c.cinfo.mem->alloc_small)(
      reinterpret_cast<j_common_ptr>(&c.cinfo), JPOOL_PERMANENT, sizeof(TStreamDestination)));
  destination->stream = c.stream;
  destination->buffer = nullptr;
  destination->pub.init_destination = InitDestination;
  destination->pub.empty_output_buffer = EmptyOutputBuffer;
  destination->pub.term_destination = TermDestination;
  c.cinfo.dest = &destination->pub;
}

// The bitmap's rows are blue-green-red, which the library takes as they are.
void ParametersStep(void* argument) {
  auto& c = *static_cast<TEncodeContext*>(argument);
  c.cinfo.input_components = 3;
  c.cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&c.cinfo);
  c.cinfo.dct_method = JDCT_FLOAT;
  jpeg_set_quality(&c.cinfo, c.quality, TRUE);
  if (c.gray) jpeg_set_colorspace(&c.cinfo, JCS_GRAYSCALE);
  if (c.progressive) jpeg_simple_progression(&c.cinfo);
}

void StartStep(void* argument) { jpeg_start_compress(&static_cast<TEncodeContext*>(argument)->cinfo, TRUE); }

void WriteRowStep(void* argument) {
  auto& c = *static_cast<TEncodeContext*>(argument);
  JSAMPROW row = const_cast<JSAMPROW>(c.row);
  jpeg_write_scanlines(&c.cinfo, &row, 1);
}

void FinishStep(void* argument) { jpeg_finish_compress(&static_cast<TEncodeContext*>(argument)->cinfo); }

// Rows are fetched between the library's calls: converting a band of them may
// raise, which must not cross the library's frames.
void CompressRows(TEncodeContext& c, BitmapRows& rows) {
  Run(c, StartStep);
  for (int y = 0; y < rows.Height(); ++y) {
    c.row = rows.Row(y);
    Run(c, WriteRowStep);
  }
  Run(c, FinishStep);
}

}  // namespace

void WriteJpeg(TBitmap& bitmap, const JpegWriteSettings& settings, TStream& stream, TGraphic& reporter) {
  auto context = std::make_unique<TEncodeContext>();
  TEncodeContext& c = *context;
  ScopeExit destroy([&c] { jpeg_destroy_compress(&c.cinfo); });
  c.cinfo.err = InitJpegErrorManager(c.err);
  Run(c, CreateStep);
  InstallJpegProgress(c.progress, reinterpret_cast<j_common_ptr>(&c.cinfo), &reporter);
  c.stream = &stream;
  Run(c, AttachStep);
  c.cinfo.image_width = static_cast<JDIMENSION>(bitmap.Width());
  c.cinfo.image_height = static_cast<JDIMENSION>(bitmap.Height());
  // The rows are read without unsharing the bitmap's image.
  BitmapRows rows(bitmap);
  c.quality = settings.quality;
  c.gray = settings.gray;
  c.progressive = settings.progressive;
  Run(c, ParametersStep);

  RECT noRect{};
  std::string noText;
  reporter.Progress(&reporter, psStarting, 0, false, noRect, noText);
  try {
    CompressRows(c, rows);
  } catch (...) {
    reporter.Progress(&reporter, psEnding, 0, false, noRect, noText);
    throw;
  }
  reporter.Progress(&reporter, psEnding, 100, false, noRect, noText);
}
