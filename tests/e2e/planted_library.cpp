// A stand-in for a library someone dropped into a download folder under the
// name of a Windows library. If any process ever loads it, it leaves
// "<its own file name>.loaded" beside itself, and that file is the evidence.
#include <windows.h>

#include <string>

#include "platform/win32/unique_handle.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  std::wstring path(MAX_PATH, L'\0');
  DWORD n = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
  if (n == 0 || n >= path.size()) return TRUE;
  path.resize(n);
  path += L".loaded";
  pf::win::unique_hfile marker(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
  return TRUE;
}
