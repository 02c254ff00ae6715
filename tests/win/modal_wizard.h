// The real wizard run modally on the test's thread, in PropertySheetW's own
// message loop as the program runs it, and driven from a second thread
// with key events from SendInput: what the dialog manager does with Enter,
// Escape and the mnemonics is part of every test that uses it. Message
// boxes, process exits, the file and folder choosers and the build are
// recorded instead of happening.
#pragma once
#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "tests/win/page_driver.h"
#include "tests/win/wizard_harness.h"
#include "wizard/packforge_wizard.h"

namespace pf::test {

class ModalWizard {
 public:
  ModalWizard();
  ~ModalWizard();
  ModalWizard(const ModalWizard&) = delete;
  ModalWizard& operator=(const ModalWizard&) = delete;

  // Runs the wizard modally here and `script` on a driver thread; returns
  // when the modal run has ended (the script's end closes a sheet still
  // open). Whether the script had to close it is `closedByHarness`.
  void Run(const std::function<void()>& script);
  bool closedByHarness = false;

  // --- for the script (driver thread) ---

  // Runs `work` on the wizard's thread, between two of its messages.
  void OnUi(const std::function<void()>& work);
  int ActiveIndex();
  HWND Item(int page, int id);
  // Brings the sheet to the front and the keyboard focus to the control.
  void Focus(int page, int id);
  void SetText(int page, int id, const std::u16string& text);
  std::u16string Text(int page, int id);
  bool Checked(int page, int id);
  bool Enabled(int page, int id);
  // Callable from any thread, also once the modal run has ended.
  bool SheetOpen();
  HWND sheet() const { return sheet_; }

  // Real key events, then waits until the wizard's thread has taken them
  // all from its queue (and handled what they posted).
  void Press(WORD key);
  void Alt(char letter);
  void Type(const std::u16string& text);

  // Waits until `done` holds (polling); false after `timeout`.
  static bool WaitUntil(const std::function<bool()>& done,
                        std::chrono::milliseconds timeout = std::chrono::seconds(10));

  std::vector<BuildCall> builds();

  UiRecorder recorder;
  PackforgeWizard wizard;

 private:
  void Send(std::vector<INPUT> inputs);
  static LRESULT CALLBACK Invoke(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK SeeSentinel(int code, WPARAM removal, LPARAM lParam);

  HWND invoker_ = nullptr;
  std::atomic<HWND> sheet_ = nullptr;
  HHOOK sentinelHook_ = nullptr;
  std::mutex buildsMutex_;
  std::vector<BuildCall> builds_;
  static std::atomic<int> sentinels_;
};

}  // namespace pf::test
