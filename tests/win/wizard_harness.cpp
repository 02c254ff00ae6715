#include "tests/win/wizard_harness.h"

#include <commctrl.h>

#include "platform/text.h"
#include "wizard/control_libraries.h"

namespace pf::test {

UiRecorder::UiRecorder() {
  oldBox_ = ui::SetMessageBoxHook(
      [this](HWND, const std::u16string& text, const std::u16string& caption, UINT type) {
        std::lock_guard lock(mutex_);
        boxes_.push_back({text, caption, type});
        events_.push_back("box:" + ToUtf8(text));
        changed_.notify_all();
        int answer = IDOK;
        if (!answers.empty()) {
          answer = answers.front();
          answers.pop_front();
        }
        return answer;
      });
  oldExit_ = ui::SetExitProcessHook([this](UINT code) {
    std::lock_guard lock(mutex_);
    exits_.push_back(code);
    events_.push_back("exit:" + std::to_string(code));
    changed_.notify_all();
  });
  oldShell_ = ui::SetOpenShellHook([this](const std::u16string& file) {
    {
      std::lock_guard lock(mutex_);
      shellCalls_.push_back(file);
    }
    return shell(file);
  });
  oldFileOpen_ = ui::SetFileOpenHook([this](HWND, const ui::FileOpenOptions& options) {
    std::lock_guard lock(mutex_);
    fileOpenCalls_.push_back(options);
    std::vector<std::u16string> chosen;
    if (!fileOpenAnswers.empty()) {
      chosen = std::move(fileOpenAnswers.front());
      fileOpenAnswers.pop_front();
    }
    return chosen;
  });
  oldFolder_ = ui::SetChooseFolderHook([this](const std::u16string& title, const std::u16string&) {
    std::lock_guard lock(mutex_);
    folderCalls_.push_back(title);
    std::optional<std::u16string> chosen;
    if (!folderAnswers.empty()) {
      chosen = std::move(folderAnswers.front());
      folderAnswers.pop_front();
    }
    return chosen;
  });
}

UiRecorder::~UiRecorder() {
  ui::SetMessageBoxHook(std::move(oldBox_));
  ui::SetExitProcessHook(std::move(oldExit_));
  ui::SetOpenShellHook(std::move(oldShell_));
  ui::SetFileOpenHook(std::move(oldFileOpen_));
  ui::SetChooseFolderHook(std::move(oldFolder_));
}

std::vector<RecordedBox> UiRecorder::boxes() const {
  std::lock_guard lock(mutex_);
  return boxes_;
}
std::vector<UINT> UiRecorder::exits() const {
  std::lock_guard lock(mutex_);
  return exits_;
}
std::vector<std::u16string> UiRecorder::shellCalls() const {
  std::lock_guard lock(mutex_);
  return shellCalls_;
}
std::vector<ui::FileOpenOptions> UiRecorder::fileOpenCalls() const {
  std::lock_guard lock(mutex_);
  return fileOpenCalls_;
}
std::vector<std::u16string> UiRecorder::folderCalls() const {
  std::lock_guard lock(mutex_);
  return folderCalls_;
}
std::vector<std::string> UiRecorder::events() const {
  std::lock_guard lock(mutex_);
  return events_;
}
bool UiRecorder::WaitForExit(std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [this] { return !exits_.empty(); });
}

void PrepareControls() {
  static RichEditLibrary library = [] {
    InitWizardCommonControls();
    return LoadRichEditLibrary();
  }();
}

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    PumpMessages();
    if (done()) return true;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    // Wakes on the next message, or after a short while for conditions
    // another thread changes.
    MsgWaitForMultipleObjects(
        0, nullptr, FALSE, static_cast<DWORD>(std::min<long long>(left.count(), 20)), QS_ALLINPUT);
  }
}

void Click(HWND dialog, int id) {
  SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
  PumpMessages();
}

void ClickLink(HWND link) {
  RECT area;
  GetClientRect(link, &area);
  LPARAM point = MAKELPARAM(3, (area.bottom - area.top) / 2);
  SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, point);
  SendMessageW(link, WM_LBUTTONUP, 0, point);
  PumpMessages();
}

std::u16string TextOf(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return FromWide(text);
}

std::u16string ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return FromWide(name);
}

namespace {
struct WindowSearch {
  std::wstring caption;
  HWND found = nullptr;
};

BOOL CALLBACK MatchVisibleWindow(HWND window, LPARAM data) {
  auto& search = *reinterpret_cast<WindowSearch*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) && search.caption == text) {
    search.found = window;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

HWND FindVisibleWindow(const std::u16string& caption) {
  WindowSearch search{ToWide(caption)};
  EnumWindows(&MatchVisibleWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

namespace {
thread_local ActivationWatcher* t_activation = nullptr;
thread_local ShowWatcher* t_show = nullptr;
}  // namespace

ActivationWatcher::ActivationWatcher(std::function<void(HWND)> onOpen)
    : onOpen_(std::move(onOpen)) {
  t_activation = this;
  hook_ = SetWindowsHookExW(WH_CBT, &ActivationWatcher::Hook, nullptr, GetCurrentThreadId());
}

ActivationWatcher::~ActivationWatcher() {
  if (hook_) UnhookWindowsHookEx(hook_);
  t_activation = nullptr;
}

LRESULT CALLBACK ActivationWatcher::Hook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && t_activation) t_activation->onOpen_(reinterpret_cast<HWND>(wParam));
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

ShowWatcher::ShowWatcher() {
  t_show = this;
  hook_ = SetWindowsHookExW(WH_CALLWNDPROC, &ShowWatcher::Hook, nullptr, GetCurrentThreadId());
}

ShowWatcher::~ShowWatcher() {
  if (hook_) UnhookWindowsHookEx(hook_);
  t_show = nullptr;
}

bool ShowWatcher::Shown(const std::u16string& caption) const {
  for (const auto& c : shown_) {
    if (c == caption) return true;
  }
  return false;
}

LRESULT CALLBACK ShowWatcher::Hook(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && t_show && call->message == WM_SHOWWINDOW && call->wParam &&
      !GetParent(call->hwnd)) {
    t_show->shown_.push_back(TextOf(call->hwnd));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace pf::test
