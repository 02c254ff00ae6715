#include "wizard/icon_select_dlg.h"

#include "engine/path_helpers.h"
#include "icon/ico_file.h"
#include "resources/resource.h"
#include "settings/page_rules.h"
#include "wizard/app_message.h"
#include "wizard/bounded_read.h"
#include "wizard/framework/data_exchange.h"
#include "wizard/ui_hooks.h"

namespace pf {
namespace {

// A local file answers at once; a share that has not answered by then is
// taken as a file the build could not read either.
inline constexpr std::chrono::milliseconds kIconReadLimit{3000};

// A path the build could not read as an icon would silently give the
// package the agent's icon instead of the chosen one.
bool NamesNoIconFile(const std::u16string& path) {
  if (path.empty()) return false;  // the default icon, chosen on purpose
  auto head = ReadFileHeadWithin(path, kIcoDirectoryMaxBytes, kIconReadLimit);
  if (!head) return true;
  return IsSuspectIconFile(std::move(head->bytes), head->size);
}

}  // namespace

CIconSelectDlg::CIconSelectDlg(CSelfExtractorPropSheet& sheet)
    : WizardPage(sheet, 1, IDD_ICON_SELECT,
                 {IDB_BACK, IDB_ICON_NEXT, IDB_ICON_CANCEL, IDB_ICON_FINISH, IDK_ICON_HELP,
                  IDK_ICON_ABOUTME}) {}

BOOL CIconSelectDlg::OnInitDialog() {
  // Browse first, then the navigation buttons, as on every page.
  SetButtonIcon(IDB_BROWSE_ICON, IDI_BROWSE);
  return WizardPage::OnInitDialog();
}

bool CIconSelectDlg::OnCommand(int id, int code, HWND control) {
  if (id == IDB_BROWSE_ICON && code == BN_CLICKED) {
    Browse();
    return true;
  }
  return WizardPage::OnCommand(id, code, control);
}

void CIconSelectDlg::Browse() {
  ui::FileOpenOptions options;
  options.filterName = u"(*.ico)";
  options.filterPattern = u"*.ico";
  std::vector<std::u16string> chosen = ui::ShowFileOpen(hwnd(), options);
  if (chosen.empty()) return;  // cancelled: nothing changes
  iconPath_ = chosen.front();
  chosenFileName_ = GetDataFileName(iconPath_);
  ui::SetItemText(hwnd(), IDE_ICON_FILE, iconPath_);
}

bool CIconSelectDlg::Validate() {
  std::u16string message = ui::ItemText(hwnd(), IDE_ABOUT_MESSAGE);
  std::u16string title = ui::ItemText(hwnd(), IDE_ABOUT_TITLE);
  iconPath_ = ui::ItemText(hwnd(), IDE_ICON_FILE);
  BuildSettings& s = settings();
  // Stored before the checks: a rejected path stays in the settings.
  s.iconFilePath = iconPath_;
  // Only a path that passed the text test is worth opening.
  bool suspect = IsAcceptableIconPath(iconPath_) && NamesNoIconFile(iconPath_);
  if (auto failure = ValidateIconPage(iconPath_, message, title, suspect)) {
    ShowAppMessage(hwnd(), *failure);
    return false;
  }
  s.aboutMessage = std::move(message);
  s.aboutTitle = std::move(title);
  return true;
}

NextStep CIconSelectDlg::CheckForNext() {
  return Validate() ? NextStep::kShowNext : NextStep::kShowAgain;
}

bool CIconSelectDlg::CheckForFinish() {
  return Validate();
}

}  // namespace pf
