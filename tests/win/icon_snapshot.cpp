// Draws a program's "MAINICON" as Windows would show it, at 16, 32, 48 and
// 256 pixels side by side on a window-grey backdrop, into a 32-bit BMP: a
// picture of a package's icon for people to look at.
//
// usage: icon_snapshot.exe PROGRAM OUT.bmp
#include <windows.h>

#include <cstdio>
#include <vector>

#include "platform/win32/unique_handle.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: icon_snapshot PROGRAM OUT.bmp\n");
    return 2;
  }
  pf::win::unique_hmodule module(LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!module) {
    std::fprintf(stderr, "cannot load %ls as data\n", argv[1]);
    return 1;
  }
  const int sizes[] = {16, 32, 48, 256};
  const int gap = 8, width = gap * 5 + 16 + 32 + 48 + 256, height = 256 + 2 * gap;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = height;  // bottom-up, as a BMP file stores it
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all{0, 0, width, height};
  HBRUSH face = CreateSolidBrush(RGB(0xF0, 0xF0, 0xF0));
  FillRect(dc, &all, face);
  DeleteObject(face);
  int x = gap, status = 0;
  for (int size : sizes) {
    pf::win::unique_hicon icon(static_cast<HICON>(
        LoadImageW(module.get(), L"MAINICON", IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    if (!icon ||
        !DrawIconEx(dc, x, height - gap - size, icon.get(), size, size, 0, nullptr, DI_NORMAL)) {
      std::fprintf(stderr, "no icon of %d pixels\n", size);
      status = 1;
    }
    x += size + gap;
  }
  GdiFlush();
  BITMAPFILEHEADER fh{};
  DWORD pixelBytes = static_cast<DWORD>(width) * height * 4;
  fh.bfType = 0x4D42;  // "BM"
  fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
  fh.bfSize = fh.bfOffBits + pixelBytes;
  FILE* out = _wfopen(argv[2], L"wb");
  if (!out) return 1;
  std::fwrite(&fh, sizeof fh, 1, out);
  std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, out);
  std::fwrite(bits, pixelBytes, 1, out);
  std::fclose(out);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return status;
}
