#pragma once
// The system's imaging component (WIC): COM and its factory for one use, and the
// picture decoders installed, as the system lists them, so that a codec
// installed later is found without a change here.

#include <windows.h>
#include <wincodec.h>

#include <cstdint>
#include <string>
#include <vector>

#include "gdi/Handles.h"
#include "picture/formats/PictureFormat.h"
#include "text/Exceptions.h"
#include "text/FilePath.h"

// No decoder on this computer reads the file's format, or the variant of it
// that the file is stored in: a fact of the computer, not a fault of the file.
class ENoPictureDecoder : public EInvalidGraphic {
public:
  using EInvalidGraphic::EInvalidGraphic;
};

// COM ready on the calling thread and the imaging factory, for one scope; no
// factory when the component is missing.
class TWicSession {
public:
  TWicSession();
  IWICImagingFactory* Factory() const { return factory_.get(); }
  // Why there is no factory.
  HRESULT Result() const { return result_; }

private:
  ComApartment apartment_;
  ComPtr<IWICImagingFactory> factory_;
  HRESULT result_;
};

// Raises what a failed imaging call means for reading `file` in `format`:
// ENoPictureDecoder when no component reads it, EOutOfMemory, EFOpenError when
// the file cannot be opened, otherwise EInvalidGraphic for damaged data.
[[noreturn]] void RaiseWicFailure(HRESULT result, const FilePath& file, TPictureFormat format);

// Raises ENoPictureDecoder saying that the decoder of `format` does not read
// the variant `file` is stored in.
[[noreturn]] void RaiseUnsupportedVariant(const FilePath& file, TPictureFormat format);

// Whether a failed imaging call refused a sound variant of the format (a pixel
// layout or a compression the decoder lacks) rather than broken data. A decoder
// says so by its result, or says only that it failed (E_FAIL, or a component
// of its own missing): that is taken as a refusal where the file's header
// names a variant not every decoder reads (`variantNamed`), as damage otherwise.
bool RefusesVariant(HRESULT result, bool variantNamed);

// Bytes a decoder recognises: at `position` from the start (from the end when
// fromEnd), the bytes under the mask.
struct TBytePattern {
  uint64_t position = 0;
  std::vector<uint8_t> bytes;
  std::vector<uint8_t> mask;
  bool fromEnd = false;
};

// One installed decoder as it describes itself; texts in lower case, the
// extensions with their dots.
struct TWicDecoder {
  std::string name;
  std::vector<std::string> extensions;
  std::vector<std::string> mimeTypes;
  std::vector<TBytePattern> patterns;
};

// The decoders the system lists now; none when it lists none.
std::vector<TWicDecoder> InstalledDecoders(const TWicSession& session);

// Whether a decoder names the format among its extensions or MIME types, or
// recognises the file's first bytes by one of its patterns.
bool DecodersRead(const std::vector<TWicDecoder>& decoders, TPictureFormat format, const std::vector<uint8_t>& head);
