#include "client7z/file_streams.h"

#include <algorithm>

namespace client7z {
namespace {

HRESULT SeekHandle(HANDLE h, Int64 offset, UInt32 origin, UInt64* newPosition) {
  DWORD method;
  switch (origin) {
    case STREAM_SEEK_SET:
      method = FILE_BEGIN;
      break;
    case STREAM_SEEK_CUR:
      method = FILE_CURRENT;
      break;
    case STREAM_SEEK_END:
      method = FILE_END;
      break;
    default:
      return STG_E_INVALIDFUNCTION;
  }
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER position;
  if (!SetFilePointerEx(h, distance, &position, method)) return LastErrorResult();
  if (newPosition) *newPosition = static_cast<UInt64>(position.QuadPart);
  return S_OK;
}

}  // namespace

HRESULT LastErrorResult() {
  DWORD error = GetLastError();
  return error == 0 ? E_FAIL : HRESULT_FROM_WIN32(error);
}

STDMETHODIMP InFileStream::Read(void* data, UInt32 size, UInt32* processedSize) noexcept {
  if (processedSize) *processedSize = 0;
  if (!file_) return E_FAIL;
  DWORD got = 0;
  if (!ReadFile(file_.get(), data, size, &got, nullptr)) {
    readError_ = GetLastError();
    return readError_ ? HRESULT_FROM_WIN32(readError_) : E_FAIL;
  }
  if (processedSize) *processedSize = got;
  return S_OK;
}

STDMETHODIMP ArchiveInStream::Read(void* data, UInt32 size, UInt32* processedSize) noexcept {
  if (processedSize) *processedSize = 0;
  if (position_ >= length_) return S_OK;
  size = static_cast<UInt32>(std::min<UInt64>(size, length_ - position_));
  // A positioned read: the stream keeps its own position, not the handle.
  UInt64 at = base_ + position_;
  OVERLAPPED where{};
  where.Offset = static_cast<DWORD>(at);
  where.OffsetHigh = static_cast<DWORD>(at >> 32);
  DWORD got = 0;
  if (!ReadFile(file_.get(), data, size, &got, &where)) return LastErrorResult();
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
  DWORD put = 0;
  if (!WriteFile(file_.get(), data, size, &put, nullptr)) {
    failed_ = true;
    return LastErrorResult();
  }
  if (processedSize) *processedSize = put;
  return S_OK;
}

STDMETHODIMP OutFileStream::Seek(Int64 offset, UInt32 origin, UInt64* newPosition) noexcept {
  return SeekHandle(file_.get(), offset, origin, newPosition);
}

STDMETHODIMP OutFileStream::SetSize(UInt64 newSize) noexcept {
  UInt64 here = 0;
  if (HRESULT hr = Seek(0, STREAM_SEEK_CUR, &here); hr != S_OK) return hr;
  if (HRESULT hr = Seek(static_cast<Int64>(newSize), STREAM_SEEK_SET, nullptr); hr != S_OK)
    return hr;
  if (!SetEndOfFile(file_.get())) {
    failed_ = true;
    return LastErrorResult();
  }
  return Seek(static_cast<Int64>(here), STREAM_SEEK_SET, nullptr);
}

bool OutFileStream::Close() {
  if (!file_) return !failed_;
  bool ok = CloseHandle(file_.release()) != FALSE;
  return ok && !failed_;
}

}  // namespace client7z
