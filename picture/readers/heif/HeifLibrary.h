#pragma once
// The edge to libheif and the HEVC (libde265) and AV1 (dav1d) decoders inside
// it. Every call into them goes through HeifEdge::Run: the call runs under the
// system's floating-point control word (the libraries are written for masked
// exceptions, and their colour and clean-aperture arithmetic takes numbers from
// the file), anything it throws is caught here, and a failure it reports
// becomes the program's failure naming the file and its format.

#include <libheif/heif.h>

#include <exception>
#include <new>

#include "gdi/Handles.h"
#include "picture/formats/PictureFormat.h"
#include "text/FilePath.h"
#include "text/FpuControlWord.h"

struct HeifContextCloser {
  void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HeifHandleCloser {
  void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct HeifImageCloser {
  void operator()(heif_image* image) const { heif_image_release(image); }
};
using HeifContext = UniqueHandle<heif_context*, HeifContextCloser>;
using HeifHandle = UniqueHandle<heif_image_handle*, HeifHandleCloser>;
using HeifImage = UniqueHandle<heif_image*, HeifImageCloser>;

class HeifEdge {
public:
  HeifEdge(FilePath file, TPictureFormat format) : file_(std::move(file)), format_(format) {}

  // Runs `call`, which returns the library's heif_error. Raises EOutOfMemory
  // when memory ran short, EInvalidGraphic "「%s」の %s 画像の形式には…対応して
  // いません" for a feature or coding the library lacks, and EInvalidGraphic
  // "「%s」を %s 形式の画像として読み込めませんでした…" for anything else.
  template <class Call>
  void Run(Call&& call) const {
    const heif_error error = Guarded(call);
    if (error.code != heif_error_Ok) Raise(error);
  }
  // The same for a call whose reported failure only means "the file has none"
  // (no nclx box, say): false then; what it throws still raises.
  template <class Call>
  bool Succeeds(Call&& call) const {
    return Guarded(call).code == heif_error_Ok;
  }

  // The result of a call that reports no failure of its own (a getter).
  template <class Call>
  auto Value(Call&& call) const -> decltype(call()) {
    decltype(call()) result{};
    Run([&] {
      result = call();
      return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
    });
    return result;
  }

  // The failure of a file whose data the library cannot use.
  [[noreturn]] void RaiseDamaged() const;
  const FilePath& File() const { return file_; }
  TPictureFormat Format() const { return format_; }

private:
  template <class Call>
  heif_error Guarded(Call& call) const {
    heif_error error{heif_error_Ok, heif_suberror_Unspecified, ""};
    std::exception_ptr thrown;
    {
      const SystemFpuControlWordScope libraryWord;
      try {
        error = call();
      } catch (...) {
        thrown = std::current_exception();
      }
    }
    if (thrown) Raise(thrown);
    return error;
  }
  [[noreturn]] void Raise(const heif_error& error) const;
  [[noreturn]] void Raise(const std::exception_ptr& thrown) const;

  FilePath file_;
  TPictureFormat format_;
};
