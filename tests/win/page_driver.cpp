#include "tests/win/page_driver.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "engine/merger.h"
#include "platform/text.h"
#include "platform/win32/unique_handle.h"
#include "wizard/framework/data_exchange.h"

namespace pf::test {

PageDriver::PageDriver(bool realBuild) : realBuild_(realBuild) {
  PrepareControls();
  ui::SetBuildHook([this](std::u16string programFolder, std::int32_t noOfFiles,
                          std::vector<std::u16string> dataFiles, std::u16string driverFilePath,
                          std::u16string outputFilepath, std::u16string outputFileName,
                          std::vector<std::int32_t> decompressFlags, std::u16string iconFilePath,
                          std::u16string aboutMessage, std::u16string aboutTitle,
                          std::int32_t extractFolderOption, std::u16string password) {
    builds.push_back({programFolder, noOfFiles, dataFiles, driverFilePath, outputFilepath,
                      outputFileName, decompressFlags, iconFilePath, aboutMessage, aboutTitle,
                      extractFolderOption, password});
    if (!realBuild_) return true;
    return Merger(programFolder, noOfFiles, dataFiles, driverFilePath, outputFilepath,
                  outputFileName, decompressFlags, iconFilePath, aboutMessage, aboutTitle,
                  extractFolderOption, password);
  });
  // The build runs at once on this thread: its result is in before the
  // progress window would first look.
  ui::SetStartWorkerHook([](std::function<void()> work) {
    work();
    return true;
  });
  wizard_ = std::make_unique<PackforgeWizard>();
  HWND created = wizard_->sheet.Create();
  EXPECT_NE(created, nullptr) << "the sheet did not open";
  Pump();
}

PageDriver::~PageDriver() {
  wizard_.reset();
  Pump();
  ui::SetBuildHook({});
  ui::SetStartWorkerHook({});
}

std::vector<RecordedBox> PageDriver::messages() const {
  std::vector<RecordedBox> all = recorder.boxes();
  all.erase(all.begin(),
            all.begin() + static_cast<std::ptrdiff_t>(std::min(seenBoxes_, all.size())));
  return all;
}

void PageDriver::Show(int index) {
  wizard_->sheet.SetActivePage(index);
  Pump();
}

HWND PageDriver::Page(int index) const {
  return reinterpret_cast<HWND>(SendMessageW(sheet(), PSM_INDEXTOHWND, index, 0));
}

void PageDriver::Click(int page, int id) {
  EXPECT_NE(Item(page, id), nullptr) << "no control " << id << " on page " << page;
  test::Click(Page(page), id);
}

void PageDriver::SetText(int page, int id, const std::u16string& text) {
  ui::SetItemText(Page(page), id, text);
  Pump();
}

std::u16string PageDriver::Text(int page, int id) const {
  return ui::ItemText(Page(page), id);
}

bool PageDriver::Checked(int page, int id) const {
  return IsDlgButtonChecked(Page(page), id) == BST_CHECKED;
}

bool PageDriver::Enabled(int page, int id) const {
  return IsWindowEnabled(Item(page, id)) != FALSE;
}

void PageDriver::Type(int page, int id, const std::u16string& text) {
  HWND box = Item(page, id);
  for (char16_t c : text) SendMessageW(box, WM_CHAR, static_cast<WPARAM>(c), 0);
  Pump();
}

void PageDriver::Paste(int page, int id, const std::u16string& text) {
  HWND box = Item(page, id);
  {
    win::ClipboardScope clipboard(box);
    ASSERT_TRUE(clipboard) << "the clipboard did not open";
    EmptyClipboard();
    std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    win::unique_hglobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
    ASSERT_TRUE(memory);
    std::wstring wide = ToWide(text);
    std::memcpy(GlobalLock(memory.get()), wide.c_str(), bytes);
    GlobalUnlock(memory.get());
    // The clipboard owns the memory once it has taken it.
    if (SetClipboardData(CF_UNICODETEXT, memory.get())) memory.release();
  }
  SendMessageW(box, WM_PASTE, 0, 0);
  Pump();
}

}  // namespace pf::test
