// A property sheet over PropertySheetW (named PropSheet: prsht.h defines
// PropertySheet as a macro): pages added in order, run modally
// (the program's main window) or modelessly (in-process tests).
//
// Enter is taken away from the sheet's dialog manager: with the sheet's own
// buttons out of use it would press whichever hidden button the common
// controls made the default. A key press of Enter in the sheet goes to the
// active page's OnEnterKey instead, unless the focused control takes Enter
// itself (a multi-line edit). Escape stays with the dialog manager.
#pragma once
#include <windows.h>

#include <prsht.h>

#include <string>
#include <vector>

#include "wizard/framework/property_page.h"

namespace pf::ui {

class PropSheet {
 public:
  explicit PropSheet(std::u16string caption) : caption_(std::move(caption)) {}
  PropSheet(const PropSheet&) = delete;
  PropSheet& operator=(const PropSheet&) = delete;
  virtual ~PropSheet();

  void AddPage(PropertyPage& page) { pages_.push_back(&page); }
  void AddFlags(DWORD flags) { flags_ |= flags; }
  DWORD flags() const { return flags_; }

  // Runs the sheet modally; returns PropertySheetW's result.
  INT_PTR DoModal();
  // Creates the sheet modelessly; its window, or null.
  HWND Create();
  // Destroys a modeless sheet's window.
  void Destroy();

  HWND hwnd() const { return hwnd_; }
  // PSM_SETCURSEL by index; false when the sheet refused.
  bool SetActivePage(int index);
  // The index of the page shown, -1 when none.
  int ActiveIndex() const;

 protected:
  // After the system's own initialisation of the sheet window.
  virtual void OnInitDialog() {}

 private:
  INT_PTR Run(DWORD extraFlags);
  void Attach(HWND hwnd);
  void Detach();
  static int CALLBACK Callback(HWND hwnd, UINT message, LPARAM lParam);
  std::u16string caption_;
  std::wstring wideCaption_;
  std::vector<PropertyPage*> pages_;
  DWORD flags_ = 0;
  HWND hwnd_ = nullptr;
  bool routesEnter_ = false;
};

}  // namespace pf::ui
