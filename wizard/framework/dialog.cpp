#include "wizard/framework/dialog.h"

namespace pf::ui {

// A window can outlive its object (a modeless sheet destroyed after its
// pages): it must stop reaching it.
Dialog::~Dialog() {
  if (hwnd_ && IsWindow(hwnd_)) SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
}

Dialog* Dialog::FromWindow(HWND hwnd) {
  return reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

INT_PTR Dialog::Route(Dialog* self, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG && self) {
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (!self) return FALSE;
  return self->Handle(message, wParam, lParam);
}

INT_PTR Dialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_COMMAND:
      return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE
                                                                                       : FALSE;
    case WM_NOTIFY: {
      // Returning TRUE alone is not enough for notifications such as
      // PSN_KILLACTIVE: the answer travels in DWLP_MSGRESULT.
      LRESULT result = 0;
      if (!OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result)) return FALSE;
      SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
      return TRUE;
    }
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      return FALSE;
    default:
      break;
  }
  INT_PTR result = FALSE;
  return OnMessage(message, wParam, lParam, result) ? result : FALSE;
}

}  // namespace pf::ui
