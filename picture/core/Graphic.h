#pragma once
// The graphic contract that the bitmap and the JPEG image fulfil, with its change
// and progress events, and its loading from and saving to a named file.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "gdi/Drawable.h"
#include "gdi/Handles.h"
#include "text/FilePath.h"

class TBitmap;
class TCanvas;
class TGraphic;
class ColorProfile;
class TStream;

// The base of everything that can be copied from another object of its kind.
class TPersistent {
public:
  virtual ~TPersistent() = default;
  // Lets a source that the target does not know make the target a copy of itself.
  // The default raises EConvertError.
  virtual void CopyTo(TPersistent& target) const;
};

enum TProgressStage { psStarting, psRunning, psEnding };

// Sender, stage, percent done, redraw now, the rectangle and a message.
using TProgressEvent =
    std::function<void(TPersistent* sender, TProgressStage stage, uint8_t percentDone, bool redrawNow,
                       RECT& rect, std::string& message)>;

// A graphic class as a value: its name, its base class and its constructor.
struct TGraphicClass {
  const char* name;
  const TGraphicClass* parent;
  // Makes an empty graphic of the class.
  std::unique_ptr<TGraphic> (*create)();

  bool InheritsFrom(const TGraphicClass& other) const {
    for (const TGraphicClass* c = this; c != nullptr; c = c->parent) {
      if (c == &other) return true;
    }
    return false;
  }
};

class TGraphic : public TPersistent, public TDrawable {
public:
  TGraphic() = default;
  TGraphic(const TGraphic&) = delete;
  TGraphic& operator=(const TGraphic&) = delete;

  virtual const TGraphicClass& ClassType() const = 0;

  // Takes over what the source holds (for bitmaps: shares its image). Raises
  // EConvertError-like failures for sources it cannot take.
  virtual void CopyFrom(const TPersistent* source) = 0;
  // Marks the graphic modified and calls OnChange.
  virtual void NotifyChanged(TPersistent* sender);
  // Draws the whole graphic stretched into the rectangle of the canvas.
  void DrawInto(TCanvas& canvas, const RECT& rect) override = 0;
  virtual bool IsEmpty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int value) = 0;
  virtual void SetHeight(int value) = 0;
  // No palette unless the kind has one.
  virtual HPALETTE Palette() { return nullptr; }
  // Takes the palette over; a kind without palettes lets it go.
  virtual void SetPalette(UniquePalette) {}
  // What the pixels' colours are, as the file read said; none for sRGB, for an
  // untagged file and for pixels of no file.
  virtual std::shared_ptr<const ColorProfile> Profile() const { return nullptr; }
  // The profile whose conversion to sRGB the graphic will ask for: the one above,
  // or one applied while decoding.
  virtual std::shared_ptr<const ColorProfile> ConvertedProfile() const { return Profile(); }
  // The graphic's own pixels that cover drawing into width by height (upright),
  // decoded on first need, at a reduced size where the kind can decode smaller,
  // and kept for later calls. None for kinds without pixels of their own.
  // Raises what decoding raises.
  virtual TBitmap* PixelsFor(int /*width*/, int /*height*/) { return nullptr; }
  // Whether the pixels decoded last came from data that ended before the
  // picture did: part of them is what the decoder filled in.
  virtual bool DataEndedEarly() const { return false; }
  // Whether ShrunkFromDecoder is offered: the kind resamples straight out of its
  // decoder, without a bitmap of its whole size.
  virtual bool ShrinksFromDecoder() const { return false; }
  // The graphic resampled to exactly width by height as its decoder gives its
  // rows; a decoder that can scale is asked for no less than decodedWidth by
  // decodedHeight. Kinds that do not offer it raise EInvalidGraphicOperation.
  virtual std::unique_ptr<TBitmap> ShrunkFromDecoder(int width, int height, int decodedWidth,
                                                     int decodedHeight) const;
  bool Transparent() const { return transparent_; }
  // Stores a different value and notifies; an equal value does nothing.
  void SetTransparent(bool value);

  // Loads from the whole named file / writes to a new file of that name. Here a
  // failure while saving leaves the partly written file on disk; kinds that must
  // not do so replace SaveFile.
  void LoadFile(const FilePath& fileName);
  virtual void SaveFile(const FilePath& fileName);
  virtual void LoadStream(TStream& stream) = 0;
  virtual void SaveStream(TStream& stream) = 0;

  bool Modified() const { return modified_; }
  bool PaletteModified() const { return paletteModified_; }
  void SetPaletteModified(bool value) { paletteModified_ = value; }

  // Relays a progress report to OnProgress, unchanged.
  void Progress(TPersistent* sender, TProgressStage stage, uint8_t percentDone, bool redrawNow, RECT& rect,
                std::string& message);

  std::function<void(TGraphic* sender)> OnChange;
  TProgressEvent OnProgress;

protected:
  void SetModified(bool value) { modified_ = value; }

private:
  bool modified_ = false;
  bool transparent_ = false;
  bool paletteModified_ = false;
};

// Whether pixels kept at `kept` still serve drawing into `wanted` (upright
// sizes): they cover it, or they are the whole picture (`whole`), which no
// decode could better. A kind that decodes smaller keeps its pixels while so.
bool KeptPixelsServe(SIZE kept, SIZE whole, SIZE wanted);
