#include "platform/win32/safe_startup.h"

#include <windows.h>

// The runtime's own entry points (crt2u.o), which ours hand over to.
extern "C" int WinMainCRTStartup();
extern "C" int mainCRTStartup();

namespace {

// Constant-initialised: it is written before the runtime has started.
bool restricted = false;

// Windows looks in the program's own folder first for every library that is
// not one of its protected (known) ones, so a library dropped beside a
// package in Downloads would run inside it. From here on, a library loaded
// by name, and every library's dependencies, come from the system folder
// only. Resolved at run time: a Windows 7 without the loader update lacks
// the function, and a static import would keep the program from starting
// with no explanation at all.
bool RestrictDllSearch() {
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (!kernel) return false;
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  return setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

namespace pf::win {

bool DllSearchRestricted() {
  return restricted;
}

}  // namespace pf::win

// Linked as the entry point of the window programs (pf_safe_entry in
// platform/CMakeLists.txt): the restriction is the first thing the process
// does, ahead of the runtime's start-up and every static constructor.
extern "C" int PfWindowsStartup() {
  restricted = RestrictDllSearch();
  return WinMainCRTStartup();
}

// The same for console programs.
extern "C" int PfConsoleStartup() {
  restricted = RestrictDllSearch();
  return mainCRTStartup();
}
