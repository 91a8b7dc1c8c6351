#include "picture/readers/PictureReaders.h"

#include <string>
#include <vector>

#include "picture/bitmap/Bitmap.h"
#include "picture/colour/ColorConversions.h"
#include "picture/formats/FileFormats.h"
#include "picture/readers/heif/HeifImage.h"
#include "picture/readers/jpeg/JpegImage.h"
#include "picture/readers/webp/WebPImage.h"
#include "picture/readers/wic/WicCodecs.h"
#include "picture/readers/wic/WicImage.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"
#include "text/FileNames.h"

namespace {

using F = TPictureFormat;

std::unique_ptr<TGraphic> LoadAs(const TGraphicClass& graphicClass, const FilePath& file,
                                 const TProgressEvent& progress) {
  std::unique_ptr<TGraphic> loaded = graphicClass.create();
  loaded->OnProgress = progress;
  loaded->LoadFile(file);
  return loaded;
}

// The program's own readers read the whole file themselves.
template <class Graphic>
std::unique_ptr<TGraphic> OpenOwn(const FilePath& file, const TPictureHead&, const TProgressEvent& progress) {
  return LoadAs(Graphic::StaticClass(), file, progress);
}

// Readers that open the file and read its size at once, the pixels coming
// later: the system's codecs, and libheif, which reads HEIF and AVIF on every
// Windows alike, whether or not the system has a decoder of them.
template <class Graphic>
std::unique_ptr<TGraphic> OpenFile(const FilePath& file, const TPictureHead& head, const TProgressEvent&) {
  auto picture = std::make_unique<Graphic>();
  picture->Open(file, head);
  return picture;
}

// The program's own libwebp, likewise on every Windows; it reads the whole file.
std::unique_ptr<TGraphic> OpenWebP(const FilePath& file, const TPictureHead&, const TProgressEvent&) {
  auto picture = std::make_unique<TWebPImage>();
  picture->Open(file);
  return picture;
}

bool IcoMark(const uint8_t* b, size_t n) {
  // Reserved 0, type 1 (icon) or 2 (cursor), and at least one picture.
  return (MarkAt(b, n, 0, "\0\0\1\0") || MarkAt(b, n, 0, "\0\0\2\0")) && n >= 6 && (b[4] != 0 || b[5] != 0);
}

// Marks are tried in the order of the enumeration, whatever the order here.
const TPictureReader kReaders[] = {
    {F::Bmp, {"BMP", {".bmp", ".dib"}, {"image/bmp", "image/x-bmp"}, [](const uint8_t* b, size_t n) {
       return MarkAt(b, n, 0, "BM");
     }}, false, &OpenOwn<TBitmap>},
    {F::Jpeg, {"JPEG", {".jpg", ".jpeg", ".jpe", ".jfif"}, {"image/jpeg", "image/pjpeg"}, [](const uint8_t* b, size_t n) {
       return MarkAt(b, n, 0, "\xFF\xD8\xFF");
     }}, false, &OpenOwn<TJPEGImage>},
    // The system's codecs: the formats Windows ships, and any a user installed.
    {F::Png, {"PNG", {".png"}, {"image/png"}, [](const uint8_t* b, size_t n) {
       return MarkAt(b, n, 0, "\x89PNG\r\n\x1A\n");
     }}, true, &OpenFile<TWicImage>},
    {F::Gif, {"GIF", {".gif"}, {"image/gif"}, [](const uint8_t* b, size_t n) {
       return MarkAt(b, n, 0, "GIF87a") || MarkAt(b, n, 0, "GIF89a");
     }}, true, &OpenFile<TWicImage>},
    // Classic TIFF, then BigTIFF.
    {F::Tiff, {"TIFF", {".tif", ".tiff"}, {"image/tiff"}, [](const uint8_t* b, size_t n) {
       return MarkAt(b, n, 0, "II*\0") || MarkAt(b, n, 0, "MM\0*") || MarkAt(b, n, 0, "II+\0") ||
              MarkAt(b, n, 0, "MM\0+");
     }}, true, &OpenFile<TWicImage>},
    {F::Ico, {"ICO", {".ico", ".icon", ".cur"}, {"image/ico", "image/x-icon", "image/vnd.microsoft.icon"}, IcoMark},
     true, &OpenFile<TWicImage>},
    // The program's own libwebp, on every Windows alike.
    {F::WebP, {"WebP", {".webp"}, {"image/webp"}, [](const uint8_t* b, size_t n) {
       return MarkAt(b, n, 0, "RIFF") && MarkAt(b, n, 8, "WEBP");
     }}, true, &OpenWebP},
    // libheif, on every Windows alike, with or without the system's extensions.
    {F::Heif, {"HEIF", {".heic", ".heif", ".hif"}, {"image/heic", "image/heif", "image/heic-sequence", "image/heif-sequence"},
               [](const uint8_t* b, size_t n) { return IsoBrandFormat(b, n) == F::Heif; }},
     true, &OpenFile<THeifImage>},
    {F::Avif, {"AVIF", {".avif"}, {"image/avif"}, [](const uint8_t* b, size_t n) {
       return IsoBrandFormat(b, n) == F::Avif;
     }}, true, &OpenFile<THeifImage>},
    // The bare code stream, then the container.
    {F::JpegXl, {"JPEG XL", {".jxl"}, {"image/jxl"}, [](const uint8_t* b, size_t n) {
       return MarkAt(b, n, 0, "\xFF\x0A") || MarkAt(b, n, 0, "\0\0\0\x0CJXL \r\n\x87\n");
     }}, true, &OpenFile<TWicImage>},
    {F::JpegXr, {"JPEG XR", {".jxr", ".wdp", ".hdp"}, {"image/vnd.ms-photo", "image/jxr"}, [](const uint8_t* b, size_t n) {
       return MarkAt(b, n, 0, "II\xBC");
     }}, true, &OpenFile<TWicImage>},
    {F::Dds, {"DDS", {".dds"}, {"image/vnd.ms-dds"}, [](const uint8_t* b, size_t n) {
       return MarkAt(b, n, 0, "DDS ");
     }}, true, &OpenFile<TWicImage>},
    // TGA files carry no mark.
    {F::Tga, {"TGA", {".tga", ".tpic"}, {"image/x-tga", "image/x-targa"}, nullptr}, true, &OpenFile<TWicImage>},
};
static_assert(sizeof kReaders / sizeof kReaders[0] == static_cast<size_t>(kLastPictureFormat),
              "one row per format");

// A file that neither marks nor extension name, which an installed decoder
// recognises by its own patterns.
const TPictureReader kSystemPatterns{F::Unknown, {"", {}, {}, nullptr}, true, &OpenFile<TWicImage>};

const TPictureReader* RowFor(TPictureFormat format) {
  for (const TPictureReader& row : kReaders)
    if (row.format == format) return &row;
  return nullptr;
}

// The extension as the file name writes it, without its dot.
std::string ExtensionAsWritten(const FilePath& file) {
  const std::string extension = FileExtensionOf(file.Text());
  return extension.empty() ? extension : extension.substr(1);
}

void ChooseByName(const FilePath& file, TPictureChoice& choice) {
  const TPictureReader* named = RowFor(choice.head.format);
  if (named != nullptr && named->takesNamedFiles) {
    choice.reader = named;
  } else if (const TGraphicClass* registered = FindByExtension(ExtensionAsWritten(file))) {
    choice.registered = registered;
  } else {
    const TWicSession session;
    if (DecodersRead(InstalledDecoders(session), F::Unknown, choice.head.bytes)) choice.reader = &kSystemPatterns;
  }
}

}  // namespace

const TPictureFormatInfo& PictureFormatInfo(TPictureFormat format) {
  const TPictureReader* row = RowFor(format);
  return row != nullptr ? row->info : kSystemPatterns.info;
}

TPictureChoice ChoosePictureReader(const FilePath& file) {
  TPictureChoice choice;
  bool headRead = true;
  try {
    choice.head.bytes = ReadPictureHead(file);
  } catch (const Exception&) {
    choice.head.bytes.clear();
    headRead = false;
  }
  const TPictureFormat marked = SniffPictureFormat(choice.head.bytes.data(), choice.head.bytes.size());
  choice.head.format = marked != F::Unknown ? marked : PictureFormatOfExtension(file);
  if (marked != F::Unknown) choice.reader = RowFor(marked);
  if (choice.reader == nullptr) ChooseByName(file, choice);
  // A file that cannot be read is judged by its name, so that loading it tells
  // why it cannot be opened.
  const bool takenWithoutMark =
      choice.reader != nullptr && (choice.reader == &kSystemPatterns || choice.reader->info.marks == nullptr);
  choice.notAPicture = headRead && marked == F::Unknown && !takenWithoutMark;
  return choice;
}

std::unique_ptr<TGraphic> OpenPicture(const FilePath& file, const TPictureChoice& choice,
                                      const TProgressEvent& progress) {
  std::unique_ptr<TGraphic> graphic;
  if (choice.reader != nullptr) {
    graphic = choice.reader->open(file, choice.head, progress);
  } else if (choice.registered != nullptr) {
    graphic = LoadAs(*choice.registered, file, progress);
  }
  // The one place a conversion begins: a graphic's pixels are decoded later,
  // while the conversion is made on its own thread.
  if (graphic != nullptr) {
    BeginConversionToSrgb(*graphic);
    return graphic;
  }
  throw EInvalidGraphic(ResFormat(IDS_UNKNOWN_EXTENSION, {ExtensionAsWritten(file)}));
}
