// Compressing the JPEG graphic's bitmap into JFIF data in memory, and writing that
// data to a stream or in place of a named file.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include <jpeglib.h>
#include <jerror.h>

#include "gdi/Handles.h"
#include "picture/Bitmap.h"
#include "picture/BitmapRows.h"
#include "picture/JpegErrors.h"
#include "picture/JpegImage.h"
#include "picture/JpegProgress.h"
#include "picture/Stream.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"
#include "text/FileNames.h"

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

void TJPEGImage::Compress() {
  if (data_->Data != nullptr) return;
  auto context = std::make_unique<TEncodeContext>();
  TEncodeContext& c = *context;
  ScopeExit destroy([&c] { jpeg_destroy_compress(&c.cinfo); });
  c.cinfo.err = InitJpegErrorManager(c.err);
  Run(c, CreateStep);
  InstallJpegProgress(c.progress, reinterpret_cast<j_common_ptr>(&c.cinfo), this);
  try {
    data_->Data = std::make_unique<TMemoryStream>();
    data_->Data->SetPosition(0);
    c.stream = data_->Data.get();
    Run(c, AttachStep);
    if (bitmap_ == nullptr || bitmap_->Width() == 0 || bitmap_->Height() == 0) return;

    c.cinfo.image_width = static_cast<JDIMENSION>(bitmap_->Width());
    c.cinfo.image_height = static_cast<JDIMENSION>(bitmap_->Height());
    data_->Width = bitmap_->Width();
    data_->Height = bitmap_->Height();
    // The rows are read without unsharing the bitmap's image.
    BitmapRows rows(*bitmap_);
    c.quality = options_.SaveQuality;
    c.gray = options_.GrayMode;
    c.progressive = options_.MultiScan;
    data_->Gray = c.gray;
    Run(c, ParametersStep);

    RECT noRect{};
    std::string noText;
    Progress(this, psStarting, 0, false, noRect, noText);
    try {
      CompressRows(c, rows);
    } catch (...) {
      Progress(this, psEnding, 0, false, noRect, noText);
      throw;
    }
    Progress(this, psEnding, 100, false, noRect, noText);
  } catch (const EAbort&) {
    NewData();
  }
}

void TJPEGImage::SaveStream(TStream& stream) {
  Compress();
  // A compression cancelled through EAbort leaves no data, which saves as nothing.
  if (data_->Data != nullptr) stream.WriteBuffer(data_->Data->Memory(), data_->Data->Size());
}

namespace {
TTemporaryFileNamer g_temporaryFileNamer = GetTempFileNameW;

// Every failure of a saved file names the user's file, never our temporary one.
EFCreateError CreateError(const FilePath& fileName) {
  return EFCreateError(ResFormat(IDS_FILE_CREATE_ERROR, {fileName.Text()}));
}
}  // namespace

void SetTemporaryFileNamerForTesting(TTemporaryFileNamer namer) {
  g_temporaryFileNamer = namer != nullptr ? namer : GetTempFileNameW;
}

void TJPEGImage::SaveFile(const FilePath& fileName) {
  const wchar_t* name = fileName.Wide().c_str();
  // An existing file must be writable, since it is to be replaced; a read-only
  // one is refused before anything is made.
  const DWORD attributes = GetFileAttributesW(name);
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) throw CreateError(fileName);
    UniqueFile probe(CreateFileW(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!probe) throw CreateError(fileName);
  }
  // The whole file is made in memory first: a failed compression touches nothing.
  Compress();
  if (WriteThroughTemporary(fileName)) return;
  // The folder refuses new files, but the output itself may still be written in
  // place. A file that cannot even be opened so is left as it was: only what this
  // save truncated or created is removed when the writing fails.
  const DWORD kept = attributes == INVALID_FILE_ATTRIBUTES
                         ? FILE_ATTRIBUTE_NORMAL
                         : (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) | FILE_ATTRIBUTE_NORMAL;
  std::unique_ptr<TFileStream> stream;
  try {
    stream = std::make_unique<TFileStream>(fileName, TFileStream::kCreate, kept);
  } catch (const Exception&) {
    throw CreateError(fileName);
  }
  try {
    WriteWhole(*stream);
  } catch (const Exception&) {
    stream.reset();
    DeleteFileW(name);
    throw CreateError(fileName);
  }
}

void TJPEGImage::WriteWhole(TFileStream& stream) {
  SaveStream(stream);
  if (!FlushFileBuffers(stream.Handle())) throw EWriteError(ResText(IDS_WRITE_ERROR));
}

bool TJPEGImage::WriteThroughTemporary(const FilePath& fileName) {
  std::wstring folder = fileName.Directory().Wide();
  if (folder.empty()) folder = L".";
  wchar_t temporary[MAX_PATH + 1] = {};
  if (g_temporaryFileNamer(folder.c_str(), L"mkt", 0, temporary) == 0) return false;
  try {
    {
      TFileStream stream(FilePath::FromWide(temporary), TFileStream::kCreate);
      WriteWhole(stream);
    }
    if (!MoveFileExW(temporary, fileName.Wide().c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      throw EWriteError(ResText(IDS_WRITE_ERROR));
  } catch (const EFCreateError&) {
    // Some systems name the temporary file without being able to create it.
    DeleteFileW(temporary);
    return false;
  } catch (const Exception&) {
    DeleteFileW(temporary);
    throw CreateError(fileName);
  }
  return true;
}
