#include "wizard/item_file_dialog.h"

#include <shobjidl.h>

#include "platform/text.h"

namespace pf::ui {
namespace {

// Releases a COM interface.
template <class T>
struct ComPtr {
  T* p = nullptr;
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() {
    if (p) p->Release();
  }
};

// The apartment the dialog needs, left as it was found.
struct ComScope {
  HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  ~ComScope() {
    if (SUCCEEDED(result)) CoUninitialize();
  }
};

}  // namespace

ItemDialogResult OpenOneFileWithItemDialog(HWND owner, const std::u16string& filterName,
                                           const std::u16string& filterPattern) {
  ComScope com;
  ItemDialogResult result;
  ComPtr<IFileOpenDialog> dialog;
  if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&dialog.p))))
    return result;
  result.available = true;
  std::wstring name = ToWide(filterName);
  std::wstring pattern = ToWide(filterPattern);
  if (!pattern.empty()) {
    COMDLG_FILTERSPEC filter{name.c_str(), pattern.c_str()};
    dialog.p->SetFileTypes(1, &filter);
  }
  // Only real files: the path goes into a text box and to the build.
  FILEOPENDIALOGOPTIONS options = 0;
  if (SUCCEEDED(dialog.p->GetOptions(&options)))
    dialog.p->SetOptions(options | FOS_FORCEFILESYSTEM);
  if (FAILED(dialog.p->Show(owner))) return result;  // cancelled, or it failed
  ComPtr<IShellItem> item;
  if (FAILED(dialog.p->GetResult(&item.p))) return result;
  PWSTR path = nullptr;
  if (SUCCEEDED(item.p->GetDisplayName(SIGDN_FILESYSPATH, &path)) && path) {
    result.path = FromWide(path);
    CoTaskMemFree(path);
  }
  return result;
}

}  // namespace pf::ui
