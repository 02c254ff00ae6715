#include "wizard/framework/property_sheet.h"

#include "platform/text.h"

namespace pf::ui {
namespace {
// The sheet whose PropertySheetW call is running: the callback that tells
// it its window has no parameter of its own.
thread_local PropSheet* t_creating = nullptr;

// Marks a sheet window whose Enter key goes to its page.
constexpr wchar_t kRoutesEnter[] = L"PackforgeRoutesEnter";

// One message hook per thread, shared by the sheets the thread runs. It sees
// every message taken from the queue, in any loop (the sheet's own modal
// one, a test's), before the dialog manager does.
struct EnterHook {
  HHOOK hook = nullptr;
  int sheets = 0;
};
thread_local EnterHook t_enterHook;

bool ControlTakesEnter(MSG& message) {
  LRESULT code =
      SendMessageW(message.hwnd, WM_GETDLGCODE, message.wParam, reinterpret_cast<LPARAM>(&message));
  return (code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) != 0;
}

LRESULT CALLBACK RouteEnter(int code, WPARAM removal, LPARAM lParam) {
  if (code == HC_ACTION && removal == PM_REMOVE) {
    MSG& message = *reinterpret_cast<MSG*>(lParam);
    if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN && message.hwnd) {
      HWND root = GetAncestor(message.hwnd, GA_ROOT);
      if (root && GetPropW(root, kRoutesEnter) && !ControlTakesEnter(message)) {
        // A held key repeats: one press is one Next, never a run of pages.
        bool repeat = (message.lParam & (LPARAM{1} << 30)) != 0;
        HWND page = reinterpret_cast<HWND>(SendMessageW(root, PSM_GETCURRENTPAGEHWND, 0, 0));
        if (page && !repeat) {
          PostMessageW(page, kEnterKeyMessage, 0, reinterpret_cast<LPARAM>(message.hwnd));
        }
        message.message = WM_NULL;
      }
    }
  }
  return CallNextHookEx(nullptr, code, removal, lParam);
}

}  // namespace

PropSheet::~PropSheet() {
  Destroy();
}

INT_PTR PropSheet::DoModal() {
  INT_PTR result = Run(0);
  Detach();
  hwnd_ = nullptr;
  return result;
}

HWND PropSheet::Create() {
  return reinterpret_cast<HWND>(Run(PSH_MODELESS));
}

void PropSheet::Destroy() {
  Detach();
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

void PropSheet::Attach(HWND hwnd) {
  hwnd_ = hwnd;
  SetPropW(hwnd, kRoutesEnter, reinterpret_cast<HANDLE>(1));
  if (t_enterHook.sheets++ == 0) {
    t_enterHook.hook = SetWindowsHookExW(WH_GETMESSAGE, &RouteEnter, nullptr, GetCurrentThreadId());
  }
  routesEnter_ = true;
}

void PropSheet::Detach() {
  if (!routesEnter_) return;
  routesEnter_ = false;
  if (hwnd_ && IsWindow(hwnd_)) RemovePropW(hwnd_, kRoutesEnter);
  if (--t_enterHook.sheets == 0 && t_enterHook.hook) {
    UnhookWindowsHookEx(t_enterHook.hook);
    t_enterHook.hook = nullptr;
  }
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
    t_creating->Attach(hwnd);
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
