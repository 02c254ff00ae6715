// Drives the real wizard in-process: a modeless sheet with its four real
// pages, every dialog a test cannot click answered by the harness's
// recorder, and the build captured with its arguments (and run for real,
// for whole builds) on the calling thread.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/win/wizard_harness.h"
#include "wizard/packforge_wizard.h"
#include "wizard/ui_hooks.h"

namespace pf::test {

// What the build received, in the engine's argument order.
struct BuildCall {
  std::u16string programFolder;
  std::int32_t noOfFiles = 0;
  std::vector<std::u16string> dataFiles;
  std::u16string driverFilePath;
  std::u16string outputFilepath;
  std::u16string outputFileName;
  std::vector<std::int32_t> decompressFlags;
  std::u16string iconFilePath;
  std::u16string aboutMessage;
  std::u16string aboutTitle;
  std::int32_t extractFolderOption = 0;
  std::u16string password;
};

class PageDriver {
 public:
  // `realBuild` leaves the engine in place (the calls are still recorded).
  explicit PageDriver(bool realBuild = false);
  ~PageDriver();
  PageDriver(const PageDriver&) = delete;
  PageDriver& operator=(const PageDriver&) = delete;

  PackforgeWizard& wizard() { return *wizard_; }
  BuildSettings& settings() { return wizard_->sheet.settings; }
  HWND sheet() const { return wizard_->sheet.hwnd(); }
  int ActiveIndex() const { return wizard_->sheet.ActiveIndex(); }

  // Shows page `index` as the sheet would, and lets it settle.
  void Show(int index);
  // The page window of `index` (created once shown).
  HWND Page(int index) const;
  HWND Item(int page, int id) const { return GetDlgItem(Page(page), id); }

  void Click(int page, int id);
  void SetText(int page, int id, const std::u16string& text);
  std::u16string Text(int page, int id) const;
  bool Checked(int page, int id) const;
  bool Enabled(int page, int id) const;
  // Types each character with WM_CHAR into the control, as the keyboard would.
  void Type(int page, int id, const std::u16string& text);
  // Puts text on the clipboard and sends WM_PASTE.
  void Paste(int page, int id, const std::u16string& text);

  // Dispatches every waiting message.
  static void Pump() { PumpMessages(); }

  // The message boxes shown since the last ForgetMessages().
  std::vector<RecordedBox> messages() const;
  void ForgetMessages() { seenBoxes_ = recorder.boxes().size(); }

  UiRecorder recorder;
  std::vector<BuildCall> builds;

 private:
  std::unique_ptr<PackforgeWizard> wizard_;
  bool realBuild_;
  std::size_t seenBoxes_ = 0;
};

}  // namespace pf::test
