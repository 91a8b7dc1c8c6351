#include "picture/readers/jpeg/JpegImage.h"

#include <cstring>
#include <vector>

#include "gdi/Canvas.h"
#include "gdi/Handles.h"
#include "gdi/ScreenMetrics.h"
#include "picture/bitmap/Bitmap.h"
#include "picture/metadata/ExifOrientation.h"
#include "picture/formats/FileFormats.h"
#include "picture/readers/jpeg/JpegDecoder.h"
#include "picture/readers/jpeg/JpegWriter.h"
#include "picture/core/Stream.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"
#include "text/FileNames.h"

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
  dataEndedEarly_ = false;
  if (source == nullptr) {
    NewData();
    bitmap_.reset();
  } else if (const auto* other = dynamic_cast<const TJPEGImage*>(source)) {
    data_ = other->data_;
    dataEndedEarly_ = other->bitmap_ != nullptr && other->dataEndedEarly_;
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
  if (HasHeader() || bitmap_ == nullptr) return UprightSize(data_->Orientation, SIZE{data_->Width, data_->Height}).cx;
  return bitmap_->Width();
}

int TJPEGImage::Height() const {
  if (HasHeader() || bitmap_ == nullptr) return UprightSize(data_->Orientation, SIZE{data_->Width, data_->Height}).cy;
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

void TJPEGImage::SetPalette(UniquePalette palette) {
  if (!palette && !tempPalette_) return;
  bool discarded = false;
  if (bitmap_ != nullptr && bitmap_->Palette() != palette.get()) {
    bitmap_.reset();
    discarded = true;
  }
  tempPalette_ = std::move(palette);
  if (discarded) {
    SetPaletteModified(true);
    NotifyChanged(this);
  }
}

void TJPEGImage::LoadStream(TStream& stream) { ReadStream(stream.Size() - stream.Position(), stream); }

void TJPEGImage::ReadStream(int32_t count, TStream& stream) {
  NewData();
  bitmap_.reset();
  dataEndedEarly_ = false;
  data_->Data = std::make_unique<TMemoryStream>();
  if (count > 0) {
    data_->Data->SetSize(count);
    stream.ReadBuffer(data_->Data->Memory(), count);
    JpegHeader header = ReadJpegHeader(*data_->Data);
    data_->Width = header.width;
    data_->Height = header.height;
    data_->Gray = header.gray;
    data_->Orientation = header.orientation;
    data_->Profile = std::move(header.profile);
    data_->Inks = std::move(header.inks);
    options_.MultiScan = header.multiScan;
  }
  SetPaletteModified(true);
  NotifyChanged(this);
}

std::shared_ptr<const ColorProfile> TJPEGImage::ConvertedProfile() const {
  return data_->Inks != nullptr ? data_->Inks : data_->Profile;
}

TBitmap& TJPEGImage::Bitmap() {
  if (bitmap_ == nullptr) Decode();
  return *bitmap_;
}

void TJPEGImage::Decode() {
  bitmap_ = std::make_unique<TBitmap>();
  // Data never read (a graphic made empty) decodes like an empty stream.
  TMemoryStream empty;
  dataEndedEarly_ = false;
  dataEndedEarly_ = DecodeJpeg(data_->Data != nullptr ? *data_->Data : empty, options_, tempPalette_, *bitmap_, *this);
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

void TJPEGImage::Compress() {
  if (data_->Data != nullptr) return;
  try {
    data_->Data = std::make_unique<TMemoryStream>();
    if (bitmap_ == nullptr || bitmap_->Width() == 0 || bitmap_->Height() == 0) return;
    data_->Width = bitmap_->Width();
    data_->Height = bitmap_->Height();
    data_->Gray = options_.GrayMode;
    const JpegWriteSettings settings{options_.SaveQuality, options_.GrayMode, options_.MultiScan};
    WriteJpeg(*bitmap_, settings, *data_->Data, *this);
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
// Makes "mktXXXX.tmp" in the folder (a name for the file calls, ending in "\")
// with CREATE_NEW, trying the next number while the name is taken, as the
// system's GetTempFileNameW does, but without its fixed buffer: Wine's copies a
// folder name of any length into the caller's MAX_PATH characters (268
// characters overran it and crashed the program), where Windows fails the call.
// A name beyond the file calls is not tried, and the output is then written in
// place.
bool MakeTemporaryFile(const std::wstring& folder, std::wstring& path) {
  static DWORD next = GetTickCount() ^ GetCurrentProcessId();
  path = folder + L"mkt0000.tmp";
  if (!FitsFileCalls(FilePath::FromWide(path))) return false;
  const size_t digits = folder.size() + 3;
  for (int tried = 0; tried < 0x10000; ++tried) {
    const DWORD unique = ++next & 0xFFFF;
    for (size_t i = 0; i < 4; ++i) path[digits + i] = L"0123456789ABCDEF"[unique >> (12 - 4 * i) & 0xF];
    const UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return true;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS && error != ERROR_SHARING_VIOLATION) return false;
  }
  return false;
}

TTemporaryFileMaker g_temporaryFileMaker = MakeTemporaryFile;

// Every failure of a saved file names the user's file, never our temporary one.
EFCreateError CreateError(const FilePath& fileName) {
  return FileCreateError(fileName);
}
}  // namespace

void SetTemporaryFileMakerForTesting(TTemporaryFileMaker maker) {
  g_temporaryFileMaker = maker != nullptr ? maker : MakeTemporaryFile;
}

void TJPEGImage::SaveFile(const FilePath& fileName) {
  // Every call below reaches a name of any length; one beyond the file calls
  // is refused before anything is made.
  const std::wstring name = fileName.ForFileCalls();
  if (name.empty()) throw CreateError(fileName);
  // An existing file must be writable, since it is to be replaced; a read-only
  // one is refused before anything is made.
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) throw CreateError(fileName);
    UniqueFile probe(CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!probe) throw CreateError(fileName);
  }
  // The whole file is made in memory first: a failed compression touches nothing.
  Compress();
  if (WriteThroughTemporary(fileName, name)) return;
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
    DeleteFileW(name.c_str());
    throw CreateError(fileName);
  }
}

void TJPEGImage::WriteWhole(TFileStream& stream) {
  SaveStream(stream);
  if (!FlushFileBuffers(stream.Handle())) throw EWriteError(ResText(IDS_WRITE_ERROR));
}

bool TJPEGImage::WriteThroughTemporary(const FilePath& fileName, const std::wstring& name) {
  // Beside the output, so that the move stays on one volume. The name for the
  // file calls is a full path, so its folder ends at its last "\".
  std::wstring temporary;
  if (!g_temporaryFileMaker(name.substr(0, name.find_last_of(L'\\') + 1), temporary)) return false;
  try {
    {
      TFileStream stream(FilePath::FromWide(temporary), TFileStream::kCreate);
      WriteWhole(stream);
    }
    if (!MoveFileExW(temporary.c_str(), name.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      throw EWriteError(ResText(IDS_WRITE_ERROR));
  } catch (const EFCreateError&) {
    // Some systems name the temporary file without being able to create it.
    DeleteFileW(temporary.c_str());
    return false;
  } catch (const Exception&) {
    DeleteFileW(temporary.c_str());
    throw CreateError(fileName);
  }
  return true;
}
