#include "wizard/ui_hooks.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <utility>

#include "engine/merger.h"
#include "platform/text.h"
#include "wizard/framework/worker_thread.h"
#include "wizard/item_file_dialog.h"

namespace pf::ui {
namespace {

template <class Hook>
Hook& Slot() {
  static Hook hook;
  return hook;
}

template <class Hook>
Hook Replace(Hook hook) {
  return std::exchange(Slot<Hook>(), std::move(hook));
}

std::vector<std::u16string> RealFileOpen(HWND owner, const FileOpenOptions& options) {
  // One file: the common item dialog where the system has it.
  if (!options.multiSelect && !options.keepShortcuts) {
    ItemDialogResult item =
        OpenOneFileWithItemDialog(owner, options.filterName, options.filterPattern);
    if (item.available) {
      if (!item.path) return {};
      return {*item.path};
    }
  }
  std::wstring buffer(options.bufferChars, L'\0');
  std::wstring filter;
  if (!options.filterName.empty()) {
    filter = ToWide(options.filterName);
    filter.push_back(L'\0');
    filter += ToWide(options.filterPattern);
    filter.push_back(L'\0');
    filter.push_back(L'\0');
  }
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY;
  if (options.multiSelect) dialog.Flags |= OFN_ALLOWMULTISELECT;
  if (options.keepShortcuts) dialog.Flags |= OFN_NODEREFERENCELINKS;
  if (!GetOpenFileNameW(&dialog)) return {};
  return SplitOpenFileSelection(buffer);
}

int CALLBACK SelectInitialFolder(HWND window, UINT message, LPARAM /*lParam*/, LPARAM data) {
  if (message == BFFM_INITIALIZED) SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

std::optional<std::u16string> RealChooseFolder(const std::u16string& title,
                                               const std::u16string& initialPath) {
  // The new dialog style needs COM on this thread.
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::wstring wideTitle = ToWide(title);
  std::wstring initial = ToWide(initialPath);
  BROWSEINFOW browse{};
  browse.hwndOwner = nullptr;
  browse.lpszTitle = wideTitle.c_str();
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | BIF_NEWDIALOGSTYLE;
  if (!initial.empty()) {
    browse.lpfn = &SelectInitialFolder;
    browse.lParam = reinterpret_cast<LPARAM>(initial.c_str());
  }
  std::optional<std::u16string> chosen;
  if (PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&browse)) {
    wchar_t path[MAX_PATH] = {};
    if (SHGetPathFromIDListW(list, path)) chosen = FromWide(path);
    CoTaskMemFree(list);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return chosen;
}

}  // namespace

// One full path, or with multiple selection the folder followed by the
// names; each ends with a zero, the list with a second one.
std::vector<std::u16string> SplitOpenFileSelection(const std::wstring& buffer) {
  std::vector<std::wstring> parts;
  std::size_t at = 0;
  while (at < buffer.size() && buffer[at] != L'\0') {
    std::size_t end = buffer.find(L'\0', at);
    if (end == std::wstring::npos) end = buffer.size();
    parts.push_back(buffer.substr(at, end - at));
    at = end + 1;
  }
  std::vector<std::u16string> paths;
  if (parts.size() == 1) {
    paths.push_back(FromWide(parts[0]));
    return paths;
  }
  for (std::size_t i = 1; i < parts.size(); ++i) {
    std::wstring folder = parts[0];
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    paths.push_back(FromWide(folder + parts[i]));
  }
  return paths;
}

int ShowMessageBox(HWND owner, const std::u16string& text, const std::u16string& caption,
                   UINT type) {
  if (auto& hook = Slot<MessageBoxHook>()) return hook(owner, text, caption, type);
  return MessageBoxW(owner, ToWide(text).c_str(), ToWide(caption).c_str(), type);
}

void ExitProcessNow(UINT exitCode) {
  if (auto& hook = Slot<ExitProcessHook>()) return hook(exitCode);
  ExitProcess(exitCode);
}

INT_PTR OpenShell(const std::u16string& file) {
  if (auto& hook = Slot<OpenShellHook>()) return hook(file);
  HINSTANCE result =
      ShellExecuteW(nullptr, L"open", ToWide(file).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result);
}

std::vector<std::u16string> ShowFileOpen(HWND owner, const FileOpenOptions& options) {
  if (auto& hook = Slot<FileOpenHook>()) return hook(owner, options);
  return RealFileOpen(owner, options);
}

std::optional<std::u16string> ChooseFolder(const std::u16string& title,
                                           const std::u16string& initialPath) {
  if (auto& hook = Slot<ChooseFolderHook>()) return hook(title, initialPath);
  return RealChooseFolder(title, initialPath);
}

bool RunBuild(std::u16string programFolder, std::int32_t noOfFiles,
              std::vector<std::u16string> dataFiles, std::u16string driverFilePath,
              std::u16string outputFilepath, std::u16string outputFileName,
              std::vector<std::int32_t> decompressFlags, std::u16string iconFilePath,
              std::u16string aboutMessage, std::u16string aboutTitle,
              std::int32_t extractFolderOption, std::u16string password) {
  auto& hook = Slot<BuildHook>();
  auto build = hook ? hook : BuildHook(&Merger);
  return build(std::move(programFolder), noOfFiles, std::move(dataFiles), std::move(driverFilePath),
               std::move(outputFilepath), std::move(outputFileName), std::move(decompressFlags),
               std::move(iconFilePath), std::move(aboutMessage), std::move(aboutTitle),
               extractFolderOption, std::move(password));
}

bool StartWorker(std::function<void()> work) {
  if (auto& hook = Slot<StartWorkerHook>()) return hook(std::move(work));
  // Nobody waits on the thread: the program ends after the build.
  return static_cast<bool>(StartWorkerThread(std::move(work)));
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
  return Replace(std::move(hook));
}
ExitProcessHook SetExitProcessHook(ExitProcessHook hook) {
  return Replace(std::move(hook));
}
OpenShellHook SetOpenShellHook(OpenShellHook hook) {
  return Replace(std::move(hook));
}
FileOpenHook SetFileOpenHook(FileOpenHook hook) {
  return Replace(std::move(hook));
}
ChooseFolderHook SetChooseFolderHook(ChooseFolderHook hook) {
  return Replace(std::move(hook));
}
BuildHook SetBuildHook(BuildHook hook) {
  return Replace(std::move(hook));
}
StartWorkerHook SetStartWorkerHook(StartWorkerHook hook) {
  return Replace(std::move(hook));
}

}  // namespace pf::ui
