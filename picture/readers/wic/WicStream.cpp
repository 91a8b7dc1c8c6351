#include "picture/readers/wic/WicStream.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>

#include "picture/core/Stream.h"
#include "resources/StringIds.h"
#include "text/Exceptions.h"

namespace {

// Positions and sizes are 32-bit in TStream; anything beyond is out of reach.
constexpr int64_t kLargestPosition = INT32_MAX;

// What every read-only stream of ours answers alike. Called by the system's
// decoders: no exception may leave a method, every failure is answered as a COM
// error.
class ReadOnlyComStream : public IStream {
public:
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

  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG* written) override {
    if (written != nullptr) *written = 0;
    return STG_E_ACCESSDENIED;
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

protected:
  virtual ~ReadOnlyComStream() = default;

  // The stream's description with its size, or an error.
  static HRESULT Described(STATSTG* stat, int64_t size) {
    if (stat == nullptr) return STG_E_INVALIDPOINTER;
    *stat = STATSTG{};
    stat->type = STGTY_STREAM;
    stat->grfMode = STGM_READ;
    if (size < 0) return STG_E_ACCESSDENIED;
    stat->cbSize.QuadPart = static_cast<uint64_t>(size);
    return S_OK;
  }

private:
  LONG references_ = 1;
};

class ComStream final : public ReadOnlyComStream {
public:
  explicit ComStream(TStream& stream) : stream_(stream) {}

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
    int64_t size = -1;
    try {
      size = std::max(0, stream_.Size());
    } catch (...) {
    }
    return Described(stat, size);
  }

private:
  TStream& stream_;
};

// A file opened by the program itself, so that its name reaches the system in
// the form every file call of the program uses (FilePath::ForFileCalls): a
// stream of the shell's own is not documented to take a "\\?\" name. Each
// stream keeps its own position and reads at it, so that clones share the file.
class FileComStream final : public ReadOnlyComStream {
public:
  FileComStream(std::shared_ptr<UniqueFile> file, int64_t position) : file_(std::move(file)), position_(position) {}

  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override {
    if (read != nullptr) *read = 0;
    if (buffer == nullptr) return STG_E_INVALIDPOINTER;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(position_);
    at.OffsetHigh = static_cast<DWORD>(position_ >> 32);
    DWORD done = 0;
    if (!ReadFile(file_->get(), buffer, count, &done, &at) && GetLastError() != ERROR_HANDLE_EOF)
      return STG_E_READFAULT;
    position_ += done;
    if (read != nullptr) *read = done;
    // Fewer bytes than asked is the end of the file, which is no failure.
    return done == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override {
    int64_t base = 0;
    if (origin == STREAM_SEEK_CUR) base = position_;
    else if (origin == STREAM_SEEK_END) base = Size();
    else if (origin != STREAM_SEEK_SET) return STG_E_INVALIDFUNCTION;
    // Both are within the 63 bits a file's size takes, so the sum cannot wrap.
    if (base < 0 || move.QuadPart < -base || move.QuadPart > INT64_MAX - base) return STG_E_INVALIDFUNCTION;
    position_ = base + move.QuadPart;
    if (position != nullptr) position->QuadPart = static_cast<uint64_t>(position_);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override { return Described(stat, Size()); }
  HRESULT STDMETHODCALLTYPE Clone(IStream** clone) override {
    if (clone == nullptr) return STG_E_INVALIDPOINTER;
    *clone = new (std::nothrow) FileComStream(file_, position_);
    return *clone != nullptr ? S_OK : E_OUTOFMEMORY;
  }

private:
  // The file's size, or -1.
  int64_t Size() const {
    LARGE_INTEGER size{};
    return GetFileSizeEx(file_->get(), &size) ? size.QuadPart : -1;
  }

  std::shared_ptr<UniqueFile> file_;
  int64_t position_;
};

}  // namespace

ComPtr<IStream> ComStreamOver(TStream& stream) { return ComPtr<IStream>(new ComStream(stream)); }

ComPtr<IStream> ComStreamOnFile(const FilePath& file) {
  const std::wstring name = file.ForFileCalls();
  auto handle = std::make_shared<UniqueFile>();
  if (!name.empty())
    handle->reset(CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!*handle) throw FileOpenError(file);
  return ComPtr<IStream>(new FileComStream(std::move(handle), 0));
}
