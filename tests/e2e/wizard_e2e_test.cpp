// The whole product as a person uses it: the real Packforge.exe is started,
// its windows are driven from this process (the open-file dialog, the
// list, the edits, Finish, the result box), and the package it made is run
// unattended; every extracted byte is compared with the input.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <sstream>

#include "resources/resource.h"
#include "tests/e2e/remote_windows.h"
#include "tests/e2e/stored_zip.h"

namespace pf::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr wchar_t kTitle[] = L"Kelo Self Extractor";
constexpr int kOpenDialogNameCombo = 0x47c;  // cmb13
constexpr int kOpenDialogNameEdit = 0x480;   // edt1
constexpr int kMessageBoxText = 0xFFFF;

// A path CMake gave as a Unix path, as Wine's Z: drive spells it.
std::wstring WindowsPath(std::string path) {
  std::wstring wide(path.begin(), path.end());
  if (!wide.empty() && wide[0] == L'/') wide = L"Z:" + wide;
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  return wide;
}

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Narrow(const std::wstring& text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

// A process this test started; ended if the test leaves it running.
class Child {
 public:
  Child(const std::wstring& commandLine, const std::wstring& folder) {
    std::wstring line = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &info_))
      throw std::runtime_error("cannot start " + Narrow(commandLine));
    CloseHandle(info_.hThread);
  }
  ~Child() {
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT)
      TerminateProcess(info_.hProcess, 99);
    CloseHandle(info_.hProcess);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  HANDLE handle() const { return info_.hProcess; }
  DWORD id() const { return info_.dwProcessId; }
  // The exit code, or nothing when it is still running after `timeout`.
  std::optional<DWORD> Wait(std::chrono::milliseconds timeout) const {
    if (WaitForSingleObject(info_.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
      return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
  }

 private:
  PROCESS_INFORMATION info_{};
};

// A visible dialog of the process, other than `except`, that `accept` likes.
HWND FindDialog(DWORD process, HWND except, const std::function<bool(HWND)>& accept) {
  for (HWND w : TopWindowsOf(process)) {
    if (w != except && ClassOf(w) == L"#32770" && accept(w)) return w;
  }
  return nullptr;
}

HWND FileNameField(HWND dialog) {
  HWND combo = GetDlgItem(dialog, kOpenDialogNameCombo);
  if (combo && IsWindowVisible(combo)) {
    if (HWND edit = FindWindowExW(combo, nullptr, L"Edit", nullptr)) return edit;
    return combo;
  }
  HWND edit = GetDlgItem(dialog, kOpenDialogNameEdit);
  return edit && IsWindowVisible(edit) ? edit : nullptr;
}

void SetText(HWND window, const std::wstring& text) {
  SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// What a click on a button does: the command to its dialog. Posted, so a
// modal loop it starts does not hold this process.
void PressButton(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

unsigned StateImage(HWND list, int row) {
  auto state = static_cast<UINT>(
      SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
  return (state & LVIS_STATEIMAGEMASK) >> 12;
}

// A 7z archive made by the product's own client library.
void MakeSevenZip(const fs::path& archive, const std::vector<fs::path>& files) {
  std::wstring client = WindowsPath(PF_CLIENT7Z_DLL);
  HMODULE library = LoadLibraryW(client.c_str());
  ASSERT_TRUE(library) << "cannot load Client7z.dll";
  using Decompress = int (*)(int, const wchar_t* const*, const wchar_t* const*, int);
  auto decompress =
      reinterpret_cast<Decompress>(reinterpret_cast<void*>(GetProcAddress(library, "Decompress")));
  ASSERT_TRUE(decompress);
  std::wstring target = archive.wstring();
  const wchar_t* argv[] = {client.c_str(), L"a", target.c_str()};
  std::vector<std::wstring> paths;
  for (const auto& f : files) paths.push_back(f.wstring());
  std::vector<const wchar_t*> list;
  for (const auto& p : paths) list.push_back(p.c_str());
  EXPECT_EQ(decompress(3, argv, list.data(), static_cast<int>(list.size())), 0);
  FreeLibrary(library);
}

class Folder {
 public:
  Folder() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    path_ = fs::path(temp) / (L"pf-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetTickCount64()));
    fs::create_directories(path_);
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// The build's temporary files and trace go into the test's own folder.
void UseWorkFolder(const fs::path& work) {
  fs::create_directories(work / L"tmp");
  fs::create_directories(work / L"appdata");
  for (const wchar_t* name : {L"temp", L"tmp"})
    SetEnvironmentVariableW(name, (work / L"tmp").c_str());
  SetEnvironmentVariableW(L"appdata", (work / L"appdata").c_str());
}

HWND WaitForSheet(const Child& wizard) {
  return WaitForWindow(
      [&]() -> HWND {
        for (HWND w : TopWindowsOf(wizard.id()))
          if (TextOf(w) == kTitle && FindDescendant(w, IDB_ADD)) return w;
        return nullptr;
      },
      60s, "the wizard");
}

// Add: the open-file dialog, first to the folder, then the names.
void AddFiles(const Child& wizard, HWND sheet, HWND page, const fs::path& folder,
              const std::vector<std::wstring>& added) {
  PressButton(page, IDB_ADD);
  HWND open = WaitForWindow(
      [&] {
        return FindDialog(wizard.id(), sheet, [](HWND w) { return FileNameField(w) != nullptr; });
      },
      30s, "the open-file dialog");
  HWND name = FileNameField(open);
  SetText(name, folder.wstring());
  PressButton(open, IDOK);
  WaitFor(
      [&] {
        return lstrcmpiW(OpenDialogFolder(wizard.handle(), open).c_str(), folder.c_str()) == 0;
      },
      15s, "the dialog to show the input folder");
  std::wstring names;
  for (const auto& n : added) names += L"\"" + n + L"\" ";
  SetText(name, names);
  PressButton(open, IDOK);
  WaitFor([&] { return !IsWindow(open) || !IsWindowVisible(open); }, 15s,
          "the open-file dialog to close");
}

// The first visible message box of the wizard with its text.
HWND WaitForMessageBox(const Child& wizard, HWND sheet, std::chrono::milliseconds timeout,
                       const std::string& what) {
  return WaitForWindow(
      [&] {
        return FindDialog(wizard.id(), sheet, [](HWND w) {
          HWND text = GetDlgItem(w, kMessageBoxText);
          return text && !TextOf(text).empty();
        });
      },
      timeout, what);
}

TEST(WizardEndToEnd, APackageBuiltThroughTheWindowsExtractsEveryByte) {
  Folder work;
  fs::path in = work.path() / L"in", out = work.path() / L"out", unpacked = work.path() / L"x";
  fs::create_directories(in);
  fs::create_directories(out);
  UseWorkFolder(work.path());

  // What must come out again: ordinary files (packed into the archive), a
  // kept archive (travels as it is) and the entries of an unpacked one.
  std::map<std::wstring, std::string> expected = {
      {L"notes.txt", "first line\r\nsecond line\r\n"},
      {L"blob.bin", RandomBytes(300000, 1)},
      {L"donn\u00e9es \u00fc.txt", "accents in the name\n"},
      {L"inner1.txt", "inside the archive\n"},
      {L"inner2.bin", RandomBytes(50000, 2)},
      {L"kept.zip", StoredZip({{"stays.txt", "zipped"}, {"stays.bin", RandomBytes(9000, 3)}})},
  };
  for (const auto& name : {L"notes.txt", L"blob.bin", L"donn\u00e9es \u00fc.txt", L"kept.zip"})
    WriteFile(in / name, expected.at(name));
  fs::create_directories(work.path() / L"src");
  for (const auto& name : {L"inner1.txt", L"inner2.bin"})
    WriteFile(work.path() / L"src" / name, expected.at(name));
  ASSERT_NO_FATAL_FAILURE(MakeSevenZip(in / L"data.7z", {work.path() / L"src" / L"inner1.txt",
                                                         work.path() / L"src" / L"inner2.bin"}));
  const std::vector<std::wstring> added = {L"notes.txt", L"data.7z", L"blob.bin",
                                           L"donn\u00e9es \u00fc.txt", L"kept.zip"};

  Child wizard(L"\"" + WindowsPath(PF_PACKFORGE_EXE) + L"\"", work.path().wstring());
  HWND sheet = WaitForSheet(wizard);
  HWND page = GetParent(FindDescendant(sheet, IDB_ADD));
  HWND list = GetDlgItem(page, IDL_DATA_FILES);
  ASSERT_TRUE(list);
  ASSERT_NO_FATAL_FAILURE(AddFiles(wizard, sheet, page, in, added));
  WaitFor([&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 5; }, 15s, "five rows");

  // Only the archives have a checkbox, ticked; kept.zip is unticked by a
  // click, so it travels as it is.
  int keptRow = -1;
  for (int row = 0; row < 5; ++row) {
    std::wstring text = ListItemText(wizard.handle(), list, row, 0);
    bool archive = text == L"data.7z" || text == L"kept.zip";
    EXPECT_EQ(StateImage(list, row), archive ? 2u : 0u) << Narrow(text);
    if (text == L"kept.zip") keptRow = row;
  }
  ASSERT_GE(keptRow, 0);
  ClickRowCheckbox(wizard.handle(), list, keptRow);
  WaitFor([&] { return StateImage(list, keptRow) == 1; }, 10s, "kept.zip to be unticked");

  SetText(GetDlgItem(page, IDE_DESTINATION_PATH), out.wstring());
  SetText(GetDlgItem(page, IDE_FILE_NAME), L"setup");
  PressButton(page, IDB_HOME_FINISH);

  HWND box = WaitForMessageBox(wizard, sheet, 180s, "the result box");
  EXPECT_EQ(TextOf(box), kTitle);
  ASSERT_EQ(TextOf(GetDlgItem(box, kMessageBoxText)),
            L"Self Extracting file has been successfully created");
  PressButton(box, IDOK);
  std::optional<DWORD> wizardExit = wizard.Wait(30s);
  ASSERT_TRUE(wizardExit) << "the wizard did not end after the result box";
  EXPECT_EQ(*wizardExit, 0u);

  fs::path package = out / L"setup.exe";
  ASSERT_TRUE(fs::exists(package));
  Child agent(L"\"" + package.wstring() + L"\" /S \"/D=" + unpacked.wstring() + L"\"",
              work.path().wstring());
  std::optional<DWORD> agentExit = agent.Wait(180s);
  ASSERT_TRUE(agentExit) << "the package did not finish extracting";
  ASSERT_EQ(*agentExit, 0u);

  std::map<std::wstring, std::string> extracted;
  for (const auto& entry : fs::directory_iterator(unpacked))
    extracted[entry.path().filename().wstring()] = ReadFile(entry.path());
  ASSERT_EQ(extracted.size(), expected.size());
  for (const auto& [file, bytes] : expected) {
    ASSERT_TRUE(extracted.count(file)) << Narrow(file) << " was not extracted";
    EXPECT_TRUE(extracted.at(file) == bytes) << Narrow(file) << " differs";
  }
}

// Cancel while the package is being written: the process ends and the
// destination holds what it held before, the old package and nothing else.
TEST(WizardEndToEnd, CancelDuringTheBuildLeavesTheDestinationAsItWas) {
  Folder work;
  fs::path in = work.path() / L"in", out = work.path() / L"out";
  fs::create_directories(in);
  fs::create_directories(out);
  UseWorkFolder(work.path());
  WriteFile(in / L"notes.txt", "a few words\n");
  // A large archive that travels as it is keeps the writing busy for a
  // while; sparse, so making it costs nothing.
  { std::ofstream big(in / L"big.zip", std::ios::binary); }
  fs::resize_file(in / L"big.zip", std::uintmax_t{1} << 30);
  WriteFile(out / L"setup.exe", "the old package");

  Child wizard(L"\"" + WindowsPath(PF_PACKFORGE_EXE) + L"\"", work.path().wstring());
  HWND sheet = WaitForSheet(wizard);
  HWND page = GetParent(FindDescendant(sheet, IDB_ADD));
  HWND list = GetDlgItem(page, IDL_DATA_FILES);
  ASSERT_TRUE(list);
  ASSERT_NO_FATAL_FAILURE(AddFiles(wizard, sheet, page, in, {L"notes.txt", L"big.zip"}));
  WaitFor([&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 2; }, 15s, "two rows");
  ClickRowCheckbox(wizard.handle(), list, 1);
  WaitFor([&] { return StateImage(list, 1) == 1; }, 10s, "big.zip to be unticked");
  SetText(GetDlgItem(page, IDE_DESTINATION_PATH), out.wstring());
  SetText(GetDlgItem(page, IDE_FILE_NAME), L"setup");
  PressButton(page, IDB_HOME_FINISH);
  HWND question = WaitForMessageBox(wizard, sheet, 30s, "the overwrite question");
  PressButton(question, IDYES);

  auto temporaryFiles = [&] {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(out))
      if (entry.path().extension() == L".tmp") found.push_back(entry.path());
    return found;
  };
  WaitFor([&] { return !temporaryFiles().empty(); }, 120s, "the package's temporary file");
  HWND progress = WaitForWindow(
      [&]() -> HWND {
        for (HWND w : TopWindowsOf(wizard.id()))
          if (TextOf(w) == L"Processing...") return w;
        return nullptr;
      },
      10s, "the progress window");
  PressButton(progress, IDB_PROGRESS_CANCEL);
  std::optional<DWORD> wizardExit = wizard.Wait(30s);
  ASSERT_TRUE(wizardExit) << "Cancel did not end the wizard";
  EXPECT_EQ(*wizardExit, 0u);
  // The file was deleted while the build still wrote it; it goes when the
  // ended process's handle is closed.
  WaitFor([&] { return temporaryFiles().empty(); }, 10s, "the temporary file to go");

  std::vector<std::wstring> left;
  for (const auto& entry : fs::directory_iterator(out)) left.push_back(entry.path().filename());
  EXPECT_EQ(left, std::vector<std::wstring>{L"setup.exe"});
  EXPECT_EQ(ReadFile(out / L"setup.exe"), "the old package");
  // Nor is the build's work folder (its archive, the library copies) left
  // in the user's temp folder.
  std::vector<std::wstring> workLeft;
  if (fs::exists(work.path() / L"tmp" / L"ZPK"))
    for (const auto& entry : fs::directory_iterator(work.path() / L"tmp" / L"ZPK"))
      workLeft.push_back(entry.path().filename());
  EXPECT_EQ(workLeft, std::vector<std::wstring>{});
}

}  // namespace
}  // namespace pf::test
