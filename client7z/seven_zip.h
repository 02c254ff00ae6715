// The one place our code meets 7-Zip's interface headers (the source tree
// that the codec library is built from). Only client7z/ includes this.
#pragma once
#ifdef _WIN32
#include <windows.h>
#else
// 7-Zip's own definitions of the Windows types and COM calls it uses.
#include "Common/MyWindows.h"
#ifndef E_POINTER
#define E_POINTER ((HRESULT)0x80004003L)
#endif
#ifndef ERROR_NEGATIVE_SEEK
#define ERROR_NEGATIVE_SEEK 131L
#endif
#include <cstring>
inline HRESULT PropVariantClear(PROPVARIANT* value) {
  return VariantClear(reinterpret_cast<VARIANTARG*>(value));
}
inline void PropVariantInit(PROPVARIANT* value) {
  std::memset(value, 0, sizeof *value);
}
#endif

#include "7zip/Archive/IArchive.h"
#include "7zip/IPassword.h"
#include "7zip/IStream.h"
#include "7zip/PropID.h"

namespace client7z {

// {23170F69-40C1-278A-1000-000110070000}: the 7z format handler in 7z.dll.
inline constexpr GUID kSevenZipFormat = {
    0x23170F69, 0x40C1, 0x278A, {0x10, 0x00, 0x00, 0x01, 0x10, 0x07, 0x00, 0x00}};

}  // namespace client7z
