// CPasswordDlg1
#pragma once
#include "wizard/wizard_page.h"

namespace pf {

class CPasswordDlg : public WizardPage {
 public:
  explicit CPasswordDlg(CSelfExtractorPropSheet& sheet);
};

}  // namespace pf
