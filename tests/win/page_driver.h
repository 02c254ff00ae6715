// Drives the real wizard in-process: a modeless sheet with its four pages,
// every dialog a test cannot click replaced by a recorder, and the build
// replaced by a capture of its arguments (or left real, for whole builds).
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "wizard/control_libraries.h"
#include "wizard/packforge_wizard.h"
#include "wizard/ui_hooks.h"

namespace pf::test {

struct ShownMessage {
  std::u16string text;
  std::u16string caption;
  UINT type = 0;
};

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
  static void Pump();

  std::vector<ShownMessage> messages;
  std::vector<BuildCall> builds;
  std::vector<UINT> exits;
  // What the next file-open dialog returns; the options it was opened with.
  std::vector<std::u16string> nextFileOpen;
  std::vector<ui::FileOpenOptions> fileOpens;

 private:
  RichEditLibrary richEdit_;
  std::unique_ptr<PackforgeWizard> wizard_;
  bool realBuild_;
};

}  // namespace pf::test
