#include "wizard/data_files_list.h"

#include <commctrl.h>

#include <array>

#include "platform/text.h"

namespace pf {
namespace {

struct Column {
  const wchar_t* heading;
  int format;
  int width;
};

// The first column asks for centred text; a list view never centres its
// first column, so the heading keeps its own leading blanks.
constexpr std::array<Column, 4> kColumns = {{
    {L"       FileName", LVCFMT_CENTER, 150},
    {L"Size(in bytes)", LVCFMT_LEFT, 95},
    {L"Type", LVCFMT_LEFT, 60},
    {L"Modified", LVCFMT_LEFT, 132},
}};

}  // namespace

unsigned StateImageOf(UINT state) {
  return (state & LVIS_STATEIMAGEMASK) >> 12;
}

void DataFilesList::SetUp() {
  for (std::size_t i = 0; i < kColumns.size(); ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = kColumns[i].format;
    column.cx = kColumns[i].width;
    column.pszText = const_cast<wchar_t*>(kColumns[i].heading);
    column.iSubItem = static_cast<int>(i);
    SendMessageW(list_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
  DWORD styles = LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
  SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, styles, styles);
}

int DataFilesList::Count() const {
  return static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
}

int DataFilesList::SelectedCount() const {
  return static_cast<int>(SendMessageW(list_, LVM_GETSELECTEDCOUNT, 0, 0));
}

std::vector<int> DataFilesList::SelectedRows() const {
  std::vector<int> rows;
  int count = Count();
  for (int row = 0; row < count; ++row) {
    if (SendMessageW(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) &
        LVIS_SELECTED)
      rows.push_back(row);
  }
  return rows;
}

std::vector<RowCheck> DataFilesList::Checks() const {
  std::vector<RowCheck> checks;
  int count = Count();
  for (int row = 0; row < count; ++row) {
    auto state = static_cast<UINT>(
        SendMessageW(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
    switch (StateImageOf(state)) {
      case 2:
        checks.push_back(RowCheck::kChecked);
        break;
      case 1:
        checks.push_back(RowCheck::kUnchecked);
        break;
      default:
        checks.push_back(RowCheck::kNone);
        break;
    }
  }
  return checks;
}

int DataFilesList::InsertRow(int index, const std::u16string& name) {
  std::wstring text = ToWide(name);
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = index;
  item.pszText = text.data();
  return static_cast<int>(SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void DataFilesList::SetStateImage(int row, unsigned image) {
  LVITEMW item{};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(image);
  SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void DataFilesList::SetText(int row, int column, const std::u16string& text) {
  std::wstring wide = ToWide(text);
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = wide.data();
  SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::u16string DataFilesList::Text(int row, int column) const {
  std::wstring buffer(1024, L'\0');
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = buffer.data();
  item.cchTextMax = static_cast<int>(buffer.size());
  auto length = static_cast<std::size_t>(SendMessageW(
      list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
  buffer.resize(length);
  return FromWide(buffer);
}

void DataFilesList::DeleteRow(int row) {
  SendMessageW(list_, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
}

}  // namespace pf
