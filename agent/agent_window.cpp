#include "agent/agent_window.h"

#include <commctrl.h>
#include <shlobj.h>

#include <thread>

#include "agent/agent_resources.h"
#include "engine/package_names.h"
#include "platform/text.h"
#include "platform/win32/unique_handle.h"

namespace pf::agent {
namespace {

constexpr UINT kMsgProgress = WM_APP + 1;   // wParam: done, in thousandths
constexpr UINT kMsgUnpacking = WM_APP + 2;  // the status line says so
constexpr UINT kMsgDone = WM_APP + 3;
constexpr int kIdStatus = 100;
constexpr int kIdBar = 101;
constexpr int kBarRange = 1000;

// The common controls are loaded only when a window is shown: their start-up
// asks for the desktop, which an unattended run has no use for (under Wine
// that starts a desktop process on every run).
void LoadProgressControl() {
  static pf::win::unique_hmodule library(LoadLibraryW(L"comctl32.dll"));
  using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  auto init = library ? reinterpret_cast<InitFn>(reinterpret_cast<void*>(
                            GetProcAddress(library.get(), "InitCommonControlsEx")))
                      : nullptr;
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
  if (init) init(&controls);
}

std::wstring Title() {
  return ToWide(kAppTitle);
}

struct PasswordState {
  std::wstring typed;
};

INT_PTR CALLBACK PasswordProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      SetFocus(GetDlgItem(dialog, IDE_PASSWORD));
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        auto* state = reinterpret_cast<PasswordState*>(GetWindowLongPtrW(dialog, DWLP_USER));
        HWND edit = GetDlgItem(dialog, IDE_PASSWORD);
        std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(
            GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
        state->typed = text;
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

int CALLBACK BrowseProc(HWND window, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED) SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

// The progress window's state, shared with its worker through messages.
struct ProgressWindow {
  HWND window = nullptr;
  HWND status = nullptr;
  HWND bar = nullptr;
  HWND cancelButton = nullptr;
  std::atomic<bool>* cancel = nullptr;
  bool done = false;
};

LRESULT CALLBACK ProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_CREATE: {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      return 0;
    }
    case WM_COMMAND:
      if (self && LOWORD(wParam) == IDCANCEL) {
        *self->cancel = true;
        EnableWindow(self->cancelButton, FALSE);
        SetWindowTextW(self->status, L"Cancelling...");
      }
      return 0;
    case WM_CLOSE:
      if (self) SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
      return 0;
    case kMsgProgress:
      if (self) SendMessageW(self->bar, PBM_SETPOS, wParam, 0);
      return 0;
    case kMsgUnpacking:
      if (self && !*self->cancel) SetWindowTextW(self->status, L"Unpacking...");
      return 0;
    case kMsgDone:
      if (self) self->done = true;
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

class PostingSink : public ProgressSink {
 public:
  explicit PostingSink(HWND window) : window_(window) {}
  void Bytes(std::uint64_t done, std::uint64_t total) override {
    auto permille = static_cast<WPARAM>(total == 0 ? kBarRange : done * kBarRange / total);
    if (permille == last_) return;
    last_ = permille;
    PostMessageW(window_, kMsgProgress, permille, 0);
  }
  void Unpacking(const std::wstring&) override { PostMessageW(window_, kMsgUnpacking, 0, 0); }

 private:
  HWND window_;
  WPARAM last_ = static_cast<WPARAM>(-1);
};

}  // namespace

std::optional<std::wstring> AskPassword(HINSTANCE instance) {
  PasswordState state;
  INT_PTR r = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_PASSWORD), nullptr, PasswordProc,
                              reinterpret_cast<LPARAM>(&state));
  if (r != IDOK) return std::nullopt;
  return state.typed;
}

std::optional<std::wstring> ChooseFolder(const std::wstring& preset) {
  // The chooser can only select a folder that exists: make the preset for
  // as long as it is shown, and take it away again unless it was chosen.
  bool made = CreateDirectoryW(preset.c_str(), nullptr) != FALSE;
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  BROWSEINFOW info{};
  info.lpszTitle = L"Choose the folder to extract the files into.";
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = BrowseProc;
  info.lParam = reinterpret_cast<LPARAM>(preset.c_str());
  std::optional<std::wstring> chosen;
  if (PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&info)) {
    std::wstring path(MAX_PATH, L'\0');
    if (SHGetPathFromIDListW(list, path.data())) {
      path.resize(wcslen(path.c_str()));
      chosen = path;
    }
    CoTaskMemFree(list);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  if (made && (!chosen || _wcsicmp(chosen->c_str(), preset.c_str()) != 0))
    RemoveDirectoryW(preset.c_str());
  return chosen;
}

ExtractionResult RunWithProgress(HINSTANCE instance,
                                 const std::function<ExtractionResult(ProgressSink&)>& work,
                                 std::atomic<bool>& cancel) {
  LoadProgressControl();
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof(cls);
  cls.lpfnWndProc = ProgressProc;
  cls.hInstance = instance;
  cls.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  cls.lpszClassName = L"PackforgeAgentProgress";
  cls.hIcon = LoadIconW(instance, L"MAINICON");
  RegisterClassExW(&cls);

  ProgressWindow state;
  state.cancel = &cancel;
  std::wstring title = Title();
  state.window =
      CreateWindowExW(0, cls.lpszClassName, title.c_str(), WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                      CW_USEDEFAULT, CW_USEDEFAULT, 420, 150, nullptr, nullptr, instance, &state);
  if (!state.window) {
    NoProgress none;
    return work(none);
  }
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  state.status =
      CreateWindowExW(0, L"STATIC", L"Extracting...", WS_CHILD | WS_VISIBLE, 15, 12, 380, 18,
                      state.window, reinterpret_cast<HMENU>(kIdStatus), instance, nullptr);
  state.bar =
      CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE | PBS_SMOOTH, 15, 36, 375,
                      20, state.window, reinterpret_cast<HMENU>(kIdBar), instance, nullptr);
  state.cancelButton = CreateWindowExW(
      0, L"BUTTON", L"Cancel", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 305, 70, 85,
      25, state.window, reinterpret_cast<HMENU>(IDCANCEL), instance, nullptr);
  for (HWND child : {state.status, state.cancelButton})
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  SendMessageW(state.bar, PBM_SETRANGE32, 0, kBarRange);
  ShowWindow(state.window, SW_SHOWNORMAL);

  ExtractionResult result;
  PostingSink sink(state.window);
  HWND window = state.window;
  std::thread worker([&] {
    result = work(sink);
    PostMessageW(window, kMsgDone, 0, 0);
  });
  MSG msg;
  while (!state.done && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(state.window, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  worker.join();
  DestroyWindow(state.window);
  return result;
}

void ShowInfo(const std::wstring& text) {
  MessageBoxW(nullptr, text.c_str(), Title().c_str(), MB_OK | MB_ICONINFORMATION);
}

void ShowError(const std::wstring& text) {
  MessageBoxW(nullptr, text.c_str(), Title().c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace pf::agent
