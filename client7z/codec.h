// The codec library (7z.dll; natively 7z.so), loaded from the folder of
// the client's own path, and the 7z format handler it creates.
#pragma once
#include <string>
#include <vector>

#include "client7z/file_system.h"
#include "client7z/seven_zip.h"

namespace client7z {

class Codec {
 public:
  // Loads the codec from `folder`; check loaded() before use.
  explicit Codec(const std::wstring& folder);
  bool loaded() const { return createObject_ != nullptr; }
  // A new 7z handler object with the interface `iid`, or a failure result.
  HRESULT CreateHandler(REFIID iid, void** object) const;
  // A handler of the given format.
  HRESULT CreateHandler(const GUID& format, REFIID iid, void** object) const;
  // The formats to try to open `archivePath` with: those that claim its
  // extension (or are named by it), then 7z.
  std::vector<GUID> FormatsFor(const std::wstring& archivePath) const;

 private:
  CodecLibrary module_;
  Func_CreateObject createObject_ = nullptr;
  Func_GetNumberOfFormats numberOfFormats_ = nullptr;
  Func_GetHandlerProperty2 handlerProperty_ = nullptr;
};

// Owns one reference to a 7-Zip interface.
template <class T>
class ComRef {
 public:
  ComRef() = default;
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ~ComRef() { reset(); }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void** put() {
    reset();
    return reinterpret_cast<void**>(&p_);
  }
  void reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }

 private:
  T* p_ = nullptr;
};

}  // namespace client7z
