#include "wizard/framework/data_exchange.h"

#include "platform/text.h"

namespace pf::ui {

std::u16string WindowText(HWND window) {
  int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return FromWide(text);
}

std::u16string ItemText(HWND dialog, int id) {
  return WindowText(GetDlgItem(dialog, id));
}

void SetItemText(HWND dialog, int id, std::u16string_view text) {
  SetDlgItemTextW(dialog, id, ToWide(text).c_str());
}

void DataExchange::Text(int id, std::u16string& field) {
  if (saving_) {
    field = ItemText(dialog_, id);
  } else {
    SetItemText(dialog_, id, field);
  }
}

void DataExchange::Check(int id, std::int32_t& field) {
  if (saving_) {
    field = static_cast<std::int32_t>(IsDlgButtonChecked(dialog_, id));
  } else {
    CheckDlgButton(dialog_, id, static_cast<UINT>(field));
  }
}

}  // namespace pf::ui
