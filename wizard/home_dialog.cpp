#include "wizard/home_dialog.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cstring>

#include "engine/path_helpers.h"
#include "platform/text.h"
#include "platform/win32/unique_handle.h"
#include "resources/resource.h"
#include "wizard/app_message.h"
#include "wizard/file_row_texts.h"
#include "wizard/ui_hooks.h"

namespace pf {
namespace {

constexpr std::size_t kSelectionBufferChars = 66817;

class RedrawPause {
 public:
  explicit RedrawPause(HWND window) : window_(window) {
    SendMessageW(window_, WM_SETREDRAW, FALSE, 0);
  }
  ~RedrawPause() {
    SendMessageW(window_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(window_, nullptr, TRUE);
  }
  RedrawPause(const RedrawPause&) = delete;
  RedrawPause& operator=(const RedrawPause&) = delete;

 private:
  HWND window_;
};

}  // namespace

CHomeDialog::CHomeDialog(CSelfExtractorPropSheet& sheet)
    : WizardPage(sheet, 0, IDD_HOME,
                 {IDB_HOME_BACK, IDB_HOME_NEXT, IDB_HOME_CANCEL, IDB_HOME_FINISH, IDK_HOME_HELP,
                  IDK_HOME_ABOUTME}) {}

BOOL CHomeDialog::OnInitDialog() {
  list_ = DataFilesList(Item(IDL_DATA_FILES));
  fileNameEdit_ = Item(IDE_FILE_NAME);
  BOOL focus = WizardPage::OnInitDialog();
  list_.SetUp();
  SetButtonIcon(IDB_ADD, IDI_ADD);
  SetButtonIcon(IDB_REMOVE, IDI_REMOVE);
  SetButtonIcon(IDB_BROWSE_FOLDER, IDI_BROWSE);
  settings().noOfFiles = 2;
  return focus;
}

bool CHomeDialog::Exchange(ui::DataExchange& exchange) {
  exchange.Text(IDE_DESTINATION_PATH, settings().outputFilepath);
  exchange.Text(IDE_FILE_NAME, settings().outputFileName);
  return true;
}

bool CHomeDialog::OnCommand(int id, int code, HWND control) {
  // Buttons send BN_CLICKED, menu commands 0: the same code.
  if (code == BN_CLICKED) {
    switch (id) {
      case IDB_ADD:
      case IDM_ADD:
        AddFiles();
        return true;
      case IDB_REMOVE:
      case IDM_REMOVE:
        RemoveFiles();
        return true;
      case IDM_COPY_FILENAME:
        CopyFileName();
        return true;
      case IDB_BROWSE_FOLDER:
        ChooseDestinationFolder();
        return true;
      default:
        break;
    }
  }
  return WizardPage::OnCommand(id, code, control);
}

bool CHomeDialog::OnNotify(const NMHDR& header, LRESULT& result) {
  if (header.idFrom == IDL_DATA_FILES && header.code == LVN_ITEMCHANGING) {
    // TRUE vetoes the change.
    result = AllowStateChange(reinterpret_cast<const NMLISTVIEW&>(header)) ? FALSE : TRUE;
    return true;
  }
  return WizardPage::OnNotify(header, result);
}

bool CHomeDialog::OnMessage(UINT message, WPARAM /*wParam*/, LPARAM lParam, INT_PTR& result) {
  if (message != WM_CONTEXTMENU) return false;
  ShowPopupMenu(lParam);
  result = TRUE;
  return true;
}

bool CHomeDialog::AllowStateChange(const NMLISTVIEW& change) const {
  if (!(change.uChanged & LVIF_STATE)) return true;
  // The row being added is the one at the count not yet increased.
  bool adding = change.iItem == settings().noOfFiles - 2;
  return AllowRowStateChange(adding, IsArchiveExtension(currentExtension_),
                             StateImageOf(change.uOldState), StateImageOf(change.uNewState));
}

int CHomeDialog::Show(const UserMessage& message, UINT buttons) {
  return ShowAppMessage(sheetWindow(), message, buttons);
}

void CHomeDialog::AddFiles() {
  ui::FileOpenOptions options;
  options.multiSelect = true;
  options.keepShortcuts = true;
  options.bufferChars = kSelectionBufferChars;
  std::vector<std::u16string> paths = ui::ShowFileOpen(sheetWindow(), options);
  std::optional<UserMessage> refusal;
  {
    // Repainted once at the end: row by row, hundreds of files take seconds.
    RedrawPause pause(list_.hwnd());
    for (const std::u16string& path : paths) {
      if ((refusal = AddFile(path))) break;
    }
  }
  if (refusal) Show(*refusal);
}

std::optional<UserMessage> CHomeDialog::AddFile(const std::u16string& path) {
  BuildSettings& s = settings();
  std::u16string name = LastPathElement(path);
  currentExtension_ = ExtensionOf(name);
  std::vector<std::u16string> inList(s.dataFiles.begin() + 2, s.dataFiles.begin() + s.noOfFiles);
  if (auto refusal = CheckFileToAdd(inList, path)) return refusal;
  // The lists grow with the rows: row r is dataFiles[r + 2] and
  // dataFileNames[r].
  s.dataFiles.resize(static_cast<std::size_t>(s.noOfFiles));
  s.dataFiles.push_back(path);
  s.dataFileNames.resize(static_cast<std::size_t>(s.noOfFiles - 2));
  s.dataFileNames.push_back(name);
  std::u16string size = SizeTextOf(path);
  std::u16string modified = ModifiedTextOf(path);

  // The requested index is past the last row: the row lands at the end.
  int row = list_.InsertRow(s.noOfFiles, name);
  if (row >= 0) {
    // Checked, then no checkbox: the item-changing rule lets through the
    // one this row's extension calls for.
    list_.SetStateImage(row, 2);
    list_.SetStateImage(row, 0);
    list_.SetText(row, 1, size);
    list_.SetText(row, 2, currentExtension_);
    list_.SetText(row, 3, modified);
  }
  ++s.noOfFiles;
  return std::nullopt;
}

void CHomeDialog::RemoveFiles() {
  std::vector<int> selected = list_.SelectedRows();
  if (selected.empty()) {
    Show({u"Please select any File in the List to Remove", MessageIcon::kExclamation});
    return;
  }
  RemoveRows(settings(), selected);
  for (auto it = selected.rbegin(); it != selected.rend(); ++it) list_.DeleteRow(*it);
}

void CHomeDialog::CopyFileName() {
  if (list_.SelectedCount() > 1) {
    Show({u"Please select one File at a time", MessageIcon::kExclamation});
    return;
  }
  std::vector<int> selected = list_.SelectedRows();
  if (selected.empty()) return;
  UpdateData(true);
  const std::u16string& name = settings().dataFileNames.at(static_cast<std::size_t>(selected[0]));

  win::ClipboardScope clipboard(hwnd());
  if (!clipboard) {
    Show({u"Cannot copy", MessageIcon::kInformation});
    return;
  }
  EmptyClipboard();
  std::size_t bytes = (name.size() + 1) * sizeof(char16_t);
  win::unique_hglobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
  if (!memory) return;
  if (void* target = GlobalLock(memory.get())) {
    std::memcpy(target, name.c_str(), bytes);
    GlobalUnlock(memory.get());
    // Once set, the clipboard owns the memory.
    if (SetClipboardData(CF_UNICODETEXT, memory.get())) memory.release();
  }
}

void CHomeDialog::ShowPopupMenu(LPARAM screenPoint) {
  POINT at{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
  // From the keyboard (-1, -1) the point is never inside the list.
  RECT area;
  if (!GetWindowRect(list_.hwnd(), &area) || !PtInRect(&area, at)) return;
  win::unique_hmenu menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDMENU_FILES)));
  if (!menu) return;
  if (HMENU files = GetSubMenu(menu.get(), 0))
    TrackPopupMenu(files, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
}

void CHomeDialog::ChooseDestinationFolder() {
  if (auto folder = ui::ChooseFolder(kFolderChooserTitle))
    SetDlgItemTextW(hwnd(), IDE_DESTINATION_PATH, ToWide(*folder).c_str());
}

DestinationState CHomeDialog::Prepare() {
  UpdateData(true);
  BuildSettings& s = settings();
  Collect(s, list_.Checks());
  return CheckDestination(list_.Count(), s.outputFilepath, s.outputFileName);
}

void CHomeDialog::FocusFileName() {
  SendMessageW(fileNameEdit_, EM_SETSEL, 0, -1);
  SendMessageW(fileNameEdit_, EM_SCROLLCARET, 0, 0);
  SetFocus(fileNameEdit_);
}

NextStep CHomeDialog::CheckForNext() {
  PageDecision decision = ValidateForNext(Prepare());
  switch (decision.action) {
    case PageDecision::Action::kStay:
      if (decision.message) Show(*decision.message);
      return NextStep::kStay;
    case PageDecision::Action::kAskOverwrite:
      if (Show({std::u16string(kOverwriteQuestion), MessageIcon::kExclamation}, MB_YESNO) == IDNO) {
        FocusFileName();
        return NextStep::kStay;
      }
      return NextStep::kShowNext;
    case PageDecision::Action::kProceed:
      break;
  }
  return NextStep::kShowNext;
}

bool CHomeDialog::CheckForFinish() {
  PageDecision decision = ValidateForFinish(Prepare());
  switch (decision.action) {
    case PageDecision::Action::kStay:
      if (decision.message) Show(*decision.message);
      return false;
    case PageDecision::Action::kAskOverwrite: {
      int answer = Show({std::u16string(kOverwriteQuestion), MessageIcon::kExclamation}, MB_YESNO);
      if (answer == IDYES) return true;
      if (answer == IDNO) FocusFileName();
      return false;
    }
    case PageDecision::Action::kProceed:
      break;
  }
  return true;
}

}  // namespace pf
