// The data-files page's list view: its columns and styles, and rows read
// and written by index. Knows nothing of the settings.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "settings/data_files_rules.h"

namespace pf {

class DataFilesList {
 public:
  DataFilesList() = default;
  explicit DataFilesList(HWND list) : list_(list) {}
  HWND hwnd() const { return list_; }

  // The four columns, grid lines, checkboxes and full-row selection.
  void SetUp();

  int Count() const;
  int SelectedCount() const;
  // The selected rows, lowest first.
  std::vector<int> SelectedRows() const;
  // Each row's checkbox: checked, unchecked or none.
  std::vector<RowCheck> Checks() const;

  // Inserts a row at `index` with `name` as its text; the row's index, -1
  // when the list refused it.
  int InsertRow(int index, const std::u16string& name);
  // Ask for a state image: 0 no checkbox, 1 unchecked, 2 checked. The
  // list's item-changing rule may refuse.
  void SetStateImage(int row, unsigned image);
  void SetText(int row, int column, const std::u16string& text);
  std::u16string Text(int row, int column) const;
  void DeleteRow(int row);

 private:
  HWND list_ = nullptr;
};

// The state image index (0 none, 1 unchecked, 2 checked) of a state word.
unsigned StateImageOf(UINT state);

}  // namespace pf
