#include "wizard/password_dlg.h"

#include "resources/resource.h"

namespace pf {

CPasswordDlg::CPasswordDlg(CSelfExtractorPropSheet& sheet)
    : WizardPage(sheet, 2, IDD_PASSWORD,
                 {IDB_BACK, IDB_PASSWORD_NEXT, IDB_PASSWORD_CANCEL, IDB_PASSWORD_FINISH,
                  IDK_PASSWORD_HELP, IDK_PASSWORD_ABOUTME}) {}

}  // namespace pf
