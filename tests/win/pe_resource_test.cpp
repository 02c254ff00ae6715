// The icon step's resource writer on real programs of this tree's
// architecture, read back by our reader and by the system loader (as data
// and mapped as an image); the program with a section after its resources
// is also started and finds its own resources.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "icon/agent_icon.h"
#include "icon/ico_file.h"
#include "pe/pe_image.h"
#include "platform/os.h"
#include "platform/text.h"
#include "platform/win32/unique_handle.h"
#include "tests/support/ico_builder.h"
#include "tests/support/test_workspace.h"

namespace pf {
namespace {

std::u16string FromBuildTree(const char* path) {
  std::u16string p = u"Z:" + FromUtf8(path);
  std::replace(p.begin(), p.end(), u'/', u'\\');
  return p;
}

std::vector<std::uint8_t> Bytes(const std::string& s) {
  return {s.begin(), s.end()};
}

std::string Loaded(HMODULE m, LPCWSTR name, LPCWSTR type) {
  HRSRC r = FindResourceW(m, name, type);
  if (!r) return "(not found)";
  const auto* p = static_cast<const char*>(LockResource(LoadResource(m, r)));
  return p ? std::string(p, SizeofResource(m, r)) : "(not loaded)";
}

bool IsIcon(const os::Resource& r) {
  return r.type == os::ResourceName(std::uint16_t{3}) ||
         r.type == os::ResourceName(std::uint16_t{14});
}

// The end of the program's resource section rounded up to its section
// alignment: an image that takes the tree past it crosses a page.
std::size_t ResourcePageRoom(const std::string& program) {
  std::vector<std::uint8_t> bytes(program.begin(), program.end());
  auto im = pe::ParseImage(bytes).image;
  const pe::Section* s = im->SectionAt(im->directories[pe::kResourceDirectory].rva);
  return (s->virtualSize + im->sectionAlignment - 1) / im->sectionAlignment * im->sectionAlignment -
         s->virtualSize;
}

TEST(PeResourceWriter, StampedProgramsLoadWithEveryResource) {
  const struct {
    const char* what;
    const char* path;
    bool startable;
  } programs[] = {{"agent", PF_AGENT_EXE, false},
                  {"resources before another section", PF_FIXTURE_EXE, true}};
  for (const auto& p : programs) {
    const std::string program = test::ReadAll(FromBuildTree(p.path));
    std::size_t iconBytes = 0;
    {
      test::Workspace probe;
      auto existing = os::ReadResources(probe.File(u"probe.exe", program));
      ASSERT_TRUE(existing) << p.what;
      for (const auto& r : *existing)
        if (r.type == os::ResourceName(std::uint16_t{3})) iconBytes += r.data.size();
    }
    const struct {
      const char* what;
      std::string ico;
    } icons[] = {
        {"small", test::IcoFileOf({{16, 32, test::ImageOf(16, 32)}})},
        {"256 px PNG", test::ApplicationIcon()},
        // One image that takes the tree a little past its last page.
        {"crossing the page",
         test::IcoFileOf({{48, 32, std::string(iconBytes + ResourcePageRoom(program) + 64, 'x')}})},
    };
    for (const auto& i : icons) {
      SCOPED_TRACE(testing::Message() << p.what << ", " << i.what << " icon");
      test::Workspace ws;
      const auto copy = ws.File(u"program.exe", program);
      const auto ico = ws.File(u"chosen.ico", i.ico);
      auto before = os::ReadResources(copy);
      ASSERT_TRUE(before);
      ASSERT_NO_THROW(ChangeIconInPE(ico, copy));

      // Our reader: the chosen images, the group over them, the rest kept.
      IcoFile parsed = ReadIcoFile(Bytes(i.ico));
      ASSERT_TRUE(parsed.ok());
      auto after = os::ReadResources(copy);
      ASSERT_TRUE(after);
      std::vector<os::Resource> others;
      std::size_t images = 0;
      for (const auto& r : *after) {
        if (!IsIcon(r)) {
          others.push_back(r);
        } else if (r.type == os::ResourceName(std::uint16_t{3})) {
          const auto& image = parsed.images.at(images++);
          EXPECT_EQ(r.name, os::ResourceName(static_cast<std::uint16_t>(images)));
          EXPECT_EQ(r.data, Bytes(i.ico.substr(image.offset, image.size)));
        } else {
          EXPECT_EQ(r.name, os::ResourceName(std::u16string(u"MAINICON")));
          EXPECT_EQ(r.language, 1033);
          EXPECT_EQ(r.data, MakeGroupIconDirectory(parsed, Bytes(i.ico)));
        }
      }
      EXPECT_EQ(images, parsed.images.size());
      std::vector<os::Resource> kept;
      std::copy_if(before->begin(), before->end(), std::back_inserter(kept),
                   [](const auto& r) { return !IsIcon(r); });
      ASSERT_EQ(others.size(), kept.size());
      for (std::size_t k = 0; k < kept.size(); ++k) {
        EXPECT_EQ(others[k].type, kept[k].type);
        EXPECT_EQ(others[k].name, kept[k].name);
        EXPECT_EQ(others[k].data, kept[k].data);
      }

      // The loader, reading the file as data and mapping it as an image.
      const std::wstring wide = ToWide(copy);
      for (DWORD flags : {DWORD{LOAD_LIBRARY_AS_DATAFILE}, DWORD{DONT_RESOLVE_DLL_REFERENCES}}) {
        SCOPED_TRACE(flags == LOAD_LIBRARY_AS_DATAFILE ? "as data" : "as an image");
        win::unique_hmodule m(LoadLibraryExW(wide.c_str(), nullptr, flags));
        ASSERT_TRUE(m) << "LoadLibraryExW failed: " << GetLastError();
        EXPECT_EQ(Loaded(m.get(), L"MAINICON", RT_GROUP_ICON),
                  std::string(reinterpret_cast<const char*>(
                                  MakeGroupIconDirectory(parsed, Bytes(i.ico)).data()),
                              6 + 14 * parsed.images.size()));
        for (std::size_t n = 0; n < parsed.images.size(); ++n)
          EXPECT_EQ(Loaded(m.get(), MAKEINTRESOURCEW(n + 1), RT_ICON),
                    i.ico.substr(parsed.images[n].offset, parsed.images[n].size));
        for (const auto& r : kept) {
          std::wstring typeText, nameText;
          auto arg = [](const os::ResourceName& n, std::wstring& text) -> LPCWSTR {
            if (const auto* id = std::get_if<std::uint16_t>(&n)) return MAKEINTRESOURCEW(*id);
            text = ToWide(std::get<std::u16string>(n));
            return text.c_str();
          };
          LPCWSTR type = arg(r.type, typeText), name = arg(r.name, nameText);
          EXPECT_EQ(Loaded(m.get(), name, type), std::string(r.data.begin(), r.data.end()));
        }
      }

      if (p.startable) {
        std::wstring command = L"\"" + wide + L"\" icon";
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &si, &pi));
        win::unique_handle process(pi.hProcess), thread(pi.hThread);
        ASSERT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
        DWORD missing = 99;
        GetExitCodeProcess(pi.hProcess, &missing);
        EXPECT_EQ(missing, 0u) << "resources the stamped program could not find itself";
      }
    }
  }
}

}  // namespace
}  // namespace pf
