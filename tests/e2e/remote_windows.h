// Driving another process's windows: finding them, waiting for them with a
// deadline, and memory in that process for the list-view messages that
// take pointers.
#pragma once
#include <windows.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pf::test {

// Visible top-level windows of a process.
std::vector<HWND> TopWindowsOf(DWORD processId);
// A window's text through WM_GETTEXT (marshalled across processes).
std::wstring TextOf(HWND window);
std::wstring ClassOf(HWND window);
// The first descendant of `parent` with this control id, or null.
HWND FindDescendant(HWND parent, int id);

// Polls `find` until it returns a window or `timeout` passes; then throws
// with `what` in the message.
HWND WaitForWindow(const std::function<HWND()>& find, std::chrono::milliseconds timeout,
                   const std::string& what);
// Polls `done` the same way.
void WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout,
             const std::string& what);

// A block of memory inside another process; freed with the object.
class RemoteMemory {
 public:
  RemoteMemory(HANDLE process, std::size_t size);
  ~RemoteMemory();
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;

  void* address() const { return address_; }
  LPARAM lparam() const { return reinterpret_cast<LPARAM>(address_); }
  void Write(const void* data, std::size_t size, std::size_t offset = 0);
  void Read(void* data, std::size_t size, std::size_t offset = 0) const;

 private:
  HANDLE process_;
  void* address_;
};

// The folder an open-file dialog of another process shows
// (CDM_GETFOLDERPATH), without a trailing backslash.
std::wstring OpenDialogFolder(HANDLE process, HWND dialog);

// A list-view row's text in another process.
std::wstring ListItemText(HANDLE process, HWND list, int row, int column);
// Clicks a row's checkbox with the mouse messages, where the list's own
// hit test says the checkbox is.
void ClickRowCheckbox(HANDLE process, HWND list, int row);

}  // namespace pf::test
