#pragma once
// The table of picture readers that the picture holder consults: one row per
// format, holding all that is known of it: its name, extensions and MIME types,
// the mark its files begin with, and how a file of it is opened into a graphic.
// Adding a format is its reader's file and one row. A file's first bytes are
// read once, matched against the marks, and passed on to the reader that opens it.

#include <memory>

#include "picture/core/Graphic.h"
#include "picture/formats/PictureFormat.h"
#include "text/FilePath.h"

struct TPictureReader {
  TPictureFormat format;
  TPictureFormatInfo info;
  // Whether a file whose bytes name no format is given to this row for its
  // extension alone. The program's own readers leave such files to the
  // extension registry (picture/formats/FileFormats.h), which names their classes.
  bool takesNamedFiles;
  // Makes the graphic of the file; `progress` hears the loading's progress.
  // Raises the reader's own failure.
  std::unique_ptr<TGraphic> (*open)(const FilePath& file, const TPictureHead& head, const TProgressEvent& progress);
};

// What reads a file: a row of the table, or a class the extension registry
// names for a file whose bytes name no format; neither when nothing reads it.
struct TPictureChoice {
  TPictureHead head;
  const TPictureReader* reader = nullptr;
  const TGraphicClass* registered = nullptr;
  // The first bytes were read and carry no format's mark, and nothing takes the
  // file on other grounds (a format without a mark, a decoder's own patterns):
  // it is no picture, whatever its name says. Its name may still choose a
  // reader, which would fail on it.
  bool notAPicture = false;

  bool Readable() const { return reader != nullptr || registered != nullptr; }
};

// The first bytes decide; only when they name no format does the extension,
// and last the patterns the system's decoders know (formats without a mark of
// their own). A file that cannot be read is judged by its name, so that
// loading it tells why it cannot be opened.
TPictureChoice ChoosePictureReader(const FilePath& file);

// The graphic of the file, opened as the choice says. Raises EInvalidGraphic
// "拡張子 .%s の画像形式は処理できません" (the extension as written) when nothing
// reads the file, and the reader's own failure.
std::unique_ptr<TGraphic> OpenPicture(const FilePath& file, const TPictureChoice& choice,
                                      const TProgressEvent& progress);
