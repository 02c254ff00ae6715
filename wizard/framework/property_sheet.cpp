#include "wizard/framework/property_sheet.h"

#include "platform/text.h"

namespace pf::ui {
namespace {
// The sheet whose PropertySheetW call is running: the callback that tells
// it its window has no parameter of its own.
thread_local PropSheet* t_creating = nullptr;
}  // namespace

PropSheet::~PropSheet() {
  Destroy();
}

INT_PTR PropSheet::DoModal() {
  INT_PTR result = Run(0);
  hwnd_ = nullptr;
  return result;
}

HWND PropSheet::Create() {
  return reinterpret_cast<HWND>(Run(PSH_MODELESS));
}

void PropSheet::Destroy() {
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

INT_PTR PropSheet::Run(DWORD extraFlags) {
  std::vector<PROPSHEETPAGEW> pages;
  pages.reserve(pages_.size());
  for (PropertyPage* page : pages_) pages.push_back(page->Describe());
  wideCaption_ = ToWide(caption_);

  PROPSHEETHEADERW header{};
  header.dwSize = sizeof(header);
  header.dwFlags = flags_ | extraFlags | PSH_PROPSHEETPAGE | PSH_USECALLBACK;
  header.hwndParent = nullptr;
  header.hInstance = GetModuleHandleW(nullptr);
  header.pszCaption = wideCaption_.c_str();
  header.nPages = static_cast<UINT>(pages.size());
  header.nStartPage = 0;
  header.ppsp = pages.data();
  header.pfnCallback = &PropSheet::Callback;

  PropSheet* previous = t_creating;
  t_creating = this;
  INT_PTR result = PropertySheetW(&header);
  t_creating = previous;
  return result;
}

int CALLBACK PropSheet::Callback(HWND hwnd, UINT message, LPARAM /*lParam*/) {
  if (message == PSCB_INITIALIZED && t_creating) {
    t_creating->hwnd_ = hwnd;
    t_creating->OnInitDialog();
  }
  return 0;
}

bool PropSheet::SetActivePage(int index) {
  return SendMessageW(hwnd_, PSM_SETCURSEL, static_cast<WPARAM>(index), 0) != FALSE;
}

int PropSheet::ActiveIndex() const {
  auto page = reinterpret_cast<WPARAM>(
      reinterpret_cast<HWND>(SendMessageW(hwnd_, PSM_GETCURRENTPAGEHWND, 0, 0)));
  if (!page) return -1;
  return static_cast<int>(SendMessageW(hwnd_, PSM_HWNDTOINDEX, page, 0));
}

}  // namespace pf::ui
