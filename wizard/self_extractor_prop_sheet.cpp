#include "wizard/self_extractor_prop_sheet.h"

#include "engine/package_names.h"
#include "platform/os.h"
#include "resources/resource.h"
#include "wizard/framework/window_layout.h"

namespace pf {

CSelfExtractorPropSheet::CSelfExtractorPropSheet() : ui::PropSheet(std::u16string(kAppTitle)) {}

void CSelfExtractorPropSheet::OnInitDialog() {
  HWND sheet = hwnd();
  HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP));
  SendMessageW(sheet, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));

  SetWindowLongPtrW(sheet, GWL_STYLE, GetWindowLongPtrW(sheet, GWL_STYLE) | WS_MINIMIZEBOX);
  if (HMENU menu = GetSystemMenu(sheet, FALSE)) {
    InsertMenuW(menu, static_cast<UINT>(-1), MF_BYPOSITION | MF_STRING, SC_MINIMIZE, L"Minimize");
  }

  settings.extractFolderOption = 0;

  RECT frame;
  GetWindowRect(sheet, &frame);
  SetWindowPos(sheet, nullptr, 0, 0, frame.right - frame.left - kShrinkWidth,
               frame.bottom - frame.top - kShrinkHeight,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

  if (HWND tab = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0))) {
    RECT area;
    GetWindowRect(tab, &area);
    MapWindowPoints(nullptr, sheet, reinterpret_cast<POINT*>(&area), 2);
    area.right += kTabGrowth;
    area.bottom += kTabGrowth;
    MoveWindow(tab, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
  }

  ui::CenterOnWorkArea(sheet);

  settings.programFolder = os::ExecutableFolder();
}

}  // namespace pf
