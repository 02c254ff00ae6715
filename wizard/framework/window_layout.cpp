#include "wizard/framework/window_layout.h"

namespace pf::ui {

void CenterOnWorkArea(HWND window) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
  RECT frame;
  if (!GetWindowRect(window, &frame)) return;
  const RECT& area = monitor.rcWork;
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  int left = area.left + (area.right - area.left - width) / 2;
  int top = area.top + (area.bottom - area.top - height) / 2;
  SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace pf::ui
