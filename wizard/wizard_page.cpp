#include "wizard/wizard_page.h"

#include <commctrl.h>

#include "resources/resource.h"
#include "wizard/build_launch.h"
#include "wizard/help_link.h"
#include "wizard/self_extractor_prop_sheet.h"
#include "wizard/ui_hooks.h"

namespace pf {

WizardPage::WizardPage(CSelfExtractorPropSheet& sheet, int index, int templateId,
                       PageControls controls)
    : ui::PropertyPage(templateId), sheet_(&sheet), index_(index), controls_(controls) {}

BuildSettings& WizardPage::settings() const {
  return sheet_->settings;
}

std::u16string WizardPage::RunEntry() const {
  return sheet_->settings.driverFilePath;
}

void WizardPage::ShowPage(int index) {
  // Selected again after a failed check, the page keeps the focus where the
  // user was: the sheet would move it to a button, where the next Enter
  // would press that button instead of trying the check again.
  HWND focus = index == index_ ? GetFocus() : nullptr;
  SendMessageW(sheetWindow(), PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
  if (focus && focus != GetFocus() && IsChild(hwnd(), focus) && IsWindowVisible(focus) &&
      IsWindowEnabled(focus)) {
    SetFocus(focus);
  }
}

void WizardPage::SetButtonIcon(int buttonId, int iconId) {
  win::unique_hicon icon(static_cast<HICON>(LoadImageW(
      GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR)));
  if (!icon) return;
  SendMessageW(Item(buttonId), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon.get()));
  // The button shows the icon without owning it.
  icons_.push_back(std::move(icon));
}

BOOL WizardPage::OnInitDialog() {
  BOOL focus = ui::PropertyPage::OnInitDialog();
  SetButtonIcon(controls_.back, IDI_BACK);
  SetButtonIcon(controls_.next, IDI_NEXT);
  SetButtonIcon(controls_.cancel, IDI_CANCEL);
  SetButtonIcon(controls_.finish, IDI_FINISH);
  // The last page has nowhere to go next.
  if (index_ == kPageCount - 1) EnableWindow(Item(controls_.next), FALSE);
  return focus;
}

bool WizardPage::OnSetActive() {
  bool accepted = ui::PropertyPage::OnSetActive();
  if (index_ == 0) EnableWindow(Item(controls_.back), FALSE);
  // The sheet's own wizard buttons are cut out of view; disabled too, no
  // key (their mnemonics) can reach them and skip a page's checks.
  PostMessageW(sheetWindow(), PSM_SETWIZBUTTONS, 0, 0);
  return accepted;
}

bool WizardPage::OnCommand(int id, int code, HWND /*control*/) {
  if (code != BN_CLICKED) return false;
  if (id == controls_.back) {
    Back();
  } else if (id == controls_.next) {
    Next();
  } else if (id == controls_.cancel) {
    ui::ExitProcessNow(0);
  } else if (id == controls_.finish) {
    Finish();
  } else {
    return false;
  }
  return true;
}

// Enter is the page's own Next, or Finish on the last page, checks and all;
// on a focused push button it presses that button, as Space does.
void WizardPage::OnEnterKey(HWND focus) {
  if (focus && IsChild(hwnd(), focus) && IsWindowEnabled(focus) &&
      (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) {
    SendMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED),
                 reinterpret_cast<LPARAM>(focus));
    return;
  }
  if (index_ + 1 < kPageCount) {
    Next();
  } else {
    Finish();
  }
}

void WizardPage::Back() {
  if (index_ > 0) ShowPage(index_ - 1);
}

void WizardPage::Next() {
  if (index_ + 1 >= kPageCount) return;
  switch (CheckForNext()) {
    case NextStep::kShowNext:
      ShowPage(index_ + 1);
      break;
    case NextStep::kShowAgain:
      ShowPage(index_);
      break;
    case NextStep::kStay:
      break;
  }
}

void WizardPage::Finish() {
  if (CheckForFinish()) StartBuild(*this);
}

bool WizardPage::OnNotify(const NMHDR& header, LRESULT& result) {
  if (ui::PropertyPage::OnNotify(header, result)) return true;
  if (header.code != NM_CLICK && header.code != NM_RETURN) return false;
  if (static_cast<int>(header.idFrom) == controls_.help) {
    OpenManual(settings().programFolder);
    result = 0;
    return true;
  }
  if (static_cast<int>(header.idFrom) == controls_.aboutme) {
    result = 0;
    ShowAboutBox(sheetWindow());
    return true;
  }
  return false;
}

}  // namespace pf
