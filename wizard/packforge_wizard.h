// The sheet and its four pages, in the order they are made and added.
// Members are destroyed in reverse: the pages, then the sheet.
#pragma once
#include "wizard/home_dialog.h"
#include "wizard/icon_select_dlg.h"
#include "wizard/password_dlg.h"
#include "wizard/run_file_dlg.h"
#include "wizard/self_extractor_prop_sheet.h"

namespace pf {

struct PackforgeWizard {
  PackforgeWizard();
  ~PackforgeWizard();
  PackforgeWizard(const PackforgeWizard&) = delete;
  PackforgeWizard& operator=(const PackforgeWizard&) = delete;

  CSelfExtractorPropSheet sheet;
  CHomeDialog home{sheet};
  CIconSelectDlg iconSelect{sheet};
  CPasswordDlg password{sheet};
  CRunFileDlg runFile{sheet};
};

}  // namespace pf
