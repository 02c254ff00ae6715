// The shipped programs' version blocks, read back as Windows' file
// properties read them, carry the project's version.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "packforge_version.h"

namespace {

std::wstring InBin(const char* name) {
  std::string path = std::string("Z:") + PF_BIN_DIR + "/" + name;
  std::wstring wide(path.begin(), path.end());
  for (auto& c : wide)
    if (c == L'/') c = L'\\';
  return wide;
}

std::wstring Text(const std::vector<char>& block, const wchar_t* key) {
  void* value = nullptr;
  UINT size = 0;
  std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + key;
  if (!VerQueryValueW(block.data(), query.c_str(), &value, &size) || !size) return L"(none)";
  return static_cast<const wchar_t*>(value);
}

TEST(VersionResource, ShippedProgramsCarryTheProjectVersion) {
  const std::string v = PF_VERSION_STRING;
  const std::wstring version(v.begin(), v.end());
  for (const char* name : {"Packforge.exe", "packforge-cli.exe"}) {
    SCOPED_TRACE(name);
    std::wstring path = InBin(name);
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_NE(size, 0u) << "no version block, error " << GetLastError();
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize));
    EXPECT_EQ(fixed->dwFileVersionMS,
              static_cast<DWORD>(MAKELONG(PF_VERSION_MINOR, PF_VERSION_MAJOR)));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(Text(block, L"FileVersion"), version);
    EXPECT_EQ(Text(block, L"ProductVersion"), version);
    std::string n = name;
    EXPECT_EQ(Text(block, L"OriginalFilename"), std::wstring(n.begin(), n.end()));
  }
}

}  // namespace
