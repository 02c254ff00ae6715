#include "wizard/run_file_dlg.h"

#include "resources/resource.h"

namespace pf {

CRunFileDlg::CRunFileDlg(CSelfExtractorPropSheet& sheet)
    : WizardPage(
          sheet, 3, IDD_RUN_FILE,
          {IDB_BACK, IDB_RUN_NEXT, IDB_RUN_CANCEL, IDB_RUN_FINISH, IDK_RUN_HELP, IDK_RUN_ABOUTME}) {
}

}  // namespace pf
