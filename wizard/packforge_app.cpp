#include "wizard/packforge_app.h"

#include "wizard/packforge_wizard.h"

namespace pf {

CPackforgeApp theApp;

bool CPackforgeApp::InitInstance() {
  InitWizardCommonControls();
  richEdit_ = LoadRichEditLibrary();
  PackforgeWizard wizard;
  mainWindow_ = &wizard.sheet;
  wizard.sheet.DoModal();
  mainWindow_ = nullptr;
  // No message loop after the wizard: the program ends.
  return false;
}

}  // namespace pf
