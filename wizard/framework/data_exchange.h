// Moves values between a dialog's controls and the fields they stand for.
// One object per exchange: saving copies controls into fields, loading
// copies fields into controls.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace pf::ui {

// The whole text of a window or of a dialog's control.
std::u16string WindowText(HWND window);
std::u16string ItemText(HWND dialog, int id);
void SetItemText(HWND dialog, int id, std::u16string_view text);

class DataExchange {
 public:
  DataExchange(HWND dialog, bool saving) : dialog_(dialog), saving_(saving) {}
  bool saving() const { return saving_; }
  HWND dialog() const { return dialog_; }

  // An edit's (or any control's) text.
  void Text(int id, std::u16string& field);
  // A check box: 0 unchecked, 1 checked, 2 indeterminate.
  void Check(int id, std::int32_t& field);

 private:
  HWND dialog_;
  bool saving_;
};

}  // namespace pf::ui
