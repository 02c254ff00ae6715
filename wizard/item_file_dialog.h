// The common item dialog (IFileOpenDialog) for picking one file.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

namespace pf::ui {

struct ItemDialogResult {
  bool available = false;              // false: the system has no item dialog
  std::optional<std::u16string> path;  // the file chosen; none when cancelled
};

// One filter entry (`filterName`, `filterPattern`); both empty: no filter.
ItemDialogResult OpenOneFileWithItemDialog(HWND owner, const std::u16string& filterName,
                                           const std::u16string& filterPattern);

}  // namespace pf::ui
