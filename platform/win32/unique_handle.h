// One owning wrapper for every Win32 handle kind. Each traits type names the
// handle type, its empty value and its closer: CreateFileW fails with
// INVALID_HANDLE_VALUE and CreateThread with NULL, so one wrapper for both
// would leak or double-close. Copy is deleted; put() releases first.
#pragma once
#include <windows.h>

#include <utility>

namespace pf::win {

template <class Traits>
class unique_any {
 public:
  using type = typename Traits::type;
  unique_any() = default;
  explicit unique_any(type h) : h_(h) {}
  unique_any(unique_any&& o) noexcept : h_(o.release()) {}
  unique_any& operator=(unique_any&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }
  unique_any(const unique_any&) = delete;
  unique_any& operator=(const unique_any&) = delete;
  ~unique_any() { reset(); }

  type get() const { return h_; }
  explicit operator bool() const { return h_ != Traits::empty(); }
  type release() { return std::exchange(h_, Traits::empty()); }
  void reset(type h = Traits::empty()) {
    if (h_ != Traits::empty()) Traits::close(h_);
    h_ = h;
  }
  // For out-parameters: releases what is held, then hands out the address.
  type* put() {
    reset();
    return &h_;
  }

 private:
  type h_ = Traits::empty();
};

struct FileTraits {
  using type = HANDLE;
  static type empty() { return INVALID_HANDLE_VALUE; }
  static void close(type h) { CloseHandle(h); }
};
struct HandleTraits {
  using type = HANDLE;
  static type empty() { return nullptr; }
  static void close(type h) { CloseHandle(h); }
};
struct FindTraits {
  using type = HANDLE;
  static type empty() { return INVALID_HANDLE_VALUE; }
  static void close(type h) { FindClose(h); }
};
struct ModuleTraits {
  using type = HMODULE;
  static type empty() { return nullptr; }
  static void close(type h) { FreeLibrary(h); }
};
struct IconTraits {
  using type = HICON;
  static type empty() { return nullptr; }
  static void close(type h) { DestroyIcon(h); }
};
struct MenuTraits {
  using type = HMENU;
  static type empty() { return nullptr; }
  static void close(type h) { DestroyMenu(h); }
};
struct GlobalTraits {
  using type = HGLOBAL;
  static type empty() { return nullptr; }
  static void close(type h) { GlobalFree(h); }
};
struct WindowTraits {
  using type = HWND;
  static type empty() { return nullptr; }
  static void close(type h) { DestroyWindow(h); }
};
struct GdiTraits {
  using type = HGDIOBJ;
  static type empty() { return nullptr; }
  static void close(type h) { DeleteObject(h); }
};

using unique_hfile = unique_any<FileTraits>;
using unique_handle = unique_any<HandleTraits>;
using unique_hfind = unique_any<FindTraits>;
using unique_hmodule = unique_any<ModuleTraits>;
using unique_hicon = unique_any<IconTraits>;
using unique_hmenu = unique_any<MenuTraits>;
using unique_hglobal = unique_any<GlobalTraits>;
using unique_hwnd = unique_any<WindowTraits>;
using unique_hgdiobj = unique_any<GdiTraits>;

// The clipboard is opened and closed, not created: a scope guard.
class ClipboardScope {
 public:
  explicit ClipboardScope(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
  ~ClipboardScope() {
    if (open_) CloseClipboard();
  }
  ClipboardScope(const ClipboardScope&) = delete;
  ClipboardScope& operator=(const ClipboardScope&) = delete;
  explicit operator bool() const { return open_; }

 private:
  bool open_;
};

}  // namespace pf::win
