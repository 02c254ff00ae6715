#include "wizard/framework/application.h"

namespace pf::ui {

int Application::Run() {
  if (!InitInstance()) return 0;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace pf::ui
