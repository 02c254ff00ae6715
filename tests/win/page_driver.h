// What a page's own tests need besides the frame's recorder: the build
// recorded and run inline, and the real four-page wizard created
// modelessly.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "wizard/packforge_wizard.h"
#include "wizard/ui_hooks.h"

namespace pf::test {

struct BuildCall {
  std::u16string programFolder;
  std::int32_t noOfFiles = 0;
  std::vector<std::u16string> dataFiles;
  std::u16string driverFilePath, outputFilepath, outputFileName;
  std::vector<std::int32_t> decompressFlags;
};

// Replaces the build and the worker start for its lifetime: every build
// asked for is recorded and returns `result`. The worker runs inline, so a
// build has completed before the progress window would wait.
class BuildRecorder {
 public:
  BuildRecorder();
  ~BuildRecorder();
  BuildRecorder(const BuildRecorder&) = delete;
  BuildRecorder& operator=(const BuildRecorder&) = delete;

  std::vector<BuildCall> calls;
  bool result = true;

 private:
  ui::BuildHook build_;
  ui::StartWorkerHook worker_;
};

// The program's own sheet and pages, shown modelessly.
class WizardUnderTest {
 public:
  WizardUnderTest();
  HWND sheet() const { return wizard_->sheet.hwnd(); }
  HWND page(int index) const;
  int activeIndex() const { return wizard_->sheet.ActiveIndex(); }
  BuildSettings& settings() { return wizard_->sheet.settings; }

  // A control of the page shown.
  HWND Item(int id) const { return GetDlgItem(page(activeIndex()), id); }
  // BM_CLICK on a control of the page shown, then the queue is drained.
  void Click(int id);
  void SetText(int id, const std::u16string& text);
  std::u16string Text(int id) const;

 private:
  std::unique_ptr<PackforgeWizard> wizard_;
};

}  // namespace pf::test
