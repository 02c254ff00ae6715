#include "wizard/about_dlg.h"

#include "resources/resource.h"

namespace pf {

CAbout::CAbout() : ui::ModalDialog(IDD_ABOUTBOX) {}

}  // namespace pf
