// Drives the real wizard in-process: the sheet runs modelessly on the
// test's thread, every dialog a test cannot click is replaced by a
// recorder, and the build runs inline on that thread.
#pragma once
#include <windows.h>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "wizard/control_libraries.h"
#include "wizard/packforge_wizard.h"
#include "wizard/ui_hooks.h"

namespace pf::test {

struct ShownBox {
  std::u16string text;
  std::u16string caption;
  UINT type = 0;
};

struct BuildCall {
  std::u16string programFolder;
  std::int32_t noOfFiles = 0;
  std::vector<std::u16string> dataFiles;
  std::u16string driverFilePath, outputFilepath, outputFileName;
  std::vector<std::int32_t> decompressFlags;
};

// Puts a recorder in place of every replaceable call; the real ones come
// back when it goes.
class UiRecorder {
 public:
  UiRecorder();
  ~UiRecorder();
  UiRecorder(const UiRecorder&) = delete;
  UiRecorder& operator=(const UiRecorder&) = delete;

  // Message boxes shown, in order; each is answered by the next of
  // `answers`, or IDOK (IDYES for a Yes/No box) when none is left.
  std::vector<ShownBox> boxes;
  std::deque<int> answers;
  // What the open-file dialog returns next (nothing: cancelled), and the
  // options it was shown with.
  std::deque<std::vector<std::u16string>> fileSelections;
  std::vector<ui::FileOpenOptions> fileOpenCalls;
  // The folder chooser's answer and the titles it was shown with.
  std::optional<std::u16string> chosenFolder;
  std::vector<std::u16string> folderTitles;
  std::vector<UINT> exitCodes;
  std::vector<std::u16string> shellOpened;
  std::vector<BuildCall> builds;
  bool buildResult = true;

 private:
  ui::MessageBoxHook messageBox_;
  ui::ExitProcessHook exit_;
  ui::OpenShellHook shell_;
  ui::FileOpenHook fileOpen_;
  ui::ChooseFolderHook chooseFolder_;
  ui::BuildHook build_;
  ui::StartWorkerHook worker_;
};

// Dispatches every message waiting for this thread.
void PumpMessages();

// The four-page sheet, created modelessly and shown.
class WizardUnderTest {
 public:
  WizardUnderTest();
  HWND sheet() const { return wizard_->sheet.hwnd(); }
  HWND page(int index) const;
  int activeIndex() const { return wizard_->sheet.ActiveIndex(); }
  BuildSettings& settings() { return wizard_->sheet.settings; }

  // BM_CLICK on a control of the page shown, then the queue is drained.
  void Click(int id);
  void SetText(int id, const std::u16string& text);
  std::u16string Text(int id) const;
  HWND Item(int id) const { return GetDlgItem(page(activeIndex()), id); }

 private:
  RichEditLibrary richEdit_;
  std::unique_ptr<PackforgeWizard> wizard_;
};

}  // namespace pf::test
