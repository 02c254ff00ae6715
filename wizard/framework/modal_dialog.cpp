#include "wizard/framework/modal_dialog.h"

namespace pf::ui {

INT_PTR ModalDialog::DoModal(HWND owner) {
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), owner,
                         &ModalDialog::Procedure, reinterpret_cast<LPARAM>(this));
}

bool ModalDialog::OnCommand(int id, int /*code*/, HWND /*control*/) {
  if (id != IDOK && id != IDCANCEL) return false;
  EndDialog(hwnd(), id);
  return true;
}

INT_PTR CALLBACK ModalDialog::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* self =
      message == WM_INITDIALOG ? reinterpret_cast<ModalDialog*>(lParam) : FromWindow(hwnd);
  return Route(self, hwnd, message, wParam, lParam);
}

}  // namespace pf::ui
