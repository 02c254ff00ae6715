#include "wizard/icon_select_dlg.h"

#include "resources/resource.h"

namespace pf {

CIconSelectDlg::CIconSelectDlg(CSelfExtractorPropSheet& sheet)
    : WizardPage(sheet, 1, IDD_ICON_SELECT,
                 {IDB_BACK, IDB_ICON_NEXT, IDB_ICON_CANCEL, IDB_ICON_FINISH, IDK_ICON_HELP,
                  IDK_ICON_ABOUTME}) {}

BOOL CIconSelectDlg::OnInitDialog() {
  BOOL focus = WizardPage::OnInitDialog();
  SetButtonIcon(IDB_BROWSE_ICON, IDI_BROWSE);
  return focus;
}

}  // namespace pf
