#include "client7z/codec.h"

#include "client7z/paths.h"

namespace client7z {

Codec::Codec(const std::wstring& folder) {
  std::wstring path = folder.empty() ? std::wstring(L"7z.dll") : folder + L"\\7z.dll";
  // The full path, and its own folder searched for what it depends on.
  module_.reset(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  if (!module_) return;
  createObject_ = reinterpret_cast<Func_CreateObject>(
      reinterpret_cast<void*>(GetProcAddress(module_.get(), "CreateObject")));
}

HRESULT Codec::CreateHandler(REFIID iid, void** object) const {
  *object = nullptr;
  if (!createObject_) return E_FAIL;
  return createObject_(&kSevenZipFormat, &iid, object);
}

}  // namespace client7z
