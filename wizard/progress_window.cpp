#include "wizard/progress_window.h"

#include <windows.h>

#include <commctrl.h>

#include "compress/work_folder.h"
#include "engine/output_sink.h"
#include "platform/win32/unique_handle.h"
#include "resources/resource.h"
#include "wizard/ui_hooks.h"

namespace pf {
namespace {

inline constexpr DWORD kPollMilliseconds = 40;

// Its Cancel, any other command and its close box end the program at once,
// after removing the build's partial output.
INT_PTR CALLBACK ProgressProcedure(HWND /*window*/, UINT message, WPARAM /*wParam*/,
                                   LPARAM /*lParam*/) {
  if (message == WM_CLOSE || message == WM_COMMAND) {
    CancelOutputs();
    RemoveWorkFoldersNow();
    ui::ExitProcessNow(0);
    return TRUE;
  }
  return FALSE;
}

bool Completed(const std::atomic<int>& completed) {
  return completed.load(std::memory_order_acquire) != 0;
}

// Re-centred, re-shown and reset every cycle.
void Refresh(HWND dialog, HWND bar) {
  SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  SendMessageW(bar, PBM_SETPOS, 0, 0);
  RECT frame;
  GetWindowRect(dialog, &frame);
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  MoveWindow(dialog, (GetSystemMetrics(SM_CXFULLSCREEN) - width) / 2,
             (GetSystemMetrics(SM_CYFULLSCREEN) - height) / 2, width, height, TRUE);
  ShowWindow(dialog, SW_SHOW);
  SetWindowLongPtrW(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&ProgressProcedure));
}

}  // namespace

int RunProgressWindow(const std::atomic<int>& completed) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  // No owner and, until the first cycle, no dialog procedure.
  win::unique_hwnd dialog(
      CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_PROGRESS), nullptr, nullptr, 0));
  HWND bar = nullptr;
  if (dialog) {
    bar = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE | PBS_MARQUEE, 30, 30,
                          325, 20, dialog.get(),
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDPB_PROGRESS)), instance,
                          nullptr);
  }
  if (Completed(completed)) return 1;
  for (;;) {
    // Without its window the wait still ends with the build.
    if (dialog) Refresh(dialog.get(), bar);
    Sleep(kPollMilliseconds);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (Completed(completed)) return 1;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (Completed(completed)) return 1;
  }
}

}  // namespace pf
