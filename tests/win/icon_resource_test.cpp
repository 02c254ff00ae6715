// The icon step against the real agent, read back the way the shell reads
// a program's icon.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/header_writer.h"
#include "engine/merger.h"
#include "icon/agent_icon.h"
#include "platform/text.h"
#include "platform/win32/unique_handle.h"
#include "tests/support/trace_capture.h"
#include "trace/trace_log.h"

namespace pf {
namespace {

std::u16string FromBuildTree(const char* path) {
  std::u16string p = u"Z:" + FromUtf8(path);
  std::replace(p.begin(), p.end(), u'/', u'\\');
  return p;
}

struct IconResources {
  std::vector<std::wstring> iconNames, groupNames;
  std::vector<WORD> iconLanguages, groupLanguages;
  std::string image, group;
};

std::wstring NameOf(LPCWSTR name) {
  return IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name)) : name;
}

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR out) {
  reinterpret_cast<std::vector<std::wstring>*>(out)->push_back(NameOf(name));
  return TRUE;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR out) {
  reinterpret_cast<std::vector<WORD>*>(out)->push_back(language);
  return TRUE;
}

std::string Bytes(HMODULE m, HRSRC r) {
  if (!r) return {};
  HGLOBAL g = LoadResource(m, r);
  auto* p = static_cast<const char*>(LockResource(g));
  return std::string(p, SizeofResource(m, r));
}

IconResources ReadIcon(const std::u16string& file) {
  IconResources out;
  pf::win::unique_hmodule m(
      LoadLibraryExW(ToWide(file).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  EXPECT_TRUE(m) << "cannot load " << ToUtf8(file) << " as data";
  if (!m) return out;
  EnumResourceNamesW(m.get(), RT_ICON, CollectName, reinterpret_cast<LONG_PTR>(&out.iconNames));
  EnumResourceNamesW(m.get(), RT_GROUP_ICON, CollectName,
                     reinterpret_cast<LONG_PTR>(&out.groupNames));
  EnumResourceLanguagesW(m.get(), RT_ICON, MAKEINTRESOURCEW(1), CollectLanguage,
                         reinterpret_cast<LONG_PTR>(&out.iconLanguages));
  EnumResourceLanguagesW(m.get(), RT_GROUP_ICON, L"MAINICON", CollectLanguage,
                         reinterpret_cast<LONG_PTR>(&out.groupLanguages));
  out.image = Bytes(m.get(), FindResourceW(m.get(), MAKEINTRESOURCEW(1), RT_ICON));
  out.group = Bytes(m.get(), FindResourceW(m.get(), L"MAINICON", RT_GROUP_ICON));
  return out;
}

// Exactly one image 1 (neutral) and one "MAINICON" group (English, US).
void ExpectOneIcon(const IconResources& r) {
  EXPECT_EQ(r.iconNames, std::vector<std::wstring>{L"#1"});
  EXPECT_EQ(r.groupNames, std::vector<std::wstring>{L"MAINICON"});
  EXPECT_EQ(r.iconLanguages, std::vector<WORD>{0});
  EXPECT_EQ(r.groupLanguages, std::vector<WORD>{1033});
}

std::uint32_t SizeField(const std::string& group) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i)
    v |= std::uint32_t{static_cast<std::uint8_t>(group[14 + i])} << (8 * i);
  return v;
}

class IconResourceTest : public ::testing::Test {
 protected:
  IconResourceTest() {
    test::EnableTrace(ws_);
    InitTraceLog();
    prog_ = ws_.Folder(u"prog");
    shipped_ = test::ReadAll(FromBuildTree(PF_AGENT_EXE));
    agent_ = ws_.File(u"prog\\SelfExtractor.exe", shipped_);
    iconBytes_ = test::ReadAll(FromBuildTree(PF_DEFAULT_ICON));
    icon_ = ws_.File(u"chosen.ico", iconBytes_);
  }
  test::Workspace ws_;
  std::u16string prog_, agent_, icon_;
  std::string shipped_, iconBytes_;
};

TEST_F(IconResourceTest, ShippedAgentAlreadyHasTheLayoutABuildWrites) {
  ExpectOneIcon(ReadIcon(agent_));
}

TEST_F(IconResourceTest, StampedCopyCarriesTheIconAndTheAgentStaysAsShipped) {
  for (bool readOnly : {false, true}) {
    SCOPED_TRACE(readOnly ? "read-only agent" : "writable agent");
    test::SetReadOnly(agent_, readOnly);
    StampedAgent stamped = SetIconForSelfExtractorAgent(icon_, agent_, prog_);
    ASSERT_TRUE(stamped.isCopy());
    IconResources r = ReadIcon(stamped.path());
    ExpectOneIcon(r);
    EXPECT_EQ(r.image, iconBytes_.substr(22));
    ASSERT_EQ(r.group.size(), 20u);
    EXPECT_EQ(SizeField(r.group), iconBytes_.size() - 22);
    EXPECT_EQ(test::ReadAll(agent_), shipped_);
    test::SetReadOnly(agent_, false);
  }
  auto lines = test::TraceLines(ws_);
  int first = test::LineIndex(lines, "Entered SetIconForSelfExtractorAgent:-");
  ASSERT_GE(first, 0);
  std::vector<std::string> expected = {
      "Entered SetIconForSelfExtractorAgent:-",
      "Entered ChangeIconInPE:- ",
      "Entered IconImplementer",
      "Entered IconFileInitialize",
      "Entered CreateFileBuffer",
      "Entered GetFileLength",
      "Exited GetFileLength fileLen: " + std::to_string(iconBytes_.size()),
      "Exited CreateFileBuffer",
      "Entered ReadFileIntoBuffer",
      "Exited ReadFileIntoBuffer",
      "Exited IconFileInitialize",
      "Exited IconImplementer",
      "Entered SetIconProperties",
      "Exited SetIconProperties",
      "Entered UpdateIcon",
      "Exited UpdateIcon",
      "Exited ChangeIconInPE:- ",
      "Entered ~IconImplementer",
      "Exited ~IconImplementer",
  };
  EXPECT_EQ(std::vector<std::string>(
                lines.begin() + first,
                lines.begin() + std::min<std::size_t>(lines.size(), first + expected.size())),
            expected);
}

TEST_F(IconResourceTest, PackageBuiltFromTheCopyShowsTheIcon) {
  // Any other icon than the agent's own, so the change is visible.
  std::string other = iconBytes_;
  for (std::size_t i = 100; i < other.size(); i += 7) other[i] ^= 0x5A;
  std::u16string otherIcon = ws_.File(u"other.ico", other);
  std::u16string data = ws_.File(u"data\\notes.txt", "some notes");
  ws_.File(u"prog\\7z.dll", "codec");
  ws_.File(u"prog\\Client7z.dll", "client");
  std::u16string out = ws_.Folder(u"out");
  StampedAgent stamped = SetIconForSelfExtractorAgent(otherIcon, agent_, prog_);
  std::vector<std::u16string> list{u"7z.dll", u"Client7z.dll", data};
  ByteBuffer header;
  std::uint32_t total = 0;
  CreateHeaderArray(list, header, u"SelfExtractor.exe", u"", 3, total, {1, 1, 0, 0}, prog_, u"",
                    u"", u"", 0);
  MergeIntoSingleFile(header, out, u"pkg", stamped.path(), prog_, list, 3, total);
  IconResources r = ReadIcon(out + u"\\pkg.exe");
  ExpectOneIcon(r);
  EXPECT_EQ(r.image, other.substr(22));
  EXPECT_EQ(test::ReadAll(agent_), shipped_);
}

}  // namespace
}  // namespace pf
