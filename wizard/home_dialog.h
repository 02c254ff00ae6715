// CHomeDialog1
#pragma once
#include "wizard/wizard_page.h"

namespace pf {

class CHomeDialog : public WizardPage {
 public:
  explicit CHomeDialog(CSelfExtractorPropSheet& sheet);

 protected:
  BOOL OnInitDialog() override;
};

}  // namespace pf
