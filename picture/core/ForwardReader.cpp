#include "picture/core/ForwardReader.h"

TForwardReader::TForwardReader(IStream* stream) : stream_(stream) {
  STATSTG stat{};
  if (SUCCEEDED(stream_->Stat(&stat, STATFLAG_NONAME)) && Seek(0)) end_ = stat.cbSize.QuadPart;
}

bool TForwardReader::Read(void* buffer, uint32_t count) {
  ULONG done = 0;
  if (!Holds(count) || FAILED(stream_->Read(buffer, count, &done)) || done != count) return false;
  position_ += count;
  return true;
}

bool TForwardReader::Seek(uint64_t position) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(position);
  if (FAILED(stream_->Seek(to, STREAM_SEEK_SET, nullptr))) return false;
  position_ = position;
  return true;
}
