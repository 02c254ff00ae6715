#include "client7z/file_streams.h"

#include <algorithm>

namespace client7z {

STDMETHODIMP InFileStream::Read(void* data, UInt32 size, UInt32* processedSize) noexcept {
  if (processedSize) *processedSize = 0;
  if (!file_) return E_FAIL;
  UInt32 got = 0;
  if (HRESULT hr = ReadFrom(file_, data, size, &got); hr != S_OK) {
    readFailed_ = true;
    return hr;
  }
  if (processedSize) *processedSize = got;
  return S_OK;
}

STDMETHODIMP ArchiveInStream::Read(void* data, UInt32 size, UInt32* processedSize) noexcept {
  if (processedSize) *processedSize = 0;
  if (position_ >= length_) return S_OK;
  size = static_cast<UInt32>(std::min<UInt64>(size, length_ - position_));
  // A positioned read: the stream keeps its own position, not the handle.
  UInt32 got = 0;
  if (HRESULT hr = ReadAt(file_, base_ + position_, data, size, &got); hr != S_OK) return hr;
  position_ += got;
  if (processedSize) *processedSize = got;
  return S_OK;
}

STDMETHODIMP ArchiveInStream::Seek(Int64 offset, UInt32 origin, UInt64* newPosition) noexcept {
  UInt64 from;
  switch (origin) {
    case STREAM_SEEK_SET:
      from = 0;
      break;
    case STREAM_SEEK_CUR:
      from = position_;
      break;
    case STREAM_SEEK_END:
      from = length_;
      break;
    default:
      return STG_E_INVALIDFUNCTION;
  }
  // `from` is at most the file's length, so it fits in Int64.
  if (offset > INT64_MAX - static_cast<Int64>(from)) return STG_E_INVALIDFUNCTION;
  Int64 to = static_cast<Int64>(from) + offset;
  if (to < 0) return HRESULT_FROM_WIN32(ERROR_NEGATIVE_SEEK);
  position_ = static_cast<UInt64>(to);
  if (newPosition) *newPosition = position_;
  return S_OK;
}

STDMETHODIMP OutFileStream::Write(const void* data, UInt32 size, UInt32* processedSize) noexcept {
  if (processedSize) *processedSize = 0;
  UInt32 put = 0;
  if (HRESULT hr = WriteTo(file_, data, size, &put); hr != S_OK) {
    failed_ = true;
    return hr;
  }
  if (processedSize) *processedSize = put;
  return S_OK;
}

STDMETHODIMP OutFileStream::Seek(Int64 offset, UInt32 origin, UInt64* newPosition) noexcept {
  return SeekIn(file_, offset, origin, newPosition);
}

STDMETHODIMP OutFileStream::SetSize(UInt64 newSize) noexcept {
  UInt64 here = 0;
  if (HRESULT hr = Seek(0, STREAM_SEEK_CUR, &here); hr != S_OK) return hr;
  if (HRESULT hr = Seek(static_cast<Int64>(newSize), STREAM_SEEK_SET, nullptr); hr != S_OK)
    return hr;
  if (HRESULT hr = EndHere(file_); hr != S_OK) {
    failed_ = true;
    return hr;
  }
  return Seek(static_cast<Int64>(here), STREAM_SEEK_SET, nullptr);
}

bool OutFileStream::Close() {
  if (!file_) return !failed_;
  bool ok = file_.Close();
  return ok && !failed_;
}

}  // namespace client7z
