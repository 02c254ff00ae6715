#include "tests/e2e/remote_windows.h"

#include <commctrl.h>
#include <commdlg.h>

#include <thread>

namespace pf::test {

namespace {

struct TopSearch {
  DWORD process;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopWindow(HWND window, LPARAM data) {
  auto& s = *reinterpret_cast<TopSearch*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == s.process && IsWindowVisible(window)) s.found.push_back(window);
  return TRUE;
}

struct IdSearch {
  int id;
  HWND found = nullptr;
};

BOOL CALLBACK MatchControlId(HWND window, LPARAM data) {
  auto& s = *reinterpret_cast<IdSearch*>(data);
  if (GetDlgCtrlID(window) != s.id) return TRUE;
  s.found = window;
  return FALSE;
}

}  // namespace

std::vector<HWND> TopWindowsOf(DWORD processId) {
  TopSearch search{processId, {}};
  EnumWindows(&CollectTopWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring TextOf(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
    return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 5000, &copied);
  text.resize(copied);
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

HWND FindDescendant(HWND parent, int id) {
  IdSearch search{id};
  EnumChildWindows(parent, &MatchControlId, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout,
             const std::string& what) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline)
      throw std::runtime_error("timed out waiting for " + what);
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
}

HWND WaitForWindow(const std::function<HWND()>& find, std::chrono::milliseconds timeout,
                   const std::string& what) {
  HWND found = nullptr;
  WaitFor([&] { return (found = find()) != nullptr; }, timeout, what);
  return found;
}

RemoteMemory::RemoteMemory(HANDLE process, std::size_t size)
    : process_(process),
      address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {
  if (!address_) throw std::runtime_error("VirtualAllocEx failed");
}

RemoteMemory::~RemoteMemory() {
  VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
}

void RemoteMemory::Write(const void* data, std::size_t size, std::size_t offset) {
  SIZE_T written = 0;
  if (!WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, &written) ||
      written != size)
    throw std::runtime_error("WriteProcessMemory failed");
}

void RemoteMemory::Read(void* data, std::size_t size, std::size_t offset) const {
  SIZE_T read = 0;
  if (!ReadProcessMemory(process_, static_cast<const char*>(address_) + offset, data, size,
                         &read) ||
      read != size)
    throw std::runtime_error("ReadProcessMemory failed");
}

std::wstring OpenDialogFolder(HANDLE process, HWND dialog) {
  constexpr int kChars = 1024;
  RemoteMemory memory(process, kChars * sizeof(wchar_t));
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(dialog, CDM_GETFOLDERPATH, kChars, memory.lparam(), SMTO_ABORTIFHUNG,
                           5000, &length) ||
      static_cast<LONG_PTR>(length) <= 0)
    return {};
  std::wstring folder(kChars, L'\0');
  memory.Read(folder.data(), folder.size() * sizeof(wchar_t));
  folder.resize(folder.find(L'\0'));
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  return folder;
}

std::wstring ListItemText(HANDLE process, HWND list, int row, int column) {
  constexpr int kChars = 512;
  RemoteMemory memory(process, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
  LVITEMW item{};
  item.iSubItem = column;
  item.cchTextMax = kChars;
  item.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(memory.address()) + sizeof(LVITEMW));
  memory.Write(&item, sizeof(item));
  auto length = static_cast<std::size_t>(
      SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), memory.lparam()));
  std::wstring text(length, L'\0');
  if (length) memory.Read(text.data(), length * sizeof(wchar_t), sizeof(LVITEMW));
  return text;
}

void ClickRowCheckbox(HANDLE process, HWND list, int row) {
  RemoteMemory memory(process,
                      sizeof(LVHITTESTINFO) > sizeof(RECT) ? sizeof(LVHITTESTINFO) : sizeof(RECT));
  RECT bounds{};
  bounds.left = LVIR_BOUNDS;
  memory.Write(&bounds, sizeof(bounds));
  if (!SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), memory.lparam()))
    throw std::runtime_error("LVM_GETITEMRECT failed");
  memory.Read(&bounds, sizeof(bounds));
  int y = (bounds.top + bounds.bottom) / 2;
  for (int x = bounds.left; x < bounds.left + 40; ++x) {
    LVHITTESTINFO hit{};
    hit.pt = {x, y};
    memory.Write(&hit, sizeof(hit));
    SendMessageW(list, LVM_HITTEST, 0, memory.lparam());
    memory.Read(&hit, sizeof(hit));
    if (hit.iItem == row && (hit.flags & LVHT_ONITEMSTATEICON)) {
      // Where the checkbox's middle is, not its first pixel.
      LPARAM at = MAKELPARAM(x + 6, y);
      PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
      PostMessageW(list, WM_LBUTTONUP, 0, at);
      return;
    }
  }
  throw std::runtime_error("no checkbox found on the row");
}

}  // namespace pf::test
