// CPasswordDlg: where the package puts the extracted files and whether a
// password guards them.
#pragma once
#include "wizard/wizard_page.h"

namespace pf {

class CPasswordDlg : public WizardPage {
 public:
  explicit CPasswordDlg(CSelfExtractorPropSheet& sheet);

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  NextStep CheckForNext() override;
  bool CheckForFinish() override;

 private:
  void EnablePasswordBoxes();
  // Stores the folder option, then checks and stores the password.
  bool Validate();
};

}  // namespace pf
