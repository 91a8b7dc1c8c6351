#include "picture/WicStream.h"

#include <algorithm>
#include <cstdint>

#include <shlwapi.h>

#include "picture/Stream.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"
#include "text/FileNames.h"

namespace {

// Positions and sizes are 32-bit in TStream; anything beyond is out of reach.
constexpr int64_t kLargestPosition = INT32_MAX;

// Called by the system's decoders: no exception may leave a method, every
// failure is answered as a COM error.
class ComStream final : public IStream {
public:
  explicit ComStream(TStream& stream) : stream_(stream) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_ISequentialStream) || IsEqualIID(id, IID_IStream)) {
      *object = static_cast<IStream*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override {
    if (buffer == nullptr) return STG_E_INVALIDPOINTER;
    ULONG done = 0;
    try {
      // TStream moves at most 2 GiB a call.
      const int32_t asked = static_cast<int32_t>(std::min<ULONG>(count, INT32_MAX));
      done = static_cast<ULONG>(std::max(0, stream_.Read(buffer, asked)));
    } catch (...) {
      if (read != nullptr) *read = 0;
      return STG_E_READFAULT;
    }
    if (read != nullptr) *read = done;
    // Fewer bytes than asked is the end of the stream, which is no failure.
    return done == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG* written) override {
    if (written != nullptr) *written = 0;
    return STG_E_ACCESSDENIED;
  }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override {
    try {
      int64_t base = 0;
      if (origin == STREAM_SEEK_CUR) base = stream_.Position();
      else if (origin == STREAM_SEEK_END) base = stream_.Size();
      else if (origin != STREAM_SEEK_SET) return STG_E_INVALIDFUNCTION;
      const int64_t target = base + move.QuadPart;
      if (target < 0 || target > kLargestPosition) return STG_E_INVALIDFUNCTION;
      stream_.SetPosition(static_cast<int32_t>(target));
      if (position != nullptr) position->QuadPart = static_cast<uint64_t>(stream_.Position());
      return S_OK;
    } catch (...) {
      return STG_E_SEEKERROR;
    }
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
    if (stat == nullptr) return STG_E_INVALIDPOINTER;
    *stat = STATSTG{};
    stat->type = STGTY_STREAM;
    stat->grfMode = STGM_READ;
    try {
      stat->cbSize.QuadPart = static_cast<uint64_t>(std::max(0, stream_.Size()));
    } catch (...) {
      return STG_E_ACCESSDENIED;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE Clone(IStream** clone) override {
    if (clone != nullptr) *clone = nullptr;
    return E_NOTIMPL;
  }

private:
  ~ComStream() = default;

  TStream& stream_;
  LONG references_ = 1;
};

}  // namespace

ComPtr<IStream> ComStreamOver(TStream& stream) { return ComPtr<IStream>(new ComStream(stream)); }

ComPtr<IStream> ComStreamOnFile(const FilePath& file) {
  ComPtr<IStream> stream;
  // A name too long for the file calls fails under Wine too, as on Windows.
  if (!FitsFileCalls(file) || FAILED(SHCreateStreamOnFileEx(file.Wide().c_str(), STGM_READ | STGM_SHARE_DENY_WRITE, FILE_ATTRIBUTE_NORMAL,
                                    FALSE, nullptr, stream.put())))
    throw EFOpenError(ResFormat(IDS_FILE_OPEN_ERROR, {file.Text()}));
  return stream;
}
