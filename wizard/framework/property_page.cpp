#include "wizard/framework/property_page.h"

namespace pf::ui {

PROPSHEETPAGEW PropertyPage::Describe() {
  PROPSHEETPAGEW page{};
  page.dwSize = sizeof(page);
  page.dwFlags = PSP_DEFAULT;
  page.hInstance = GetModuleHandleW(nullptr);
  page.pszTemplate = MAKEINTRESOURCEW(templateId_);
  page.pfnDlgProc = &PropertyPage::Procedure;
  page.lParam = reinterpret_cast<LPARAM>(this);
  return page;
}

bool PropertyPage::UpdateData(bool saving) {
  DataExchange exchange(hwnd(), saving);
  return Exchange(exchange);
}

// The controls start from the fields.
BOOL PropertyPage::OnInitDialog() {
  UpdateData(false);
  return TRUE;
}

bool PropertyPage::OnSetActive() {
  if (firstActivation_) {
    firstActivation_ = false;
  } else {
    UpdateData(false);
  }
  return true;
}

bool PropertyPage::OnKillActive() {
  return UpdateData(true);
}

bool PropertyPage::OnNotify(const NMHDR& header, LRESULT& result) {
  switch (header.code) {
    case PSN_SETACTIVE:
      result = OnSetActive() ? 0 : -1;
      return true;
    case PSN_KILLACTIVE:
      result = OnKillActive() ? FALSE : TRUE;
      return true;
    default:
      return false;
  }
}

INT_PTR CALLBACK PropertyPage::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* self = FromWindow(hwnd);
  if (message == WM_INITDIALOG) {
    // The sheet passes a copy of the page's PROPSHEETPAGEW.
    self = reinterpret_cast<PropertyPage*>(reinterpret_cast<const PROPSHEETPAGEW*>(lParam)->lParam);
  }
  if (message == kEnterKeyMessage && self) {
    static_cast<PropertyPage*>(self)->OnEnterKey(reinterpret_cast<HWND>(lParam));
    return TRUE;
  }
  return Route(self, hwnd, message, wParam, lParam);
}

}  // namespace pf::ui
