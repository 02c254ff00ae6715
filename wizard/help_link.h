// The "Help" and "Aboutme" links that every page carries.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

namespace pf {

inline constexpr std::u16string_view kManualEntry = u"ZPK USer Manual\\Home.html";

// programFolder + "\ZPK USer Manual\Home.html".
std::u16string ManualPath(const std::u16string& programFolder);
// Opens the manual with the shell; tries the path relative to the current
// folder when the one beside the program fails. Shows nothing either way.
void OpenManual(const std::u16string& programFolder);
// The about box, modal over `owner`.
void ShowAboutBox(HWND owner);

}  // namespace pf
