#include "wizard/packforge_wizard.h"

namespace pf {

PackforgeWizard::PackforgeWizard() {
  sheet.AddPage(home);
  sheet.AddPage(iconSelect);
  sheet.AddPage(password);
  sheet.AddPage(runFile);
  sheet.AddFlags(PSH_WIZARD);
}

// A modeless sheet (the tests') goes before the pages it shows.
PackforgeWizard::~PackforgeWizard() {
  sheet.Destroy();
}

}  // namespace pf
