// A whole package made through the wizard's icon, password and run pages
// with the real engine, then run unattended by its own agent: the right
// password extracts and runs the command, a wrong one extracts nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>

#include "agent/exit_codes.h"
#include "engine/header_reader.h"
#include "engine/password_encoding.h"
#include "platform/os.h"
#include "platform/text.h"
#include "platform/win32/unique_handle.h"
#include "resources/resource.h"
#include "tests/support/test_workspace.h"
#include "tests/win/icon_fixture.h"
#include "tests/win/page_driver.h"

namespace pf::test {
namespace {

constexpr DWORD kAgentTimeoutMs = 120000;

// Runs the package with `arguments`, its %temp% pointed at `temp`; its
// exit code, or nothing when it did not start or end in time.
std::optional<DWORD> RunPackage(const std::u16string& package, const std::u16string& arguments,
                                const std::u16string& temp) {
  SetEnv(u"temp", temp);
  SetEnv(u"tmp", temp);
  std::wstring commandLine = L"\"" + ToWide(package) + L"\" " + ToWide(arguments);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info))
    return std::nullopt;
  win::unique_handle process(info.hProcess);
  win::unique_handle thread(info.hThread);
  if (WaitForSingleObject(process.get(), kAgentTimeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(process.get(), 99);
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  return code;
}

// The header sits behind the agent; the agent holds the signature text
// too, so the last one found is the header's.
std::optional<PackageHeader> HeaderOf(const std::string& package) {
  static constexpr std::string_view kSignature("Kelo Data File Signature\0", 25);
  std::size_t at = package.rfind(kSignature);
  if (at == std::string::npos) return std::nullopt;
  auto* bytes = reinterpret_cast<const std::uint8_t*>(package.data()) + at;
  return ReadPackageHeader({bytes, package.size() - at}).header;
}

// The bytes of the package's first RT_ICON image.
std::string IconImageOf(const std::u16string& package) {
  win::unique_hmodule module(LoadLibraryExW(
      ToWide(package).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  if (!module) return {};
  HRSRC found = FindResourceW(module.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(3));  // RT_ICON
  if (!found) return {};
  HGLOBAL loaded = LoadResource(module.get(), found);
  auto* data = static_cast<const char*>(LockResource(loaded));
  return data ? std::string(data, SizeofResource(module.get(), found)) : std::string();
}

TEST(WizardPackage, ExtractsAndRunsWithItsPasswordAndNothingWithAWrongOne) {
  Workspace ws;
  std::u16string bin = os::FullPath(os::ExecutableFolder() + u"\\..\\bin");
  for (const char16_t* needed : {u"SelfExtractor.exe", u"7z.dll", u"Client7z.dll"})
    ASSERT_TRUE(FileExists(bin + u"\\" + needed)) << ToUtf8(needed) << " is not built";

  std::string notes = "Release notes\r\nline two\r\n";
  std::string data(200000, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 7919u) >> 5);
  std::u16string notesPath = ws.File(u"input\\notes.txt", notes);
  std::u16string dataPath = ws.File(u"input\\data.bin", data);
  std::u16string icon = ws.File(u"art\\brand.ico", TinyIcon());
  const std::u16string command = u"cmd /c copy notes.txt ran.txt";

  PageDriver ui(/*realBuild=*/true);
  ui.settings().programFolder = bin;

  ui.Show(1);
  ui.SetText(1, IDE_ICON_FILE, icon);
  ui.SetText(1, IDE_ABOUT_MESSAGE, u"Unpacking the sample");
  ui.SetText(1, IDE_ABOUT_TITLE, u"Sample");
  ui.Click(1, IDB_ICON_NEXT);
  ASSERT_EQ(ui.ActiveIndex(), 2);

  // What the data-files page would have stored, set once it has been left.
  BuildSettings& s = ui.settings();
  s.dataFiles = {u"7z.dll", u"Client7z.dll", notesPath, dataPath};
  s.noOfFiles = 4;
  s.dataFileNames = {u"notes.txt", u"data.bin"};
  s.decompressFlags = {1, 1, -1, -1};
  s.outputFilepath = ws.Folder(u"out");
  s.outputFileName = u"setup";

  ui.Click(2, IDR_TEMP_FOLDER);
  ui.Click(2, IDX_PROTECT);
  ui.Type(2, IDE_PASSWORD, u"s3cret");
  ui.Type(2, IDE_CONFIRM, u"s3cret");
  ui.Click(2, IDB_PASSWORD_NEXT);
  ASSERT_EQ(ui.ActiveIndex(), 3);

  ui.Click(3, IDX_RUN_FILE);
  ui.Click(3, IDR_COMMAND);
  ui.SetText(3, IDE_COMMAND, command);
  ui.Click(3, IDB_RUN_FINISH);
  ASSERT_EQ(ui.messages().size(), 1u);
  ASSERT_EQ(ui.messages()[0].text, u"Self Extracting file has been successfully created");
  ASSERT_EQ(ui.builds.size(), 1u);
  EXPECT_EQ(ui.builds[0].driverFilePath, command);

  std::u16string package = ws.Path(u"out\\setup.exe");
  ASSERT_TRUE(FileExists(package));
  auto header = HeaderOf(ReadAll(package));
  ASSERT_TRUE(header);
  EXPECT_EQ(header->aboutMessage, u"Unpacking the sample");
  EXPECT_EQ(header->aboutTitle, u"Sample");
  EXPECT_EQ(header->extractFolderOption, 1);
  EXPECT_EQ(header->password, EncodePassword(u"s3cret"));
  EXPECT_EQ(header->driverFilePath, command);
  EXPECT_EQ(IconImageOf(package), TinyIcon().substr(kTinyIconImageOffset));

  std::u16string wrongTarget = ws.Folder(u"wrong");
  EXPECT_EQ(RunPackage(package, u"/S /P=s3creT", wrongTarget), agent::kExitPassword);
  EXPECT_TRUE(ListFolder(wrongTarget).empty());

  std::u16string target = ws.Folder(u"target");
  ASSERT_EQ(RunPackage(package, u"/S /P=s3cret", target), agent::kExitSuccess);
  EXPECT_EQ(ReadAll(target + u"\\notes.txt"), notes);
  EXPECT_EQ(ReadAll(target + u"\\data.bin"), data);
  EXPECT_EQ(ReadAll(target + u"\\ran.txt"), notes);  // the command ran in the target folder
}

TEST(WizardPackage, ATickedArchiveTheCodecCannotOpenIsRefusedAtFinish) {
  Workspace ws;
  std::u16string bin = os::FullPath(os::ExecutableFolder() + u"\\..\\bin");
  std::u16string notes = ws.File(u"input\\notes.txt", "notes");
  std::u16string fake = ws.File(u"input\\old.rar", "Rar! but not really");

  PageDriver ui(/*realBuild=*/true);
  ui.settings().programFolder = bin;
  ui.Show(1);
  BuildSettings& s = ui.settings();
  s.dataFiles = {u"7z.dll", u"Client7z.dll", notes, fake};
  s.noOfFiles = 4;
  s.dataFileNames = {u"notes.txt", u"old.rar"};
  s.decompressFlags = {1, 1, -1, 1};
  s.outputFilepath = ws.Folder(u"out");
  s.outputFileName = u"setup";

  ui.Click(1, IDB_ICON_FINISH);
  auto shown = ui.messages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, u"Kelo Self Extractor");
  EXPECT_EQ(shown[0].text.rfind(u"The file is not an archive that the codec can read: " + fake, 0),
            0u);
  EXPECT_NE(shown[0].text.find(u"travel packed"), std::u16string::npos);
  // No build started, the wizard goes on, nothing was written.
  EXPECT_TRUE(ui.builds.empty());
  EXPECT_TRUE(ui.recorder.exits().empty());
  EXPECT_EQ(ui.ActiveIndex(), 1);
  EXPECT_TRUE(ListFolder(s.outputFilepath).empty());

  // Cleared, it travels packed and the package is built.
  ui.ForgetMessages();
  s.decompressFlags = {1, 1, -1, 0};
  ui.Click(1, IDB_ICON_FINISH);
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].text, u"Self Extracting file has been successfully created");
  EXPECT_EQ(ui.builds.size(), 1u);
  EXPECT_TRUE(FileExists(ws.Path(u"out\\setup.exe")));
}

}  // namespace
}  // namespace pf::test
