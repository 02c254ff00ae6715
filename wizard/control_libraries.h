// The control classes the wizard's templates use: the common controls
// (links included) and the rich edit boxes of the icon page.
#pragma once
#include "platform/win32/unique_handle.h"

namespace pf {

// InitCommonControlsEx with size 8 and class mask 0xFF, then the link
// class, which that mask leaves out.
void InitWizardCommonControls();

struct RichEditLibrary {
  win::unique_hmodule riched32;
  win::unique_hmodule riched20;  // loaded only when RICHED32.DLL left RichEdit20W unknown
};
// Loads "RICHED32.DLL" and makes sure the class "RichEdit20W" exists.
RichEditLibrary LoadRichEditLibrary();

}  // namespace pf
