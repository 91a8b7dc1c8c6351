#include "picture/readers/wic/WicCodecs.h"

#include <algorithm>

#include "picture/core/Stream.h"
#include "picture/formats/FileFormats.h"
#include "resources/StringIds.h"
#include "text/TextFunctions.h"
#include "text/Utf16.h"

TWicSession::TWicSession() : result_(apartment_.Result()) {
  if (!apartment_.Usable()) return;
  result_ = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(factory_.put()));
}

namespace {

bool IsWin32Error(HRESULT result, std::initializer_list<DWORD> codes) {
  for (DWORD code : codes)
    if (result == HRESULT_FROM_WIN32(code)) return true;
  return false;
}

}  // namespace

void RaiseWicFailure(HRESULT result, const FilePath& file, TPictureFormat format) {
  const std::string name = file.FileName().Text();
  const char* formatName = PictureFormatInfo(format).displayName;
  if (result == E_OUTOFMEMORY || IsWin32Error(result, {ERROR_NOT_ENOUGH_MEMORY, ERROR_OUTOFMEMORY}))
    throw EOutOfMemory(ResText(IDS_OUT_OF_MEMORY));
  if (IsWin32Error(result, {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED,
                            ERROR_SHARING_VIOLATION, ERROR_INVALID_NAME}))
    throw FileOpenError(file);
  if (result == WINCODEC_ERR_COMPONENTNOTFOUND || result == REGDB_E_CLASSNOTREG) {
    if (*formatName == '\0') {
      throw ENoPictureDecoder(ResFormat(IDS_NO_PICTURE_DECODER_UNNAMED, {name}),
                              ResText(IDS_NO_PICTURE_DECODER_UNNAMED_REASON));
    }
    throw ENoPictureDecoder(ResFormat(IDS_NO_PICTURE_DECODER, {formatName}));
  }
  const TPictureFailureText damaged = DamagedPictureText(file, format);
  throw EInvalidGraphic(damaged.message, damaged.reason);
}

void RaiseUnsupportedVariant(const FilePath& file, TPictureFormat format) {
  const TPictureFailureText text = UnsupportedVariantText(file, format);
  throw ENoPictureDecoder(text.message, text.reason);
}

bool RefusesVariant(HRESULT result, bool variantNamed) {
  // Measured under Wine 8: a 16-bit TIFF with associated alpha is refused by
  // the format converter with WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT; a TIFF
  // compressed as JPEG fails to copy its pixels with E_FAIL, and a cursor fails
  // to open with E_FAIL, as damaged files of both formats do.
  for (HRESULT refusal : {WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT, WINCODEC_ERR_UNSUPPORTEDOPERATION, E_NOTIMPL})
    if (result == refusal) return true;
  return variantNamed && (result == E_FAIL || result == WINCODEC_ERR_COMPONENTNOTFOUND);
}

namespace {

// A list of a codec's texts, lower case. Windows separates them with commas,
// Wine 8 with semicolons.
std::vector<std::string> SplitList(const std::wstring& list) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= list.size()) {
    const size_t comma = std::min(list.find_first_of(L",;", start), list.size());
    const std::string item = LowerCase(Utf8(list.substr(start, comma - start)));
    if (!item.empty()) items.push_back(item);
    start = comma + 1;
  }
  return items;
}

// One of the codec's text lists; asked for its length first, as the interface wants.
template <class Getter>
std::vector<std::string> TextList(IWICBitmapDecoderInfo* info, Getter get) {
  UINT length = 0;
  if (FAILED((info->*get)(0, nullptr, &length)) || length == 0) return {};
  std::wstring text(length, L'\0');
  if (FAILED((info->*get)(length, &text[0], &length))) return {};
  text.resize(wcsnlen(text.c_str(), text.size()));
  return SplitList(text);
}

std::vector<TBytePattern> PatternsOf(IWICBitmapDecoderInfo* info) {
  UINT count = 0, bytes = 0;
  if (FAILED(info->GetPatterns(0, nullptr, &count, &bytes)) || count == 0 || bytes == 0) return {};
  // The patterns' bytes follow the array in the same block, so the block is
  // aligned for the structures.
  std::vector<WICBitmapPattern> block((bytes + sizeof(WICBitmapPattern) - 1) / sizeof(WICBitmapPattern));
  if (FAILED(info->GetPatterns(bytes, block.data(), &count, &bytes))) return {};
  std::vector<TBytePattern> patterns;
  for (UINT i = 0; i < count && i < block.size(); ++i) {
    const WICBitmapPattern& p = block[i];
    patterns.push_back(TBytePattern{p.Position.QuadPart, std::vector<uint8_t>(p.Pattern, p.Pattern + p.Length),
                                    std::vector<uint8_t>(p.Mask, p.Mask + p.Length), p.EndOfStream != FALSE});
  }
  return patterns;
}

TWicDecoder Describe(IWICBitmapDecoderInfo* info) {
  TWicDecoder decoder;
  UINT length = 0;
  if (SUCCEEDED(info->GetFriendlyName(0, nullptr, &length)) && length > 0) {
    std::wstring name(length, L'\0');
    if (SUCCEEDED(info->GetFriendlyName(length, &name[0], &length)))
      decoder.name = Utf8(name.c_str());
  }
  decoder.extensions = TextList(info, &IWICBitmapDecoderInfo::GetFileExtensions);
  decoder.mimeTypes = TextList(info, &IWICBitmapDecoderInfo::GetMimeTypes);
  decoder.patterns = PatternsOf(info);
  return decoder;
}

bool Matches(const TBytePattern& pattern, const std::vector<uint8_t>& head) {
  if (pattern.fromEnd || pattern.bytes.empty() || pattern.position + pattern.bytes.size() > head.size()) return false;
  for (size_t i = 0; i < pattern.bytes.size(); ++i)
    if ((head[pattern.position + i] & pattern.mask[i]) != (pattern.bytes[i] & pattern.mask[i])) return false;
  return true;
}

bool SharesOne(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  return std::any_of(a.begin(), a.end(), [&](const std::string& x) { return std::count(b.begin(), b.end(), x) > 0; });
}

}  // namespace

std::vector<TWicDecoder> InstalledDecoders(const TWicSession& session) {
  std::vector<TWicDecoder> decoders;
  ComPtr<IEnumUnknown> components;
  if (session.Factory() == nullptr ||
      FAILED(session.Factory()->CreateComponentEnumerator(WICDecoder, WICComponentEnumerateDefault, components.put())))
    return decoders;
  for (;;) {
    ComPtr<IUnknown> component;
    ULONG fetched = 0;
    if (components.get()->Next(1, component.put(), &fetched) != S_OK || fetched != 1) break;
    ComPtr<IWICBitmapDecoderInfo> info;
    if (SUCCEEDED(component.get()->QueryInterface(IID_PPV_ARGS(info.put())))) decoders.push_back(Describe(info.get()));
  }
  return decoders;
}

bool DecodersRead(const std::vector<TWicDecoder>& decoders, TPictureFormat format, const std::vector<uint8_t>& head) {
  const TPictureFormatInfo& info = PictureFormatInfo(format);
  for (const TWicDecoder& decoder : decoders) {
    if (SharesOne(decoder.extensions, info.extensions) || SharesOne(decoder.mimeTypes, info.mimeTypes)) return true;
    for (const TBytePattern& pattern : decoder.patterns)
      if (Matches(pattern, head)) return true;
  }
  return false;
}
