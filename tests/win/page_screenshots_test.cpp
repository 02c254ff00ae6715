// Pictures of the icon, password and run pages filled in, for a person to
// look at. Not part of the test run: scripts/option-page-screenshots.sh
// runs these disabled tests with PF_SCREENSHOT_DIR set.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "platform/text.h"
#include "platform/win32/unique_handle.h"
#include "resources/resource.h"
#include "tests/support/test_workspace.h"
#include "tests/win/page_driver.h"

namespace pf::test {
namespace {

// The sheet as it is on the screen, as a 24-bit BMP file.
void SaveWindowPicture(HWND window, const std::string& path) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  PageDriver::Pump();
  RECT r;
  ASSERT_TRUE(GetWindowRect(window, &r));
  int width = r.right - r.left;
  int height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  ASSERT_NE(screen, nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  win::unique_hgdiobj bitmap(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_TRUE(bitmap);
  HGDIOBJ old = SelectObject(memory, bitmap.get());
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  GdiFlush();

  std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
  std::uint32_t imageBytes = stride * static_cast<std::uint32_t>(height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + imageBytes;
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof(file));
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(info.bmiHeader));
  out.write(static_cast<const char*>(bits), imageBytes);
  ASSERT_TRUE(out.good()) << path;
}

std::string OutputFolder() {
  const char* dir = std::getenv("PF_SCREENSHOT_DIR");
  return dir ? dir : ".";
}

TEST(PageScreenshots, DISABLED_IconPasswordAndRunPages) {
  Workspace ws;
  PageDriver ui;
  ui.settings().dataFileNames = {u"setup.exe", u"readme.txt", u"data.zip"};
  ui.settings().noOfFiles = 5;

  ui.Show(1);
  ui.SetText(1, IDE_ICON_FILE, u"C:\\Art\\package.ico");
  ui.SetText(1, IDE_ABOUT_MESSAGE,
             u"Thank you for installing the sample tools.\r\nThe files "
             u"are being extracted now.");
  ui.SetText(1, IDE_ABOUT_TITLE, u"Sample tools 1.0");
  SaveWindowPicture(ui.sheet(), OutputFolder() + "/icon_page.bmp");

  ui.Show(2);
  ui.Click(2, IDR_TEMP_FOLDER);
  ui.Click(2, IDX_PROTECT);
  ui.Type(2, IDE_PASSWORD, u"secret12");
  ui.Type(2, IDE_CONFIRM, u"secret12");
  SaveWindowPicture(ui.sheet(), OutputFolder() + "/password_page.bmp");

  ui.Show(3);
  ui.Click(3, IDX_RUN_FILE);
  ui.Click(3, IDR_COMMAND);
  ui.SetText(3, IDCB_RUN_FILE, u"setup.exe");
  ui.SetText(3, IDE_COMMAND, u"setup.exe /quiet /log install.txt");
  SaveWindowPicture(ui.sheet(), OutputFolder() + "/run_page.bmp");
  EXPECT_TRUE(ui.messages().empty());
}

}  // namespace
}  // namespace pf::test
