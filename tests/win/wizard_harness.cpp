#include "tests/win/wizard_harness.h"

#include <prsht.h>

#include <stdexcept>

#include "platform/text.h"
#include "wizard/framework/data_exchange.h"

namespace pf::test {

UiRecorder::UiRecorder() {
  messageBox_ = ui::SetMessageBoxHook(
      [this](HWND, const std::u16string& text, const std::u16string& caption, UINT type) {
        boxes.push_back({text, caption, type});
        if (!answers.empty()) {
          int answer = answers.front();
          answers.pop_front();
          return answer;
        }
        return (type & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
      });
  exit_ = ui::SetExitProcessHook([this](UINT code) { exitCodes.push_back(code); });
  shell_ = ui::SetOpenShellHook([this](const std::u16string& file) -> INT_PTR {
    shellOpened.push_back(file);
    return 42;
  });
  fileOpen_ = ui::SetFileOpenHook([this](HWND, const ui::FileOpenOptions& options) {
    fileOpenCalls.push_back(options);
    std::vector<std::u16string> chosen;
    if (!fileSelections.empty()) {
      chosen = fileSelections.front();
      fileSelections.pop_front();
    }
    return chosen;
  });
  chooseFolder_ =
      ui::SetChooseFolderHook([this](const std::u16string& title, const std::u16string&) {
        folderTitles.push_back(title);
        return chosenFolder;
      });
  build_ =
      ui::SetBuildHook([this](std::u16string programFolder, std::int32_t noOfFiles,
                              std::vector<std::u16string> dataFiles, std::u16string driverFilePath,
                              std::u16string outputFilepath, std::u16string outputFileName,
                              std::vector<std::int32_t> decompressFlags, std::u16string,
                              std::u16string, std::u16string, std::int32_t, std::u16string) {
        builds.push_back({programFolder, noOfFiles, dataFiles, driverFilePath, outputFilepath,
                          outputFileName, decompressFlags});
        return buildResult;
      });
  // Inline: the build has completed before the progress window would wait.
  worker_ = ui::SetStartWorkerHook([](std::function<void()> work) {
    work();
    return true;
  });
}

UiRecorder::~UiRecorder() {
  ui::SetMessageBoxHook(std::move(messageBox_));
  ui::SetExitProcessHook(std::move(exit_));
  ui::SetOpenShellHook(std::move(shell_));
  ui::SetFileOpenHook(std::move(fileOpen_));
  ui::SetChooseFolderHook(std::move(chooseFolder_));
  ui::SetBuildHook(std::move(build_));
  ui::SetStartWorkerHook(std::move(worker_));
}

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

WizardUnderTest::WizardUnderTest() {
  InitWizardCommonControls();
  richEdit_ = LoadRichEditLibrary();
  wizard_ = std::make_unique<PackforgeWizard>();
  if (!wizard_->sheet.Create()) throw std::runtime_error("the wizard sheet was not created");
  PumpMessages();
}

HWND WizardUnderTest::page(int index) const {
  return reinterpret_cast<HWND>(
      SendMessageW(sheet(), PSM_INDEXTOHWND, static_cast<WPARAM>(index), 0));
}

void WizardUnderTest::Click(int id) {
  HWND control = Item(id);
  if (!control) throw std::runtime_error("no such control on the page shown");
  SendMessageW(control, BM_CLICK, 0, 0);
  PumpMessages();
}

void WizardUnderTest::SetText(int id, const std::u16string& text) {
  SendMessageW(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ToWide(text).c_str()));
}

std::u16string WizardUnderTest::Text(int id) const {
  return ui::WindowText(Item(id));
}

}  // namespace pf::test
