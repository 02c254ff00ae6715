// The icon step against the real agent, read back the way the shell reads
// a program's icon.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/header_writer.h"
#include "engine/merger.h"
#include "icon/agent_icon.h"
#include "icon/ico_file.h"
#include "platform/text.h"
#include "platform/win32/unique_handle.h"
#include "tests/support/ico_builder.h"
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

// The RT_ICON images of a file in id order, each with its languages.
struct StampedImages {
  std::vector<std::wstring> names;
  std::vector<std::string> images;
  std::vector<std::vector<WORD>> languages;
  std::string group;
};

StampedImages ReadImages(const std::u16string& file) {
  StampedImages out;
  pf::win::unique_hmodule m(
      LoadLibraryExW(ToWide(file).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  EXPECT_TRUE(m) << "cannot load " << ToUtf8(file) << " as data";
  if (!m) return out;
  EnumResourceNamesW(m.get(), RT_ICON, CollectName, reinterpret_cast<LONG_PTR>(&out.names));
  for (std::size_t id = 1; id <= out.names.size(); ++id) {
    out.images.push_back(Bytes(m.get(), FindResourceW(m.get(), MAKEINTRESOURCEW(id), RT_ICON)));
    out.languages.emplace_back();
    EnumResourceLanguagesW(m.get(), RT_ICON, MAKEINTRESOURCEW(id), CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&out.languages.back()));
  }
  out.group = Bytes(m.get(), FindResourceW(m.get(), L"MAINICON", RT_GROUP_ICON));
  return out;
}

std::uint16_t Le16At(const std::string& b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) |
                                    (static_cast<std::uint8_t>(b[at + 1]) << 8));
}

// The icon Windows picks from the file's "MAINICON" for `size`, drawn on a
// black 32-bit bitmap: its width, and each pixel as 0x00RRGGBB, top row first.
struct Drawn {
  int width = 0;
  std::vector<std::uint32_t> pixels;
};

Drawn DrawIcon(const std::u16string& file, int size) {
  Drawn out;
  pf::win::unique_hmodule m(
      LoadLibraryExW(ToWide(file).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!m) return out;
  pf::win::unique_hicon icon(static_cast<HICON>(
      LoadImageW(m.get(), L"MAINICON", IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
  EXPECT_TRUE(icon) << "LoadImageW gave no icon of " << size;
  if (!icon) return out;
  ICONINFO info{};
  if (GetIconInfo(icon.get(), &info)) {
    BITMAP bm{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    out.width = bm.bmWidth;
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
  }
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = size;
  bi.bmiHeader.biHeight = -size;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  DrawIconEx(dc, 0, 0, icon.get(), size, size, 0, nullptr, DI_NORMAL);
  GdiFlush();
  const auto* p = static_cast<const std::uint32_t*>(bits);
  for (int i = 0; i < size * size; ++i) out.pixels.push_back(p[i] & 0xFFFFFF);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return out;
}

// Every image of the file, as it stands, under ids 1..n, and a group that
// names each by its own size and depth; what Windows draws from the package
// at 16, 32 and 48 pixels is that size's image, pixel for pixel.
TEST_F(IconResourceTest, EveryImageOfTheFileIsStampedAndDescribed) {
  using test::ImageOf;
  struct Image {
    int size, bits;
    bool png;
  };
  struct Case {
    const char* what;
    std::vector<Image> images;
  };
  const std::vector<Case> cases = {
      {"one 16 pixel 4-bit image", {{16, 4, false}}},
      {"one 32 pixel 8-bit image", {{32, 8, false}}},
      {"one 48 pixel 24-bit image", {{48, 24, false}}},
      {"one 256 pixel PNG", {{256, 32, true}}},
      {"256 (PNG), 48, 32 and 16 pixels",
       {{256, 32, true}, {48, 32, false}, {32, 32, false}, {16, 32, false}}},
      {"16, 32 and 48 pixels of different depths",
       {{16, 4, false}, {32, 8, false}, {48, 24, false}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<test::IcoEntry> entries;
    for (const auto& i : c.images)
      entries.push_back({i.size, i.bits, ImageOf(i.size, i.bits, i.png)});
    std::u16string ico = ws_.File(u"case.ico", test::IcoFileOf(entries));
    StampedAgent stamped = SetIconForSelfExtractorAgent(ico, agent_, prog_);
    StampedImages r = ReadImages(stamped.path());
    ASSERT_EQ(r.images.size(), entries.size());
    ASSERT_EQ(r.group.size(), 6 + 14 * entries.size());
    EXPECT_EQ(Le16At(r.group, 4), entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
      SCOPED_TRACE("image " + std::to_string(i + 1));
      EXPECT_EQ(r.images[i], entries[i].image);
      EXPECT_EQ(r.languages[i], std::vector<WORD>{0});
      std::size_t e = 6 + 14 * i;
      EXPECT_EQ(static_cast<std::uint8_t>(r.group[e]), entries[i].size % 256);
      EXPECT_EQ(static_cast<std::uint8_t>(r.group[e + 1]), entries[i].size % 256);
      EXPECT_EQ(Le16At(r.group, e + 4), 1);
      EXPECT_EQ(Le16At(r.group, e + 6), entries[i].bits);
      EXPECT_EQ(Le16At(r.group, e + 8) | (Le16At(r.group, e + 10) << 16), entries[i].image.size());
      EXPECT_EQ(Le16At(r.group, e + 12), i + 1);
    }
    for (const auto& i : c.images) {
      if (i.size > 48) continue;
      SCOPED_TRACE("drawn at " + std::to_string(i.size));
      Drawn d = DrawIcon(stamped.path(), i.size);
      EXPECT_EQ(d.width, i.size);
      ASSERT_EQ(d.pixels.size(), static_cast<std::size_t>(i.size * i.size));
      int wrong = 0;
      for (int y = 0; y < i.size; ++y)
        for (int x = 0; x < i.size; ++x)
          wrong += d.pixels[y * i.size + x] != test::PatternColour(i.size, x, y);
      EXPECT_EQ(wrong, 0);
    }
  }
}

// Files the reader refuses leave the copy exactly as the shipped agent.
TEST_F(IconResourceTest, RefusedFilesLeaveTheAgentsOwnIcon) {
  std::string app = test::ApplicationIcon();
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"entry pointing past the end",
       test::IcoFileOf({{16, 32, test::ImageOf(16, 32), -1, 0x10000}})},
      {"count of 0", test::IcoFileOf({})},
      {"truncated file", app.substr(0, app.size() / 2)},
  };
  for (const auto& [what, bytes] : cases) {
    SCOPED_TRACE(what);
    std::u16string ico = ws_.File(u"bad.ico", bytes);
    StampedAgent stamped = SetIconForSelfExtractorAgent(ico, agent_, prog_);
    EXPECT_EQ(test::ReadAll(stamped.path()), shipped_);
  }
  EXPECT_TRUE(test::HasLine(test::TraceLines(ws_),
                            "Change Icon failed. Hence skipped and continued the process"));
}

// A group with fewer images than the one it replaces leaves no image that
// nothing names.
TEST_F(IconResourceTest, ImagesTheNewGroupNoLongerNamesAreRemoved) {
  std::u16string four = ws_.File(u"four.ico", test::ApplicationIcon());
  std::string oneBytes = test::IcoFileOf({{32, 32, test::ImageOf(32, 32)}});
  std::u16string one = ws_.File(u"one.ico", oneBytes);
  std::u16string target = ws_.File(u"target.exe", shipped_);
  ChangeIconInPE(four, target);
  ASSERT_EQ(ReadImages(target).names.size(), 4u);
  ChangeIconInPE(one, target);
  StampedImages r = ReadImages(target);
  EXPECT_EQ(r.names, std::vector<std::wstring>{L"#1"});
  ASSERT_EQ(r.images.size(), 1u);
  EXPECT_EQ(r.images[0], oneBytes.substr(22));
  EXPECT_EQ(Le16At(r.group, 4), 1);
}

}  // namespace
}  // namespace pf
