// A stand-in for a program someone dropped beside a package under the name
// of a Windows program (cmd.exe). If it is ever started, it leaves
// "<its own file name>.ran" beside itself.
#include <windows.h>

#include <string>

#include "platform/win32/unique_handle.h"

int wmain() {
  std::wstring path(MAX_PATH, L'\0');
  DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (n == 0 || n >= path.size()) return 1;
  path.resize(n);
  path += L".ran";
  pf::win::unique_hfile marker(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
  return 0;
}
