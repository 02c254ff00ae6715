// The base of every dialog and page: one window procedure per kind routes
// messages to virtual handlers of the object stored at WM_INITDIALOG.
#pragma once
#include <windows.h>

namespace pf::ui {

class Dialog {
 public:
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;
  virtual ~Dialog();

  HWND hwnd() const { return hwnd_; }
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }

 protected:
  Dialog() = default;

  // TRUE lets the system give the focus to the first control.
  virtual BOOL OnInitDialog() { return TRUE; }
  // True when handled.
  virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
  // True when handled; `result` then goes to DWLP_MSGRESULT.
  virtual bool OnNotify(const NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
  // Any other message; true when handled, `result` is returned as it is.
  virtual bool OnMessage(UINT /*message*/, WPARAM, LPARAM, INT_PTR& /*result*/) { return false; }

  // The procedures of the derived kinds call this with the object they
  // found; at WM_INITDIALOG it is stored in the window for later messages.
  static INT_PTR Route(Dialog* self, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static Dialog* FromWindow(HWND hwnd);

 private:
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  HWND hwnd_ = nullptr;
};

}  // namespace pf::ui
