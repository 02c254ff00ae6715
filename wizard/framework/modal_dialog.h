// A dialog run modally from a template of the program's own resources.
#pragma once
#include "wizard/framework/dialog.h"

namespace pf::ui {

class ModalDialog : public Dialog {
 public:
  explicit ModalDialog(int templateId) : templateId_(templateId) {}
  // Runs the dialog; returns the code it ended with, -1 when it could not
  // be created.
  INT_PTR DoModal(HWND owner);

 protected:
  // OK and Cancel end the dialog with their id.
  bool OnCommand(int id, int code, HWND control) override;

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  int templateId_;
};

}  // namespace pf::ui
