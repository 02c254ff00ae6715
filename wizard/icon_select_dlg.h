// CIconSelectDlg1
#pragma once
#include "wizard/wizard_page.h"

namespace pf {

class CIconSelectDlg : public WizardPage {
 public:
  explicit CIconSelectDlg(CSelfExtractorPropSheet& sheet);

 protected:
  BOOL OnInitDialog() override;
};

}  // namespace pf
