#include "wizard/app_message.h"

#include "engine/package_names.h"
#include "platform/text.h"
#include "resources/resource.h"
#include "wizard/ui_hooks.h"

namespace pf {

std::u16string AppTitle() {
  const wchar_t* text = nullptr;
  // Length 0 asks for a read-only pointer into the resource itself.
  int length =
      LoadStringW(GetModuleHandleW(nullptr), IDS_APP_TITLE, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || !text) return std::u16string(kAppTitle);
  return FromWide(std::wstring_view(text, static_cast<std::size_t>(length)));
}

UINT MessageIconFlags(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kExclamation:
      return MB_ICONEXCLAMATION;
    case MessageIcon::kInformation:
      return MB_ICONINFORMATION;
    case MessageIcon::kError:
      return MB_ICONERROR;
    case MessageIcon::kNone:
      break;
  }
  return 0;
}

int ShowAppMessage(HWND owner, std::u16string_view text, MessageIcon icon, UINT buttons) {
  return ui::ShowMessageBox(owner, std::u16string(text), AppTitle(),
                            buttons | MessageIconFlags(icon));
}

int ShowAppMessage(HWND owner, const UserMessage& message, UINT buttons) {
  return ShowAppMessage(owner, message.text, message.icon, buttons);
}

}  // namespace pf
