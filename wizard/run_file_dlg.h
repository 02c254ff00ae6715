// CRunFileDlg1
#pragma once
#include "wizard/wizard_page.h"

namespace pf {

class CRunFileDlg : public WizardPage {
 public:
  explicit CRunFileDlg(CSelfExtractorPropSheet& sheet);
};

}  // namespace pf
