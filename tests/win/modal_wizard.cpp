#include "tests/win/modal_wizard.h"

#include <gtest/gtest.h>

#include <prsht.h>

#include <thread>

#include "wizard/framework/data_exchange.h"

namespace pf::test {
namespace {

constexpr UINT kInvokeMessage = WM_APP + 0x2A0;
constexpr wchar_t kInvokerClass[] = L"PackforgeTestInvoker";
// A key nothing in the wizard answers: when its release has been taken from
// the queue, every key sent before it has been handled.
constexpr WORD kSentinelKey = VK_F24;

INPUT Key(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

}  // namespace

std::atomic<int> ModalWizard::sentinels_{0};

ModalWizard::ModalWizard() {
  PrepareControls();
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = &ModalWizard::Invoke;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kInvokerClass;
  RegisterClassW(&windowClass);  // fails harmlessly when already registered
  invoker_ = CreateWindowW(kInvokerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  sentinelHook_ =
      SetWindowsHookExW(WH_GETMESSAGE, &ModalWizard::SeeSentinel, nullptr, GetCurrentThreadId());
  ui::SetBuildHook([this](std::u16string programFolder, std::int32_t noOfFiles,
                          std::vector<std::u16string> dataFiles, std::u16string driverFilePath,
                          std::u16string outputFilepath, std::u16string outputFileName,
                          std::vector<std::int32_t> decompressFlags, std::u16string iconFilePath,
                          std::u16string aboutMessage, std::u16string aboutTitle,
                          std::int32_t extractFolderOption, std::u16string password) {
    std::lock_guard lock(buildsMutex_);
    builds_.push_back({programFolder, noOfFiles, dataFiles, driverFilePath, outputFilepath,
                       outputFileName, decompressFlags, iconFilePath, aboutMessage, aboutTitle,
                       extractFolderOption, password});
    return true;
  });
  ui::SetStartWorkerHook([](std::function<void()> work) {
    work();
    return true;
  });
}

ModalWizard::~ModalWizard() {
  ui::SetBuildHook({});
  ui::SetStartWorkerHook({});
  if (sentinelHook_) UnhookWindowsHookEx(sentinelHook_);
  if (invoker_) DestroyWindow(invoker_);
}

LRESULT CALLBACK ModalWizard::Invoke(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kInvokeMessage) {
    (*reinterpret_cast<const std::function<void()>*>(lParam))();
    return 1;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK ModalWizard::SeeSentinel(int code, WPARAM removal, LPARAM lParam) {
  if (code == HC_ACTION && removal == PM_REMOVE) {
    const MSG& message = *reinterpret_cast<const MSG*>(lParam);
    if (message.message == WM_KEYUP && message.wParam == kSentinelKey) ++sentinels_;
  }
  return CallNextHookEx(nullptr, code, removal, lParam);
}

void ModalWizard::Run(const std::function<void()>& script) {
  std::thread driver([&] {
    bool opened = WaitUntil([&] {
      OnUi([&] { sheet_ = wizard.sheet.hwnd(); });
      return SheetOpen();
    });
    EXPECT_TRUE(opened) << "the wizard never opened";
    if (opened) script();
    if (SheetOpen()) {
      closedByHarness = true;
      PostMessageW(sheet_, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    }
  });
  wizard.sheet.DoModal();
  driver.join();
  // Keys sent after the run ended must not reach the next test's windows.
  MSG left;
  while (PeekMessageW(&left, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
  }
}

void ModalWizard::OnUi(const std::function<void()>& work) {
  // Once the run has ended nobody would answer.
  ASSERT_FALSE(sheet_ && !SheetOpen()) << "the wizard has closed";
  DWORD_PTR answer = 0;
  LRESULT delivered = SendMessageTimeoutW(
      invoker_, kInvokeMessage, 0, reinterpret_cast<LPARAM>(&work), SMTO_NORMAL, 10000, &answer);
  ASSERT_NE(delivered, 0) << "the wizard's thread did not answer";
}

bool ModalWizard::SheetOpen() {
  return sheet_ && IsWindow(sheet_) && IsWindowVisible(sheet_);
}

int ModalWizard::ActiveIndex() {
  int index = -1;
  OnUi([&] { index = wizard.sheet.ActiveIndex(); });
  return index;
}

HWND ModalWizard::Item(int page, int id) {
  HWND item = nullptr;
  OnUi([&] {
    auto pageWindow = reinterpret_cast<HWND>(SendMessageW(sheet_, PSM_INDEXTOHWND, page, 0));
    item = GetDlgItem(pageWindow, id);
  });
  return item;
}

void ModalWizard::Focus(int page, int id) {
  HWND item = Item(page, id);
  ASSERT_NE(item, nullptr) << "no control " << id << " on page " << page;
  OnUi([&] {
    SetForegroundWindow(sheet_);
    SetFocus(item);
  });
  ASSERT_EQ(GetWindowThreadProcessId(item, nullptr), GetWindowThreadProcessId(invoker_, nullptr));
}

void ModalWizard::SetText(int page, int id, const std::u16string& text) {
  HWND item = Item(page, id);
  OnUi([&] { ui::SetItemText(GetParent(item), id, text); });
}

std::u16string ModalWizard::Text(int page, int id) {
  HWND item = Item(page, id);
  std::u16string text;
  OnUi([&] { text = ui::ItemText(GetParent(item), id); });
  return text;
}

bool ModalWizard::Checked(int page, int id) {
  return SendMessageW(Item(page, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool ModalWizard::Enabled(int page, int id) {
  return IsWindowEnabled(Item(page, id)) != FALSE;
}

void ModalWizard::Send(std::vector<INPUT> inputs) {
  int before = sentinels_;
  inputs.push_back(Key(kSentinelKey, false));
  inputs.push_back(Key(kSentinelKey, true));
  UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  ASSERT_EQ(sent, inputs.size());
  // A key that ends the modal run leaves the rest unread until the next one.
  ASSERT_TRUE(WaitUntil([&] { return sentinels_ > before || !SheetOpen(); }))
      << "the key events never arrived";
}

void ModalWizard::Press(WORD key) {
  Send({Key(key, false), Key(key, true)});
}

void ModalWizard::Alt(char letter) {
  WORD key = static_cast<WORD>(letter >= 'a' && letter <= 'z' ? letter - 'a' + 'A' : letter);
  Send({Key(VK_MENU, false), Key(key, false), Key(key, true), Key(VK_MENU, true)});
}

void ModalWizard::Type(const std::u16string& text) {
  std::vector<INPUT> inputs;
  for (char16_t c : text) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = c;
    input.ki.dwFlags = KEYEVENTF_UNICODE;
    inputs.push_back(input);
    input.ki.dwFlags |= KEYEVENTF_KEYUP;
    inputs.push_back(input);
  }
  Send(std::move(inputs));
}

bool ModalWizard::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

std::vector<BuildCall> ModalWizard::builds() {
  std::lock_guard lock(buildsMutex_);
  return builds_;
}

}  // namespace pf::test
