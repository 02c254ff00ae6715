// Packforge.exe: the wizard. It takes no arguments.
#include <windows.h>

#include "engine/package_names.h"
#include "platform/text.h"
#include "platform/win32/safe_startup.h"
#include "wizard/packforge_app.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Fail closed: without the restriction, a library dropped beside the
  // program could run inside it.
  if (!pf::win::DllSearchRestricted()) {
    MessageBoxW(nullptr,
                L"Packforge cannot run safely on this version of Windows: it lacks the update "
                L"that lets a program load libraries from the system folder only (KB2533623). "
                L"Install the Windows updates, then start Packforge again.",
                pf::ToWide(pf::kAppTitle).c_str(), MB_OK | MB_ICONERROR);
    return 1;
  }
  return pf::theApp.Run();
}
