// A page of a property sheet, made from a dialog template. Leaving a page
// first copies its controls into their fields (a page whose exchange fails
// stays shown); every activation after the first copies the fields back.
#pragma once
#include <windows.h>

#include <prsht.h>

#include "wizard/framework/data_exchange.h"
#include "wizard/framework/dialog.h"

namespace pf::ui {

// Posted by the sheet to its active page for a key press of Enter; lParam
// is the window that had the focus.
inline constexpr UINT kEnterKeyMessage = WM_APP + 0x140;

class PropertyPage : public Dialog {
 public:
  explicit PropertyPage(int templateId) : templateId_(templateId) {}
  int templateId() const { return templateId_; }
  // What the sheet hands to PropertySheetW for this page.
  PROPSHEETPAGEW Describe();
  // The sheet window, once the page exists.
  HWND sheetWindow() const { return GetParent(hwnd()); }

  // Runs the exchange in one direction; false when it failed.
  bool UpdateData(bool saving);

 protected:
  // The page's data exchange; false refuses (when saving, the page stays).
  virtual bool Exchange(DataExchange& /*exchange*/) { return true; }
  // True accepts the activation.
  virtual bool OnSetActive();
  // True lets the page be left.
  virtual bool OnKillActive();

  // Enter was pressed in the sheet while this page was shown and `focus`
  // had the keyboard focus; the control did not take the key itself.
  virtual void OnEnterKey(HWND /*focus*/) {}

  BOOL OnInitDialog() override;
  bool OnNotify(const NMHDR& header, LRESULT& result) override;

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  int templateId_;
  bool firstActivation_ = true;
};

}  // namespace pf::ui
