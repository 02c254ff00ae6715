// wizard_remote: drives a running Packforge.exe from outside, for the
// screenshot script. Every command waits for the window it needs and fails
// (exit 1) when it never appears; geometry is printed as WxH+X+Y.
//
//   wizard_remote wait          the wizard's sheet is up
//   wizard_remote page N        show page N (as the pages' buttons do)
//   wizard_remote about N       click page N's "Aboutme" link; the about box
//   wizard_remote close-about   press OK in the about box
//   wizard_remote finish N      press page N's Finish (the build starts)
//   wizard_remote close         close the sheet (the program ends)
#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "resources/resource.h"

namespace {

constexpr wchar_t kSheetCaption[] = L"Kelo Self Extractor";
constexpr wchar_t kAboutCaption[] = L"About Kelo Self Extractor";

template <class Found>
auto WaitFor(Found found) -> decltype(found()) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  for (;;) {
    if (auto result = found()) return result;
    if (std::chrono::steady_clock::now() > deadline) return {};
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

HWND FindTopLevel(const wchar_t* caption) {
  HWND window = FindWindowW(nullptr, caption);
  return window && IsWindowVisible(window) ? window : nullptr;
}

int PrintGeometry(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  std::printf("%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
  return 0;
}

int Fail(const char* what) {
  std::fprintf(stderr, "wizard_remote: %s\n", what);
  return 1;
}

HWND ActivePage(HWND sheet) {
  return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

int ActiveIndex(HWND sheet) {
  HWND page = ActivePage(sheet);
  if (!page) return -1;
  return static_cast<int>(SendMessageW(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return Fail("usage: wizard_remote wait|page N|about N|close-about|close");
  std::wstring command = argv[1];
  int index = argc > 2 ? _wtoi(argv[2]) : 0;
  HWND sheet = WaitFor([] { return FindTopLevel(kSheetCaption); });
  if (!sheet) return Fail("the wizard never opened");

  if (command == L"wait") return PrintGeometry(sheet);
  if (command == L"page") {
    SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
    if (!WaitFor([&] { return ActiveIndex(sheet) == index; })) return Fail("page not shown");
    // Let it paint before the picture is taken.
    RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    return PrintGeometry(sheet);
  }
  if (command == L"about") {
    const int links[] = {IDK_HOME_ABOUTME, IDK_ICON_ABOUTME, IDK_PASSWORD_ABOUTME, IDK_RUN_ABOUTME};
    if (index < 0 || index > 3) return Fail("no such page");
    SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
    HWND link = GetDlgItem(ActivePage(sheet), links[index]);
    if (!link) return Fail("no Aboutme link");
    PostMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 5));
    PostMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(3, 5));
    HWND about = WaitFor([] { return FindTopLevel(kAboutCaption); });
    if (!about) return Fail("the about box never opened");
    return PrintGeometry(about);
  }
  if (command == L"finish") {
    const int finishButtons[] = {IDB_HOME_FINISH, IDB_ICON_FINISH, IDB_PASSWORD_FINISH,
                                 IDB_RUN_FINISH};
    if (index < 0 || index > 3) return Fail("no such page");
    SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
    HWND button = GetDlgItem(ActivePage(sheet), finishButtons[index]);
    if (!button) return Fail("no Finish button");
    PostMessageW(button, BM_CLICK, 0, 0);
    return 0;
  }
  if (command == L"close-about") {
    HWND about = WaitFor([] { return FindTopLevel(kAboutCaption); });
    if (!about) return Fail("no about box");
    PostMessageW(about, WM_COMMAND, IDOK, 0);
    return 0;
  }
  if (command == L"close") {
    PostMessageW(sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
  }
  return Fail("unknown command");
}
