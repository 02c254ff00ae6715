// What an in-process test cannot click or must not let happen: message
// boxes, process exit, the shell, the file and folder choosers, the build
// and the start of its thread. Each is one replaceable function; the
// wizard calls only these. Replace them only while no build runs.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pf::ui {

// MessageBoxW: the button pressed (IDOK, IDYES, ...).
using MessageBoxHook = std::function<int(HWND owner, const std::u16string& text,
                                         const std::u16string& caption, UINT type)>;
// ExitProcess. The real one does not return; a test's records the code and
// returns, and the caller then returns as if the process had ended.
using ExitProcessHook = std::function<void(UINT exitCode)>;
// ShellExecuteW(nullptr, "open", file, nullptr, nullptr, SW_SHOWNORMAL):
// its result, greater than 32 on success.
using OpenShellHook = std::function<INT_PTR(const std::u16string& file)>;

struct FileOpenOptions {
  bool multiSelect = false;    // OFN_ALLOWMULTISELECT
  bool keepShortcuts = false;  // OFN_NODEREFERENCELINKS
  std::u16string filterName;   // e.g. u"(*.ico)"; empty: no filter
  std::u16string filterPattern;
  std::size_t bufferChars = 66817;
};
// The open-file dialog: the full paths chosen, in the dialog's order; none
// when the user cancelled.
using FileOpenHook =
    std::function<std::vector<std::u16string>(HWND owner, const FileOpenOptions& options)>;
// The full paths in the selection buffer that GetOpenFileNameW filled.
std::vector<std::u16string> SplitOpenFileSelection(const std::wstring& buffer);
// The shell's folder chooser (no owner, BIF_RETURNONLYFSDIRS |
// BIF_STATUSTEXT | BIF_NEWDIALOGSTYLE): the folder picked, or nothing.
// `initialPath`, when not empty, is selected when the chooser opens.
using ChooseFolderHook = std::function<std::optional<std::u16string>(
    const std::u16string& title, const std::u16string& initialPath)>;
// The build, with the engine's arguments in the engine's order.
using BuildHook = std::function<bool(
    std::u16string programFolder, std::int32_t noOfFiles, std::vector<std::u16string> dataFiles,
    std::u16string driverFilePath, std::u16string outputFilepath, std::u16string outputFileName,
    std::vector<std::int32_t> decompressFlags, std::u16string iconFilePath,
    std::u16string aboutMessage, std::u16string aboutTitle, std::int32_t extractFolderOption,
    std::u16string password)>;
// Starts `work` on a worker thread; false when no thread could start.
using StartWorkerHook = std::function<bool(std::function<void()> work)>;

int ShowMessageBox(HWND owner, const std::u16string& text, const std::u16string& caption,
                   UINT type);
void ExitProcessNow(UINT exitCode);
INT_PTR OpenShell(const std::u16string& file);
std::vector<std::u16string> ShowFileOpen(HWND owner, const FileOpenOptions& options);
std::optional<std::u16string> ChooseFolder(const std::u16string& title,
                                           const std::u16string& initialPath = {});
bool RunBuild(std::u16string programFolder, std::int32_t noOfFiles,
              std::vector<std::u16string> dataFiles, std::u16string driverFilePath,
              std::u16string outputFilepath, std::u16string outputFileName,
              std::vector<std::int32_t> decompressFlags, std::u16string iconFilePath,
              std::u16string aboutMessage, std::u16string aboutTitle,
              std::int32_t extractFolderOption, std::u16string password);
bool StartWorker(std::function<void()> work);

// Each setter puts a replacement in place (an empty one restores the real
// call) and returns the one it replaced.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);
ExitProcessHook SetExitProcessHook(ExitProcessHook hook);
OpenShellHook SetOpenShellHook(OpenShellHook hook);
FileOpenHook SetFileOpenHook(FileOpenHook hook);
ChooseFolderHook SetChooseFolderHook(ChooseFolderHook hook);
BuildHook SetBuildHook(BuildHook hook);
StartWorkerHook SetStartWorkerHook(StartWorkerHook hook);

}  // namespace pf::ui
