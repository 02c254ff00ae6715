#include "wizard/home_dialog.h"

#include "resources/resource.h"

namespace pf {

CHomeDialog::CHomeDialog(CSelfExtractorPropSheet& sheet)
    : WizardPage(sheet, 0, IDD_HOME,
                 {IDB_HOME_BACK, IDB_HOME_NEXT, IDB_HOME_CANCEL, IDB_HOME_FINISH, IDK_HOME_HELP,
                  IDK_HOME_ABOUTME}) {}

BOOL CHomeDialog::OnInitDialog() {
  BOOL focus = WizardPage::OnInitDialog();
  SetButtonIcon(IDB_ADD, IDI_ADD);
  SetButtonIcon(IDB_REMOVE, IDI_REMOVE);
  SetButtonIcon(IDB_BROWSE_FOLDER, IDI_BROWSE);
  return focus;
}

}  // namespace pf
