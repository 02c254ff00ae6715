#include "wizard/help_link.h"

#include "wizard/about_dlg.h"
#include "wizard/ui_hooks.h"

namespace pf {

std::u16string ManualPath(const std::u16string& programFolder) {
  return programFolder + u"\\" + std::u16string(kManualEntry);
}

void OpenManual(const std::u16string& programFolder) {
  if (ui::OpenShell(ManualPath(programFolder)) > 32) return;
  ui::OpenShell(std::u16string(kManualEntry));
}

void ShowAboutBox(HWND owner) {
  CAbout about;
  about.DoModal(owner);
}

}  // namespace pf
