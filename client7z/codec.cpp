#include "client7z/codec.h"

#include "client7z/paths.h"

#include <cstring>
#include <cwctype>

namespace client7z {

Codec::Codec(const std::wstring& folder) : module_(folder) {
  if (!module_.loaded()) return;
  auto symbol = [this](const char* name) { return module_.Symbol(name); };
  createObject_ = reinterpret_cast<Func_CreateObject>(symbol("CreateObject"));
  numberOfFormats_ = reinterpret_cast<Func_GetNumberOfFormats>(symbol("GetNumberOfFormats"));
  handlerProperty_ = reinterpret_cast<Func_GetHandlerProperty2>(symbol("GetHandlerProperty2"));
}

HRESULT Codec::CreateHandler(REFIID iid, void** object) const {
  return CreateHandler(kSevenZipFormat, iid, object);
}

HRESULT Codec::CreateHandler(const GUID& format, REFIID iid, void** object) const {
  *object = nullptr;
  if (!createObject_) return E_FAIL;
  return createObject_(&format, &iid, object);
}

namespace {

// One string property of format `index`; empty when it has none.
std::wstring FormatText(Func_GetHandlerProperty2 get, UInt32 index, PROPID id, UINT* bytes) {
  PROPVARIANT value{};
  std::wstring text;
  if (get(index, id, &value) == S_OK && value.vt == VT_BSTR && value.bstrVal) {
    *bytes = SysStringByteLen(value.bstrVal);
    text.assign(value.bstrVal, SysStringLen(value.bstrVal));
    if (id == NArchive::NHandlerPropID::kClassID && *bytes >= sizeof(GUID))
      text.assign(reinterpret_cast<const wchar_t*>(value.bstrVal), sizeof(GUID) / sizeof(wchar_t));
  }
  PropVariantClear(&value);
  return text;
}

std::wstring Lower(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(towlower(c));
  return s;
}

bool ClaimsExtension(const std::wstring& extensions, const std::wstring& ext) {
  std::wstring list = L" " + Lower(extensions) + L" ";
  return !ext.empty() && list.find(L" " + ext + L" ") != std::wstring::npos;
}

}  // namespace

std::vector<GUID> Codec::FormatsFor(const std::wstring& archivePath) const {
  std::vector<GUID> likely{kSevenZipFormat};
  UInt32 count = 0;
  if (!numberOfFormats_ || !handlerProperty_ || numberOfFormats_(&count) != S_OK) return likely;
  auto slash = archivePath.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? archivePath : archivePath.substr(slash + 1);
  auto dot = name.rfind(L'.');
  std::wstring ext = dot == std::wstring::npos ? L"" : Lower(name.substr(dot + 1));
  std::vector<GUID> claiming;
  for (UInt32 i = 0; i < count; ++i) {
    UINT bytes = 0;
    std::wstring id = FormatText(handlerProperty_, i, NArchive::NHandlerPropID::kClassID, &bytes);
    if (bytes < sizeof(GUID)) continue;
    GUID format;
    std::memcpy(&format, id.data(), sizeof(GUID));
    if (format == kSevenZipFormat) continue;
    UINT ignored = 0;
    std::wstring exts =
        FormatText(handlerProperty_, i, NArchive::NHandlerPropID::kExtension, &ignored);
    std::wstring formatName =
        FormatText(handlerProperty_, i, NArchive::NHandlerPropID::kName, &ignored);
    // "compound" and "split" name their formats rather than an extension.
    if (ClaimsExtension(exts, ext) || Lower(formatName) == ext) claiming.push_back(format);
  }
  // Formats without a signature would "open" anything, so no others are
  // tried: a file that none of these reads is not an archive.
  claiming.insert(claiming.end(), likely.begin(), likely.end());
  return claiming;
}

}  // namespace client7z
