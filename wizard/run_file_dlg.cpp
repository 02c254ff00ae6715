#include "wizard/run_file_dlg.h"

#include <algorithm>

#include "platform/text.h"
#include "resources/resource.h"
#include "settings/page_rules.h"
#include "wizard/app_message.h"
#include "wizard/framework/data_exchange.h"

namespace pf {

CRunFileDlg::CRunFileDlg(CSelfExtractorPropSheet& sheet)
    : WizardPage(
          sheet, 3, IDD_RUN_FILE,
          {IDB_BACK, IDB_RUN_NEXT, IDB_RUN_CANCEL, IDB_RUN_FINISH, IDK_RUN_HELP, IDK_RUN_ABOUTME}) {
}

std::u16string CRunFileDlg::RunEntry() const {
  return runEntry_;
}

bool CRunFileDlg::Exchange(ui::DataExchange& exchange) {
  exchange.Check(IDX_RUN_FILE, runOption_);
  exchange.Text(IDCB_RUN_FILE, fileName_);
  exchange.Text(IDE_COMMAND, command_);
  return true;
}

// The list is filled once: files added to the data-files page later are
// not offered.
BOOL CRunFileDlg::OnInitDialog() {
  BOOL focus = WizardPage::OnInitDialog();
  const BuildSettings& s = settings();
  std::size_t userFiles = s.noOfFiles > 2 ? static_cast<std::size_t>(s.noOfFiles - 2) : 0;
  userFiles = std::min(userFiles, s.dataFileNames.size());
  HWND list = Item(IDCB_RUN_FILE);
  for (std::size_t i = 0; i < userFiles; ++i) {
    std::wstring name = ToWide(s.dataFileNames[i]);
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
  return focus;
}

bool CRunFileDlg::OnCommand(int id, int code, HWND control) {
  if (code == BN_CLICKED) {
    switch (id) {
      case IDX_RUN_FILE:
        OnRunChecked();
        return true;
      case IDR_FILE_NAME:
        SelectFileName();
        return true;
      case IDR_COMMAND:
        SelectCommand();
        return true;
      default:
        break;
    }
  }
  return WizardPage::OnCommand(id, code, control);
}

void CRunFileDlg::Enable(std::initializer_list<int> ids, bool enable) {
  for (int id : ids) EnableWindow(Item(id), enable ? TRUE : FALSE);
}

void CRunFileDlg::OnRunChecked() {
  UpdateData(true);
  bool checked = runOption_ == BST_CHECKED;
  Enable({IDCB_RUN_FILE, IDT_COMMAND_HINT2, IDT_COMMAND_HINT1, IDT_RUN_HINT2, IDT_RUN_HINT1,
          IDR_COMMAND, IDR_FILE_NAME, IDG_RUN_FILE},
         checked);
  Enable({IDE_COMMAND, IDT_COMMAND_NOTE3, IDT_COMMAND_NOTE2, IDT_COMMAND_NOTE1}, false);
  CheckDlgButton(hwnd(), IDR_FILE_NAME, checked ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hwnd(), IDR_COMMAND, BST_UNCHECKED);
}

void CRunFileDlg::SelectFileName() {
  Enable({IDCB_RUN_FILE}, true);
  Enable({IDE_COMMAND, IDT_COMMAND_NOTE1, IDT_COMMAND_NOTE2, IDT_COMMAND_NOTE3}, false);
}

void CRunFileDlg::SelectCommand() {
  Enable({IDCB_RUN_FILE}, false);
  Enable({IDE_COMMAND, IDR_COMMAND, IDT_COMMAND_NOTE1, IDT_COMMAND_NOTE2, IDT_COMMAND_NOTE3}, true);
}

// The texts go to the build as they are: no trimming, no lookup.
bool CRunFileDlg::CheckForFinish() {
  UpdateData(true);
  bool fileNameSelected = IsDlgButtonChecked(hwnd(), IDR_FILE_NAME) == BST_CHECKED;
  RunDecision decision =
      ChooseRunEntry(runOption_ == BST_CHECKED, fileNameSelected, fileName_, command_);
  if (decision.message) {
    ShowAppMessage(hwnd(), *decision.message);
    return false;
  }
  runEntry_ = std::move(decision.driverFilePath);
  return true;
}

}  // namespace pf
