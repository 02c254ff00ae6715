#include "wizard/control_libraries.h"

#include <windows.h>

#include <commctrl.h>

namespace pf {

void InitWizardCommonControls() {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = 8;
  controls.dwICC = 0xFF;
  InitCommonControlsEx(&controls);
  INITCOMMONCONTROLSEX links{};
  links.dwSize = sizeof(links);
  links.dwICC = ICC_LINK_CLASS;
  InitCommonControlsEx(&links);
}

RichEditLibrary LoadRichEditLibrary() {
  RichEditLibrary library;
  library.riched32.reset(LoadLibraryW(L"RICHED32.DLL"));
  // RICHED32.DLL registers only the first rich edit class itself; the
  // "RichEdit20W" of the templates comes from riched20.dll, which it loads
  // on most systems but not on all.
  WNDCLASSEXW info{};
  info.cbSize = sizeof(info);
  if (!GetClassInfoExW(nullptr, L"RichEdit20W", &info)) {
    library.riched20.reset(LoadLibraryW(L"riched20.dll"));
  }
  return library;
}

}  // namespace pf
