// In-process driving of the wizard's windows: every message box, process
// exit and shell call is recorded instead of happening, windows are waited
// for (never slept for), and the sheet is created modelessly.
#pragma once
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "wizard/ui_hooks.h"

namespace pf::test {

struct RecordedBox {
  std::u16string text;
  std::u16string caption;
  UINT type = 0;
  bool operator==(const RecordedBox&) const = default;
};

// Replaces the UI hooks for its lifetime. Message boxes answer from
// `answers` in order (IDOK once it is empty); ShellExecute answers through
// `shell` (a "not found" 2 unless set); the file-open dialog and the folder
// chooser answer from `fileOpenAnswers` and `folderAnswers` in order, and
// as cancelled once they are empty.
class UiRecorder {
 public:
  UiRecorder();
  ~UiRecorder();
  UiRecorder(const UiRecorder&) = delete;
  UiRecorder& operator=(const UiRecorder&) = delete;

  std::vector<RecordedBox> boxes() const;
  std::vector<UINT> exits() const;
  std::vector<std::u16string> shellCalls() const;
  std::vector<ui::FileOpenOptions> fileOpenCalls() const;
  // The titles the folder chooser was shown with.
  std::vector<std::u16string> folderCalls() const;
  // "box:<text>" and "exit:<code>" in the order they happened.
  std::vector<std::string> events() const;
  // Waits (from any thread) until a process exit has been recorded.
  bool WaitForExit(std::chrono::milliseconds timeout) const;

  std::deque<int> answers;
  std::deque<std::vector<std::u16string>> fileOpenAnswers;
  std::deque<std::optional<std::u16string>> folderAnswers;
  std::function<INT_PTR(const std::u16string&)> shell = [](const std::u16string&) {
    return INT_PTR{2};
  };

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<RecordedBox> boxes_;
  std::vector<UINT> exits_;
  std::vector<std::u16string> shellCalls_;
  std::vector<ui::FileOpenOptions> fileOpenCalls_;
  std::vector<std::u16string> folderCalls_;
  std::vector<std::string> events_;
  ui::MessageBoxHook oldBox_;
  ui::ExitProcessHook oldExit_;
  ui::OpenShellHook oldShell_;
  ui::FileOpenHook oldFileOpen_;
  ui::ChooseFolderHook oldFolder_;
};

// Registers the control classes the templates use, once per process.
void PrepareControls();

// Dispatches every message waiting for this thread.
void PumpMessages();
// Pumps this thread's messages until `done` holds or `timeout` passes;
// returns whether it held. Waits on the message queue, not a fixed sleep.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Presses a button the way a click does (BM_CLICK), then pumps.
void Click(HWND dialog, int id);
// Clicks the link text of a SysLink control with the mouse messages.
void ClickLink(HWND link);

// A visible top-level window of this process with this caption, or null.
HWND FindVisibleWindow(const std::u16string& caption);
std::u16string TextOf(HWND window);
std::u16string ClassOf(HWND window);

// Calls `onOpen` with each top-level window of this thread as it is
// activated (HCBT_ACTIVATE), for dialogs that run their own modal loop.
class ActivationWatcher {
 public:
  explicit ActivationWatcher(std::function<void(HWND)> onOpen);
  ~ActivationWatcher();
  ActivationWatcher(const ActivationWatcher&) = delete;
  ActivationWatcher& operator=(const ActivationWatcher&) = delete;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  HHOOK hook_ = nullptr;
  std::function<void(HWND)> onOpen_;
};

// Records the captions of the windows of this thread that are shown.
class ShowWatcher {
 public:
  ShowWatcher();
  ~ShowWatcher();
  ShowWatcher(const ShowWatcher&) = delete;
  ShowWatcher& operator=(const ShowWatcher&) = delete;
  bool Shown(const std::u16string& caption) const;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  HHOOK hook_ = nullptr;
  std::vector<std::u16string> shown_;
};

}  // namespace pf::test
