// Page 0: the data files of the package and its destination.
#pragma once
#include <windows.h>

#include <commctrl.h>

#include <optional>
#include <string>

#include "settings/data_files_rules.h"
#include "wizard/data_files_list.h"
#include "wizard/wizard_page.h"

namespace pf {

class CHomeDialog : public WizardPage {
 public:
  explicit CHomeDialog(CSelfExtractorPropSheet& sheet);

  inline static const std::u16string kFolderChooserTitle =
      u"Please choose a folder for your output File";

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(const NMHDR& header, LRESULT& result) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
  bool Exchange(ui::DataExchange& exchange) override;
  NextStep CheckForNext() override;
  bool CheckForFinish() override;

 private:
  void AddFiles();
  // Why the path was refused, if it was; the remaining paths are then
  // skipped.
  std::optional<UserMessage> AddFile(const std::u16string& path);
  void RemoveFiles();
  void CopyFileName();
  void ShowPopupMenu(LPARAM screenPoint);
  void ChooseDestinationFolder();
  // Refreshes the fields, collects the flags and looks the destination up.
  DestinationState Prepare();
  // Selects the whole file name, scrolls it into view and focuses it.
  void FocusFileName();
  int Show(const UserMessage& message, UINT buttons = MB_OK);
  bool AllowStateChange(const NMLISTVIEW& change) const;

  DataFilesList list_;
  HWND fileNameEdit_ = nullptr;
  // The extension of the file Add processed last: the checkbox rule reads
  // it while that file's row is inserted.
  std::u16string currentExtension_;
};

}  // namespace pf
