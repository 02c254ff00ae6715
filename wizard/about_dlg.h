// The about box: template 100, closed with OK.
#pragma once
#include "wizard/framework/modal_dialog.h"

namespace pf {

class CAbout : public ui::ModalDialog {
 public:
  CAbout();
};

}  // namespace pf
