#include "tests/support/compression_libraries.h"

#include <algorithm>

#include "platform/os.h"
#include "platform/text.h"
#include "tests/support/test_workspace.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/unique_handle.h"
#endif

namespace pf::test {
namespace {

#ifdef _WIN32
// Test binaries live in <tree>/tests, shipped files in <tree>/bin.
std::u16string BinFolder() {
  return os::ExecutableFolder() + u"\\..\\bin";
}
#endif

}  // namespace

void InstallCompressionLibraries(const std::u16string& programFolder) {
#ifdef _WIN32
  for (const char16_t* name : {u"Client7z.dll", u"7z.dll"})
    os::CopyFileOver(BinFolder() + u"\\" + name, programFolder + u"\\" + name);
#else
  // The pair the package carries and the pair the build loads.
  for (const char16_t* name : {u"Client7z.dll", u"libclient7z.so"})
    os::CopyFileOver(os::ExecutableFolder() + u"\\stand_in_client7z.so",
                     programFolder + u"\\" + name);
  for (const char16_t* name : {u"7z.dll", u"7z.so"})
    os::WriteWholeFile(programFolder + u"\\" + name, {'p', 'l', 'a', 'c', 'e', 'h', 'o', 'l', 'd'});
#endif
}

std::optional<std::vector<std::u16string>> ArchivedNames(const std::u16string& archivePath,
                                                         const std::u16string& scratchFolder) {
  std::vector<std::u16string> names;
#ifdef _WIN32
  using DecompressFn = int (*)(int, const wchar_t* const*, const wchar_t* const*, int);
  std::wstring client = ToWide(BinFolder() + u"\\Client7z.dll");
  pf::win::unique_hmodule library(LoadLibraryW(client.c_str()));
  if (!library) return std::nullopt;
  auto decompress = reinterpret_cast<DecompressFn>(
      reinterpret_cast<void*>(GetProcAddress(library.get(), "Decompress")));
  if (!decompress) return std::nullopt;
  std::wstring archive = ToWide(archivePath);
  std::wstring target = ToWide(scratchFolder);
  const wchar_t* argv[] = {client.c_str(), L"x", archive.c_str()};
  const wchar_t* files[] = {target.c_str()};
  if (decompress(3, argv, files, 1) != 0) return std::nullopt;
  names = ListFolder(scratchFolder);
#else
  (void)scratchFolder;
  std::string text = ReadAll(archivePath);
  if (text.rfind("stand-in archive\n", 0) != 0) return std::nullopt;
  std::size_t at = 0;
  for (int line = 0; at < text.size(); ++line) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) break;
    std::string l = text.substr(at, end - at);
    at = end + 1;
    if (line < 3) continue;
    names.push_back(FromUtf8(l.substr(0, l.find('\t'))));
  }
#endif
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace pf::test
