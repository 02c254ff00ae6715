// CIconSelectDlg: the icon for the package and the message it shows while
// it extracts.
#pragma once
#include <string>

#include "wizard/wizard_page.h"

namespace pf {

class CIconSelectDlg : public WizardPage {
 public:
  explicit CIconSelectDlg(CSelfExtractorPropSheet& sheet);

  // What the last Browse chose (and, for the path, what the box held at
  // the last Next or Finish).
  const std::u16string& iconPath() const { return iconPath_; }
  const std::u16string& chosenFileName() const { return chosenFileName_; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  NextStep CheckForNext() override;
  bool CheckForFinish() override;

 private:
  void Browse();
  // Stores the icon box, runs the checks, shows the first failure.
  bool Validate();

  std::u16string iconPath_;
  std::u16string chosenFileName_;
};

}  // namespace pf
