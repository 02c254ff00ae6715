#include "tests/win/page_driver.h"

#include <prsht.h>

#include <stdexcept>

#include "platform/text.h"
#include "tests/win/wizard_harness.h"
#include "wizard/framework/data_exchange.h"

namespace pf::test {

BuildRecorder::BuildRecorder() {
  build_ =
      ui::SetBuildHook([this](std::u16string programFolder, std::int32_t noOfFiles,
                              std::vector<std::u16string> dataFiles, std::u16string driverFilePath,
                              std::u16string outputFilepath, std::u16string outputFileName,
                              std::vector<std::int32_t> decompressFlags, std::u16string,
                              std::u16string, std::u16string, std::int32_t, std::u16string) {
        calls.push_back({programFolder, noOfFiles, dataFiles, driverFilePath, outputFilepath,
                         outputFileName, decompressFlags});
        return result;
      });
  worker_ = ui::SetStartWorkerHook([](std::function<void()> work) {
    work();
    return true;
  });
}

BuildRecorder::~BuildRecorder() {
  ui::SetBuildHook(std::move(build_));
  ui::SetStartWorkerHook(std::move(worker_));
}

WizardUnderTest::WizardUnderTest() {
  PrepareControls();
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
