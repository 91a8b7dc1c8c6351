#include "picture/readers/PictureReaders.h"

#include <string>
#include <vector>

#include "picture/bitmap/Bitmap.h"
#include "picture/colour/ColorConversions.h"
#include "picture/formats/FileFormats.h"
#include "picture/readers/heif/HeifImage.h"
#include "picture/readers/jpeg/JpegImage.h"
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

// The system's codecs open the file and read its size; the pixels come later.
std::unique_ptr<TGraphic> OpenBySystem(const FilePath& file, const TPictureHead& head, const TProgressEvent&) {
  auto picture = std::make_unique<TWicImage>();
  picture->Open(file, head);
  return picture;
}

// HEIF and AVIF: libheif reads the file's boxes at once; the pixels come later.
std::unique_ptr<TGraphic> OpenHeif(const FilePath& file, const TPictureHead& head, const TProgressEvent&) {
  auto picture = std::make_unique<THeifImage>();
  picture->Open(file, head);
  return picture;
}

const TPictureReader kReaders[] = {
    {F::Bmp, false, &OpenOwn<TBitmap>},
    {F::Jpeg, false, &OpenOwn<TJPEGImage>},
    // Read alike on every Windows, with or without the system's extensions.
    {F::Heif, true, &OpenHeif},
    {F::Avif, true, &OpenHeif},
    // The system's codecs: the formats Windows ships, and any a user installed.
    {F::Png, true, &OpenBySystem},
    {F::Gif, true, &OpenBySystem},
    {F::Tiff, true, &OpenBySystem},
    {F::Ico, true, &OpenBySystem},
    {F::WebP, true, &OpenBySystem},
    {F::JpegXl, true, &OpenBySystem},
    {F::JpegXr, true, &OpenBySystem},
    {F::Dds, true, &OpenBySystem},
    {F::Tga, true, &OpenBySystem},
};

// A file that neither marks nor extension name, which an installed decoder
// recognises by its own patterns.
const TPictureReader kSystemPatterns{F::Unknown, true, &OpenBySystem};

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

TPictureChoice ChoosePictureReader(const FilePath& file) {
  TPictureChoice choice;
  try {
    choice.head.bytes = ReadPictureHead(file);
  } catch (const Exception&) {
    choice.head.bytes.clear();
  }
  const TPictureFormat marked = SniffPictureFormat(choice.head.bytes.data(), choice.head.bytes.size());
  choice.head.format = marked != F::Unknown ? marked : PictureFormatOfExtension(file);
  if (marked != F::Unknown) choice.reader = RowFor(marked);
  if (choice.reader == nullptr) ChooseByName(file, choice);
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
