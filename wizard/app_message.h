// The wizard's message boxes: the application title as caption, OK (or
// Yes and No) and the icon the message names.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

#include "settings/message_icon.h"

namespace pf {

// "Kelo Self Extractor", from the string table.
std::u16string AppTitle();
UINT MessageIconFlags(MessageIcon icon);

// Returns the button pressed.
int ShowAppMessage(HWND owner, std::u16string_view text, MessageIcon icon, UINT buttons = MB_OK);
int ShowAppMessage(HWND owner, const UserMessage& message, UINT buttons = MB_OK);

}  // namespace pf
