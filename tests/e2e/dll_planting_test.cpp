// Libraries dropped beside a package under the names of Windows libraries
// must never run inside it. Wine is told to prefer a library found beside
// the program, which is what Windows does for every library it does not
// protect; the package then runs unattended and with all its windows, and
// no planted library may leave its marker.
#include <windows.h>

#include <commctrl.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cwctype>
#include <optional>
#include <string>
#include <vector>

#include "agent/exit_codes.h"
#include "engine/merger.h"
#include "engine/password_encoding.h"
#include "platform/os.h"
#include "platform/text.h"
#include "platform/win32/unique_handle.h"
#include "tests/e2e/remote_windows.h"
#include "tests/support/compression_libraries.h"
#include "tests/support/test_workspace.h"

namespace pf::test {
namespace {

using namespace std::chrono_literals;

// Libraries Windows does not protect (they are not KnownDLLs), each one a
// library a program with windows, a folder chooser or the compression
// libraries may load by name.
//
// Left out, because only Wine loads them from the program's folder:
// - version.dll: Wine's built-in shell32 imports it, and Wine binds a
//   built-in library's imports with the program's folder in the search path
//   at load time, before the agent's entry point runs. Windows resolves the
//   imports of its protected libraries (shell32 is one) in the system folder.
// - msimg32.dll: Wine's built-in common controls delay-load it on their
//   first drawing, and Wine 8 resolves that delay load with the program's
//   folder in the path although the process restricted its search. On
//   Windows a delay load is an ordinary load by name, which the restriction
//   confines to the system folder.
const std::vector<std::wstring> kPlanted = {
    L"uxtheme",  L"dwmapi",   L"propsys", L"cryptbase",   L"profapi",      L"userenv", L"winmm",
    L"comctl32", L"wintrust", L"crypt32", L"secur32",     L"dbghelp",      L"wininet", L"netapi32",
    L"cryptsp",  L"bcrypt",   L"ntmarta", L"textshaping", L"windowscodecs"};

const std::u16string kPassword = u"open1";
const std::u16string kMessage = u"Planted libraries ahead";

std::u16string TestFolder() {
  return os::ExecutableFolder();
}

std::wstring Lower(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

std::wstring FolderOf(const std::wstring& path) {
  return path.substr(0, path.find_last_of(L'\\'));
}

// Every library a process has loaded, by full path.
std::vector<std::wstring> ModulesOf(DWORD pid) {
  std::vector<std::wstring> paths;
  win::unique_hfile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid));
  if (!snapshot) return paths;
  MODULEENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL ok = Module32FirstW(snapshot.get(), &entry); ok;
       ok = Module32NextW(snapshot.get(), &entry))
    paths.push_back(entry.szExePath);
  return paths;
}

BOOL CALLBACK AppendText(HWND child, LPARAM out) {
  *reinterpret_cast<std::wstring*>(out) += TextOf(child) + L"\n";
  return TRUE;
}

// All the text a dialog shows: its children's texts, joined.
std::wstring DialogText(HWND dialog) {
  std::wstring all;
  EnumChildWindows(dialog, AppendText, reinterpret_cast<LPARAM>(&all));
  return all;
}

BOOL CALLBACK MatchTree(HWND child, LPARAM out) {
  if (ClassOf(child) != WC_TREEVIEWW) return TRUE;
  *reinterpret_cast<HWND*>(out) = child;
  return FALSE;
}

HWND TreeIn(HWND dialog) {
  HWND tree = nullptr;
  EnumChildWindows(dialog, MatchTree, reinterpret_cast<LPARAM>(&tree));
  return tree;
}

struct KeyTraits {
  using type = HKEY;
  static type empty() { return nullptr; }
  static void close(type h) { RegCloseKey(h); }
};
using unique_hkey = win::unique_any<KeyTraits>;

// Wine told to prefer a library found beside the program for the planted
// names, as Windows does for a library it does not protect. Wine reads a
// program's overrides from the registry when it starts (a child process
// does not take them from its Windows environment), so they go there, for
// these program names only, and go away with the object.
class PreferLibrariesBeside {
 public:
  explicit PreferLibrariesBeside(std::vector<std::wstring> programs)
      : programs_(std::move(programs)) {
    for (const auto& program : programs_) {
      unique_hkey key;
      EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, KeyOf(program).c_str(), 0, nullptr, 0,
                                KEY_SET_VALUE, nullptr, key.put(), nullptr),
                ERROR_SUCCESS);
      const std::wstring order = L"native,builtin";
      for (const auto& name : kPlanted)
        RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(order.c_str()),
                       static_cast<DWORD>((order.size() + 1) * sizeof(wchar_t)));
    }
  }
  ~PreferLibrariesBeside() {
    for (const auto& program : programs_) RegDeleteTreeW(HKEY_CURRENT_USER, KeyOf(program).c_str());
  }
  PreferLibrariesBeside(const PreferLibrariesBeside&) = delete;
  PreferLibrariesBeside& operator=(const PreferLibrariesBeside&) = delete;

 private:
  static std::wstring KeyOf(const std::wstring& program) {
    return L"Software\\Wine\\AppDefaults\\" + program + L"\\DllOverrides";
  }
  std::vector<std::wstring> programs_;
};

// The name of the item selected in another process's tree view.
std::wstring SelectedName(HANDLE process, HWND tree) {
  auto item = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
  if (!item) return {};
  constexpr int kChars = 260;
  RemoteMemory memory(process, sizeof(TVITEMW) + kChars * sizeof(wchar_t));
  TVITEMW request{};
  request.mask = TVIF_TEXT;
  request.hItem = reinterpret_cast<HTREEITEM>(item);
  request.pszText =
      reinterpret_cast<LPWSTR>(static_cast<char*>(memory.address()) + sizeof(TVITEMW));
  request.cchTextMax = kChars;
  memory.Write(&request, sizeof(request));
  if (!SendMessageW(tree, TVM_GETITEMW, 0, memory.lparam())) return {};
  std::wstring text(kChars, L'\0');
  memory.Read(text.data(), kChars * sizeof(wchar_t), sizeof(TVITEMW));
  text.resize(wcsnlen(text.c_str(), kChars));
  return text;
}

class DllPlantingTest : public ::testing::Test {
 protected:
  DllPlantingTest() {
    prog_ = ws_.Folder(u"prog");
    for (const char16_t* name : {u"SelfExtractor.exe", u"ZPK_ICON.ico"})
      os::CopyFileOver(TestFolder() + u"\\..\\bin\\" + name, prog_ + u"\\" + name);
    InstallCompressionLibraries(prog_);
    data_ = ws_.File(u"data\\notes.txt", "packed, and unpacked by the client library\r\n");
    downloads_ = ws_.Folder(u"downloads");
    for (const auto& name : kPlanted)
      os::CopyFileOver(TestFolder() + u"\\planted_library.dll",
                       downloads_ + u"\\" + FromWide(name) + u".dll");
  }

  // setup.exe in the download folder: a message, a password, the folder
  // chooser, and a file packed into the archive, so the compression
  // libraries are loaded at extraction. Plain, it extracts beside itself
  // with no question asked.
  bool BuildPackage(bool plain = false) {
    return Merger(prog_, 3, {u"7z.dll", u"Client7z.dll", data_}, u"", downloads_, u"setup",
                  {1, 1, -1}, u"", plain ? u"" : kMessage, u"Notice", plain ? 0 : 2,
                  plain ? u"" : EncodePassword(kPassword));
  }
  std::u16string Package() const { return downloads_ + u"\\setup.exe"; }

  // The process's libraries, checked where a window has made it load the
  // ones it needs: nothing comes from the package's folder but the package,
  // and the theme library, which windows load by name, is the system's.
  void ExpectSystemLibraries(const std::string& where) {
    SCOPED_TRACE(where);
    std::wstring downloads = Lower(ToWide(downloads_));
    std::wstring systemFolder(MAX_PATH, L'\0');
    systemFolder.resize(GetSystemDirectoryW(systemFolder.data(), MAX_PATH));
    std::optional<std::wstring> uxtheme;
    for (const auto& path : ModulesOf(pid_)) {
      std::wstring lower = Lower(path);
      if (lower.ends_with(L"\\uxtheme.dll")) uxtheme = lower;
      if (FolderOf(lower) == downloads) {
        EXPECT_TRUE(lower.ends_with(L"\\setup.exe"))
            << "loaded from the package's folder: " << ToUtf8(FromWide(path));
      }
    }
    ASSERT_TRUE(uxtheme) << "the theme library was never loaded";
    EXPECT_EQ(FolderOf(*uxtheme), Lower(systemFolder));
  }

  void Start(const std::u16string& program, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + ToWide(program) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               ToWide(ws_.root()).c_str(), &startup, &info));
    CloseHandle(info.hThread);
    process_.reset(info.hProcess);
    pid_ = info.dwProcessId;
  }

  // A test that failed half way leaves no agent behind.
  ~DllPlantingTest() override {
    if (process_) TerminateProcess(process_.get(), 99);
  }

  std::optional<DWORD> ExitCode() {
    if (WaitForSingleObject(process_.get(), 120000) != WAIT_OBJECT_0) {
      TerminateProcess(process_.get(), 99);
      return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return code;
  }

  // The markers planted libraries left, by library name.
  std::vector<std::u16string> Markers() {
    std::vector<std::u16string> found;
    for (const auto& name : ListFolder(downloads_))
      if (name.ends_with(u".loaded")) found.push_back(name);
    std::sort(found.begin(), found.end());
    return found;
  }

  // The agent's next dialog, waited for; `previous` is one it may still
  // be taking down.
  HWND NextDialog(HWND previous, const std::string& what) {
    return WaitForWindow(
        [&]() -> HWND {
          for (HWND w : TopWindowsOf(pid_))
            if (w != previous && ClassOf(w) == L"#32770") return w;
          return nullptr;
        },
        60s, what);
  }

  static void Press(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  }

  Workspace ws_;
  PreferLibrariesBeside overrides_{{L"setup.exe", L"probe.exe"}};
  std::u16string prog_, data_, downloads_;
  win::unique_handle process_;
  DWORD pid_ = 0;
};

// The control: a program that does not restrict its search loads every
// planted library, so the markers and the loader settings work.
TEST_F(DllPlantingTest, AProgramWithoutTheRestrictionLoadsEveryPlantedLibrary) {
  std::u16string probe = downloads_ + u"\\probe.exe";
  os::CopyFileOver(TestFolder() + u"\\library_probe.exe", probe);
  std::wstring names;
  for (const auto& name : kPlanted) names += name + L".dll ";
  ASSERT_NO_FATAL_FAILURE(Start(probe, names));
  ASSERT_EQ(ExitCode(), 0u) << "a planted library could not be loaded at all";
  std::vector<std::u16string> expected;
  for (const auto& name : kPlanted) expected.push_back(FromWide(name) + u".dll.loaded");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Markers(), expected);
}

TEST_F(DllPlantingTest, AnUnattendedRunLoadsNoPlantedLibrary) {
  ASSERT_TRUE(BuildPackage());
  ASSERT_NO_FATAL_FAILURE(Start(Package(), L"/S /P=" + ToWide(kPassword)));
  EXPECT_EQ(ExitCode(), static_cast<DWORD>(agent::kExitSuccess));
  EXPECT_EQ(ReadAll(downloads_ + u"\\setup\\notes.txt"),
            "packed, and unpacked by the client library\r\n");
  EXPECT_EQ(Markers(), std::vector<std::u16string>{});
}

// The message, the password prompt and the folder chooser (cancelled there:
// under 32-bit Wine the chooser does not always select its preset), then a
// plain run with the progress window and the closing message: the
// libraries they need come from the system folder, the planted ones never.
TEST_F(DllPlantingTest, RunsWithTheirWindowsLoadTheSystemLibrariesNotThePlantedOnes) {
  ASSERT_TRUE(BuildPackage());
  ASSERT_NO_FATAL_FAILURE(Start(Package(), L""));

  HWND message = NextDialog(nullptr, "the package's message");
  ASSERT_NE(DialogText(message).find(ToWide(kMessage)), std::wstring::npos) << DialogText(message);
  Press(message, IDOK);

  HWND prompt = NextDialog(message, "the password prompt");
  HWND edit = FindDescendant(prompt, 1001);  // IDE_PASSWORD in agent/agent_resources.h
  ASSERT_TRUE(edit) << "not the password prompt: " << ToUtf8(FromWide(DialogText(prompt)));
  SetWindowTextW(edit, ToWide(kPassword).c_str());
  Press(prompt, IDOK);

  HWND chooser = NextDialog(prompt, "the folder chooser");
  HWND tree = TreeIn(chooser);
  ASSERT_TRUE(tree) << "not the folder chooser: " << ToUtf8(FromWide(DialogText(chooser)));
  WaitFor([&] { return !SelectedName(process_.get(), tree).empty(); }, 30s,
          "the chooser's selection");
  ASSERT_NO_FATAL_FAILURE(ExpectSystemLibraries("at the folder chooser"));
  Press(chooser, IDCANCEL);
  EXPECT_EQ(ExitCode(), static_cast<DWORD>(agent::kExitCancelled));
  EXPECT_EQ(Markers(), std::vector<std::u16string>{});

  ASSERT_TRUE(BuildPackage(true));
  ASSERT_NO_FATAL_FAILURE(Start(Package(), L""));
  HWND done = NextDialog(nullptr, "the closing message");
  ASSERT_NE(DialogText(done).find(L"extracted to"), std::wstring::npos) << DialogText(done);
  ASSERT_NO_FATAL_FAILURE(ExpectSystemLibraries("after the progress window"));
  Press(done, IDOK);
  EXPECT_EQ(ExitCode(), static_cast<DWORD>(agent::kExitSuccess));
  EXPECT_EQ(Markers(), std::vector<std::u16string>{});
  EXPECT_EQ(ReadAll(downloads_ + u"\\setup\\notes.txt"),
            "packed, and unpacked by the client library\r\n");
}

}  // namespace
}  // namespace pf::test
