#include "tests/win/scripted_wizard.h"

#include "tests/win/wizard_harness.h"

namespace pf::test {

ScriptedWizard::ScriptedWizard()
    : pages{ScriptedPage(sheet, models.home), ScriptedPage(sheet, models.iconSelect),
            ScriptedPage(sheet, models.password), ScriptedPage(sheet, models.runFile)} {
  PrepareControls();
  for (auto& page : pages) sheet.AddPage(page);
  sheet.AddFlags(PSH_WIZARD);
  window = sheet.Create();
  PumpMessages();
}

ScriptedWizard::~ScriptedWizard() {
  sheet.Destroy();
}

HWND ScriptedWizard::Page(int index) const {
  return reinterpret_cast<HWND>(SendMessageW(window, PSM_INDEXTOHWND, index, 0));
}

void ScriptedWizard::Show(int index) {
  sheet.SetActivePage(index);
  PumpMessages();
}

}  // namespace pf::test
