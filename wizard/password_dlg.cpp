#include "wizard/password_dlg.h"

#include "resources/resource.h"
#include "settings/page_rules.h"
#include "wizard/app_message.h"
#include "wizard/framework/data_exchange.h"

namespace pf {

CPasswordDlg::CPasswordDlg(CSelfExtractorPropSheet& sheet)
    : WizardPage(sheet, 2, IDD_PASSWORD,
                 {IDB_BACK, IDB_PASSWORD_NEXT, IDB_PASSWORD_CANCEL, IDB_PASSWORD_FINISH,
                  IDK_PASSWORD_HELP, IDK_PASSWORD_ABOUTME}) {}

BOOL CPasswordDlg::OnInitDialog() {
  CheckDlgButton(hwnd(), IDR_DEFAULT_FOLDER, BST_CHECKED);
  // The limit holds for typing and pasting alike.
  SendMessageW(Item(IDE_PASSWORD), EM_LIMITTEXT, kMaxPassword, 0);
  SendMessageW(Item(IDE_CONFIRM), EM_LIMITTEXT, kMaxPassword, 0);
  return WizardPage::OnInitDialog();
}

bool CPasswordDlg::OnCommand(int id, int code, HWND control) {
  if (id == IDX_PROTECT && code == BN_CLICKED) {
    EnablePasswordBoxes();
    return true;
  }
  return WizardPage::OnCommand(id, code, control);
}

// The typed texts stay either way.
void CPasswordDlg::EnablePasswordBoxes() {
  BOOL enable = SendMessageW(Item(IDX_PROTECT), BM_GETCHECK, 0, 0) != BST_UNCHECKED;
  for (int id : {IDE_PASSWORD, IDE_CONFIRM, IDT_PASSWORD, IDT_CONFIRM})
    EnableWindow(Item(id), enable);
}

bool CPasswordDlg::Validate() {
  BuildSettings& s = settings();
  // Stored even when the password checks then fail.
  s.extractFolderOption =
      FolderOptionOf(IsDlgButtonChecked(hwnd(), IDR_TEMP_FOLDER) == BST_CHECKED,
                     IsDlgButtonChecked(hwnd(), IDR_CHOOSE_FOLDER) == BST_CHECKED);
  bool protect = SendMessageW(Item(IDX_PROTECT), BM_GETCHECK, 0, 0) == BST_CHECKED;
  std::u16string password = protect ? ui::ItemText(hwnd(), IDE_PASSWORD) : std::u16string();
  std::u16string confirmation = protect ? ui::ItemText(hwnd(), IDE_CONFIRM) : std::u16string();
  PasswordDecision decision = ValidatePassword(protect, password, confirmation);
  if (decision.message) {
    ShowAppMessage(hwnd(), *decision.message);
    return false;  // the stored password stays as it was
  }
  s.password = std::move(decision.password);
  return true;
}

NextStep CPasswordDlg::CheckForNext() {
  return Validate() ? NextStep::kShowNext : NextStep::kShowAgain;
}

bool CPasswordDlg::CheckForFinish() {
  if (Validate()) return true;
  ShowPage(index());
  return false;
}

}  // namespace pf
