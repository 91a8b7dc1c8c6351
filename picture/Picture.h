#pragma once
// The picture holder: it owns at most one graphic, loads it from a named file
// through the table of readers (picture/readers/PictureReaders.h), and tells its owner
// once after every change of graphic and after every change inside the graphic.

#include <functional>
#include <memory>
#include <string>

#include "picture/core/Graphic.h"

class TBitmap;
struct TPictureChoice;

class TPicture : public TPersistent {
public:
  // An empty holder. Makes sure the format registry exists.
  TPicture();
  ~TPicture() override;
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;

  // Replaces the graphic by the picture the file holds, opened by the reader that
  // the table chooses for it (ChoosePictureReader): the first bytes name the
  // format; when they name none, the extension does. Raises EInvalidGraphic "拡張子 .%s の画像形式は処理できません" (the
  // extension as written) when nothing recognises the file, EFOpenError when it
  // cannot be opened, or the reader's own failure; in every failure the holder
  // keeps its graphic and raises no notification.
  void LoadFile(const FilePath& fileName);
  // The same with the reader already chosen for the file (ChoosePictureReader),
  // so that a caller who asked whether the file is readable does not have its
  // first bytes read again.
  void LoadFile(const FilePath& fileName, const TPictureChoice& choice);

  // The graphic's size in pixels; 0 when the holder is empty.
  int Width() const;
  int Height() const;

  // The current graphic, still owned by the holder, or none.
  TGraphic* CurrentGraphic() const { return graphic_.get(); }
  // Replaces the graphic by a copy of the given one (the caller keeps it), or
  // clears the holder when none is given. Notifies once, also when the holder
  // was already empty.
  void SetCurrentGraphic(const TGraphic* graphic);
  // Makes the given graphic (or none) the current one without copying it, for
  // kinds that cannot be made empty first (icons); notifies once.
  void TakeGraphic(std::unique_ptr<TGraphic> graphic) { Install(std::move(graphic)); }

  // None clears, a picture gives a copy of its graphic, a graphic gives a copy of
  // it; any other source raises EConvertError.
  void CopyFrom(const TPersistent* source);

  // The graphic when it is a bitmap; otherwise it is replaced by an empty bitmap
  // (one notification), which is returned.
  TBitmap& AsBitmap();

  // Calls OnChange with the holder; the sender is whoever reported the change.
  void NotifyChanged(TPersistent* sender);
  // Passes a progress report on to OnProgress unchanged.
  void ReportProgress(TPersistent* sender, TProgressStage stage, uint8_t percentDone, bool redrawNow,
                      RECT& rect, std::string& message);

  std::function<void(TPersistent* sender)> OnChange;
  TProgressEvent OnProgress;

private:
  // Points the graphic's events at this holder.
  void Wire(TGraphic& graphic);
  // Makes the graphic current (destroying the previous one) and notifies once.
  void Install(std::unique_ptr<TGraphic> graphic);

  std::unique_ptr<TGraphic> graphic_;
};

// Whether the file is a picture that LoadFile would take to a reader: its
// first bytes carry a format's mark, or a reader takes it without one. A file
// that cannot be read is judged by its name, so that loading it tells why.
bool IsReadablePicture(const FilePath& file);

// Raises the failure of a picture loaded from a file that holds none (a graphic
// without pixels), leaving the holder empty: such a file fails like a damaged
// one, with its own format's verdict (the JPEG library's on decoding, the
// invalid bitmap otherwise). Does nothing for an empty holder or a picture with
// pixels.
void RefuseEmptyPicture(TPicture& picture);
