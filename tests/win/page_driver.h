// What a page's own tests need besides the frame's harness: the file and
// folder choosers answered from a script, the build recorded and run
// inline, and the real four-page wizard created modelessly.
#pragma once
#include <windows.h>

#include <deque>
#include <memory>
#include <optional>
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

// Replaces the choosers, the build and the worker start for its lifetime.
class ChooserAndBuildRecorder {
 public:
  ChooserAndBuildRecorder();
  ~ChooserAndBuildRecorder();
  ChooserAndBuildRecorder(const ChooserAndBuildRecorder&) = delete;
  ChooserAndBuildRecorder& operator=(const ChooserAndBuildRecorder&) = delete;

  // What the open-file dialog returns next (nothing: cancelled), and the
  // options it was shown with.
  std::deque<std::vector<std::u16string>> fileSelections;
  std::vector<ui::FileOpenOptions> fileOpenCalls;
  // The folder chooser's answer and the titles it was shown with.
  std::optional<std::u16string> chosenFolder;
  std::vector<std::u16string> folderTitles;
  // Builds asked for; each returns `buildResult`. The worker runs inline,
  // so a build has completed before the progress window would wait.
  std::vector<BuildCall> builds;
  bool buildResult = true;

 private:
  ui::FileOpenHook fileOpen_;
  ui::ChooseFolderHook chooseFolder_;
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
