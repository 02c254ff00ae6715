// The PE resource writer on small images made in memory: every layout the
// writer has to cope with, the directory order the loader's search needs,
// and malformed files refused without a byte written.
#include <gtest/gtest.h>

#include <algorithm>

#include "pe/byte_io.h"
#include "pe/pe_image.h"
#include "pe/resource_tree.h"
#include "pe/resource_writer.h"
#include "platform/os.h"
#include "tests/support/pe_builder.h"
#include "tests/support/test_workspace.h"

namespace pf {
namespace {

using pe::Get16;
using pe::Get32;
using test::Bytes;

constexpr std::uint16_t kIcon = 3, kGroup = 14, kVersion = 16;

std::vector<pe::Resource> Existing() {
  return {{kVersion, std::uint16_t{1}, 1033, 1252, Bytes("version block")},
          {u"CONFIG", u"Setup", 0, 0, Bytes("named type, named resource")},
          {kGroup, u"MAINICON", 1033, 0, Bytes("old group")},
          {kIcon, std::uint16_t{1}, 0, 0, Bytes("old image")}};
}

enum class Layout { kLast, kBeforeRelocations, kBeforeData, kNone };

struct Fixture {
  test::ImageSpec spec;
  std::vector<std::uint8_t> file;
  std::size_t data = 1;  // the section code would refer to by address
};

// .text, .data (imports and a debug entry naming bytes of its own), then
// .rsrc and .reloc in the order the layout asks for; 12 bytes appended
// after the image as a package would append its payload.
Fixture MakeFixture(Layout layout, bool plus) {
  Fixture f;
  auto& s = f.spec;
  s.plus = plus;
  s.checksum = 1;
  const test::SectionSpec text{".text", std::vector<std::uint8_t>(0x300, 0xC3), 0x60000020};
  const test::SectionSpec data{".data", std::vector<std::uint8_t>(0x400, 0xDA)};
  const test::SectionSpec rsrc{".rsrc", {}};
  const test::SectionSpec reloc{".reloc", std::vector<std::uint8_t>(0x20, 0x11), 0x42000040};
  switch (layout) {
    case Layout::kLast:
      s.sections = {text, data, reloc, rsrc};
      break;
    case Layout::kBeforeRelocations:
      s.sections = {text, data, rsrc, reloc};
      break;
    case Layout::kBeforeData:
      s.sections = {text, rsrc, data, reloc};
      break;
    case Layout::kNone:
      s.sections = {text, data, reloc};
      break;
  }
  auto index = [&](const char* name) {
    for (std::size_t i = 0; i < s.sections.size(); ++i)
      if (s.sections[i].name == name) return i;
    return s.sections.size();
  };
  f.data = index(".data");
  const std::size_t r = index(".rsrc");
  if (r < s.sections.size()) {
    auto sorted = Existing();
    pe::SortResources(sorted);
    s.sections[r].bytes = pe::BuildResourceSection(sorted, test::SectionRva(s, r));
    s.directories.push_back({2, r, 0, static_cast<std::uint32_t>(s.sections[r].bytes.size())});
  }
  const std::size_t relocIndex = index(".reloc");
  s.directories.push_back({1, f.data, 0x40, 0x28});
  s.directories.push_back({5, relocIndex, 0, 0x20});
  s.directories.push_back({6, f.data, 0x100, 28});
  f.file = test::BuildImage(s);
  // The debug entry names 16 bytes at .data+0x200 by address and offset.
  auto im = pe::ParseImage(f.file).image;
  const std::uint32_t dataRva = test::SectionRva(s, f.data);
  const std::uint32_t entry = *im->FileOffset(dataRva + 0x100, 28);
  pe::Put32(f.file, entry + 20, dataRva + 0x200);
  pe::Put32(f.file, entry + 24, *im->FileOffset(dataRva + 0x200, 16));
  f.file.insert(f.file.end(), {'p', 'a', 'y', 'l', 'o', 'a', 'd', '-', 'd', 'a', 't', 'a'});
  pe::Put32(f.file, im->optionalOffset + 64, pe::ImageChecksum(f.file, im->optionalOffset + 64));
  return f;
}

std::vector<std::uint8_t> SectionBytes(const std::vector<std::uint8_t>& file, const pe::Image& im,
                                       const std::string& name) {
  for (const auto& s : im.sections)
    if (std::string(s.name.data(), strnlen(s.name.data(), 8)) == name)
      return {file.begin() + s.rawPointer, file.begin() + s.rawPointer + s.MemorySize()};
  return {};
}

std::uint32_t SectionVa(const pe::Image& im, const std::string& name) {
  for (const auto& s : im.sections)
    if (std::string(s.name.data(), strnlen(s.name.data(), 8)) == name) return s.virtualAddress;
  return 0;
}

TEST(PeResourceWriter, KeepsEveryOtherPartOfTheImageWhateverTheLayout) {
  const struct {
    const char* what;
    Layout layout;
  } layouts[] = {{"resources last", Layout::kLast},
                 {"relocations after the resources", Layout::kBeforeRelocations},
                 {"data after the resources", Layout::kBeforeData},
                 {"no resources yet", Layout::kNone}};
  // An image that fits the section's page, and one that pushes it over.
  const std::size_t imageSizes[] = {64, 0x1800};
  for (const auto& l : layouts)
    for (bool plus : {false, true})
      for (std::size_t imageSize : imageSizes) {
        SCOPED_TRACE(testing::Message()
                     << l.what << (plus ? ", PE32+" : ", PE32") << ", image " << imageSize);
        Fixture f = MakeFixture(l.layout, plus);
        const pe::Image before = *pe::ParseImage(f.file).image;
        auto wanted = l.layout == Layout::kNone ? std::vector<pe::Resource>{} : Existing();
        std::vector<pe::Resource> update = wanted;
        update.push_back({kIcon, std::uint16_t{1}, 0, 0, std::vector<std::uint8_t>(imageSize, 7)});
        update.push_back({kIcon, std::uint16_t{2}, 0, 0, Bytes("second image")});
        update.push_back({kGroup, u"MAINICON", 1033, 0, Bytes("new group")});
        auto out = pe::ReplaceResources(f.file, update);
        ASSERT_TRUE(out.file) << out.error;
        const auto& file = *out.file;
        auto parsed = pe::ParseImage(file);
        ASSERT_TRUE(parsed.image) << parsed.error;
        const pe::Image& im = *parsed.image;

        auto read = pe::ReadResources(file, im);
        ASSERT_TRUE(read.resources) << read.error;
        pe::SortResources(update);
        ASSERT_EQ(read.resources->size(), update.size());
        for (std::size_t i = 0; i < update.size(); ++i) {
          EXPECT_EQ((*read.resources)[i].type, update[i].type);
          EXPECT_EQ((*read.resources)[i].name, update[i].name);
          EXPECT_EQ((*read.resources)[i].language, update[i].language);
          EXPECT_EQ((*read.resources)[i].codePage, update[i].codePage);
          EXPECT_EQ((*read.resources)[i].data, update[i].data);
        }

        // The loader's rules: aligned data inside the file, sections
        // adjacent in memory, the image size and the checksum true.
        std::uint64_t next = im.sections.front().virtualAddress;
        for (const auto& s : im.sections) {
          EXPECT_EQ(s.virtualAddress, next);
          next = pe::AlignUp(std::uint64_t{s.virtualAddress} + s.MemorySize(), 0x1000);
          EXPECT_EQ(s.rawPointer % 0x200, 0u);
          EXPECT_LE(std::uint64_t{s.rawPointer} + s.rawSize, file.size());
        }
        EXPECT_EQ(Get32(file, im.optionalOffset + 56), next);
        EXPECT_EQ(im.checksum, pe::ImageChecksum(file, im.optionalOffset + 64));
        std::uint32_t initialized = 0;
        for (const auto& s : im.sections)
          if (s.characteristics & pe::kInitializedData) initialized += s.rawSize;
        EXPECT_EQ(Get32(file, im.optionalOffset + 8), initialized);

        // Code and data keep their addresses and bytes (but the debug
        // entry's file offset, checked below); the relocations may move,
        // with their directory.
        for (const char* kept : {".text", ".data"}) {
          EXPECT_EQ(SectionVa(im, kept), SectionVa(before, kept)) << kept;
          auto now = SectionBytes(file, im, kept), was = SectionBytes(f.file, before, kept);
          if (std::string(kept) == ".data") pe::Put32(now, 0x118, 0), pe::Put32(was, 0x118, 0);
          EXPECT_EQ(now, was) << kept;
        }
        EXPECT_EQ(im.directories[1].rva, before.directories[1].rva);
        EXPECT_EQ(im.directories[5].rva, SectionVa(im, ".reloc"));
        EXPECT_EQ(SectionBytes(file, im, ".reloc"), SectionBytes(f.file, before, ".reloc"));
        const pe::Section* rsrc = im.SectionAt(im.directories[2].rva);
        ASSERT_NE(rsrc, nullptr);
        EXPECT_EQ(rsrc->virtualAddress, im.directories[2].rva);
        EXPECT_EQ(im.directories[2].size, rsrc->virtualSize);

        // The debug entry still names the same bytes by both of its fields.
        const std::uint32_t entry = *im.FileOffset(im.directories[6].rva, 28);
        auto byAddress = im.FileOffset(Get32(file, entry + 20), 16);
        ASSERT_TRUE(byAddress);
        EXPECT_EQ(Get32(file, entry + 24), *byAddress);

        // What followed the image follows it still.
        EXPECT_EQ(std::string(file.end() - 12, file.end()), "payload-data");
      }
}

TEST(PeResourceWriter, OrdersEachDirectoryAsTheLoaderSearchesIt) {
  std::vector<pe::Resource> r = {
      {std::uint16_t{24}, std::uint16_t{1}, 0, 0, Bytes("a")},
      {u"zeta", std::uint16_t{7}, 0, 0, Bytes("b")},
      {std::uint16_t{3}, std::uint16_t{2}, 1033, 0, Bytes("c")},
      {u"Beta", std::uint16_t{1}, 0, 0, Bytes("d")},
      {std::uint16_t{3}, std::uint16_t{2}, 0, 0, Bytes("e")},
      {u"alpha", std::uint16_t{9}, 0, 0, Bytes("f")},
      {std::uint16_t{3}, u"NAMED", 0, 0, Bytes("g")},
      {std::uint16_t{3}, std::uint16_t{2}, 1033, 0, Bytes("replaces c")},
  };
  pe::SortResources(r);
  auto section = pe::BuildResourceSection(r, 0x5000);
  // The root: three named types first (case ignored: alpha < Beta < zeta),
  // then the numbered ones ascending.
  EXPECT_EQ(Get16(section, 12), 3);
  EXPECT_EQ(Get16(section, 14), 2);
  auto nameAt = [&](std::uint32_t field) {
    std::uint32_t at = field & 0x7FFFFFFF;
    std::u16string s;
    for (std::uint16_t i = 0; i < Get16(section, at); ++i) s += Get16(section, at + 2 + 2 * i);
    return s;
  };
  EXPECT_EQ(nameAt(Get32(section, 16)), u"alpha");
  EXPECT_EQ(nameAt(Get32(section, 24)), u"Beta");
  EXPECT_EQ(nameAt(Get32(section, 32)), u"zeta");
  EXPECT_EQ(Get32(section, 40), 3u);
  EXPECT_EQ(Get32(section, 48), 24u);
  // Type 3: the named resource before id 2, whose languages ascend; the
  // later of two equal keys won.
  const std::uint32_t type3 = Get32(section, 44) & 0x7FFFFFFF;
  EXPECT_EQ(Get16(section, type3 + 12), 1);
  EXPECT_EQ(Get16(section, type3 + 14), 1);
  EXPECT_EQ(nameAt(Get32(section, type3 + 16)), u"NAMED");
  const std::uint32_t id2 = Get32(section, type3 + 28) & 0x7FFFFFFF;
  EXPECT_EQ(Get16(section, id2 + 14), 2);
  EXPECT_EQ(Get32(section, id2 + 16), 0u);
  EXPECT_EQ(Get32(section, id2 + 24), 1033u);
  const std::uint32_t data = Get32(section, id2 + 28);
  const std::uint32_t rva = Get32(section, data), size = Get32(section, data + 4);
  EXPECT_EQ(rva % 8, 0u);
  EXPECT_EQ(std::string(section.begin() + (rva - 0x5000), section.begin() + (rva - 0x5000) + size),
            "replaces c");
}

// Each damaged file is refused by the writer, by the reader and by the
// seam's update, and stays exactly as it was.
TEST(PeResourceWriter, RefusesMalformedFilesWithoutWriting) {
  const struct {
    const char* what;
    void (*damage)(std::vector<std::uint8_t>&, const pe::Image&);
  } cases[] = {
      {"truncated headers", [](auto& f, const auto&) { f.resize(0x100); }},
      {"e_lfanew past the end", [](auto& f, const auto&) { pe::Put32(f, 0x3C, 0xFFFFFF00); }},
      {"section data beyond the end",
       [](auto& f, const auto& im) {
         pe::Put32(f, im.sectionTableOffset + 40 + 20, static_cast<std::uint32_t>(f.size()));
       }},
      {"section data inside the headers",
       [](auto& f, const auto& im) {
         // The last section's data said to start at byte 0: a rewrite in
         // place would write the resource tree over the headers.
         pe::Put32(f, im.sectionTableOffset + 40u * (im.sections.size() - 1) + 20, 0);
       }},
      {"loop in the resource directory",
       [](auto& f, const auto& im) {
         // The first type's entry points back at the root.
         pe::Put32(f, *im.FileOffset(im.directories[2].rva, 24) + 20, 0x80000000u);
       }},
      {"resource data outside the file",
       [](auto& f, const auto& im) {
         const std::uint32_t root = *im.FileOffset(im.directories[2].rva, 16);
         // The last data entry (after the four directory levels' tables)
         // claims more bytes than there are.
         for (std::uint32_t at = root; at + 16 <= f.size(); at += 4)
           if (Get32(f, at) >= im.directories[2].rva && Get32(f, at + 4) == 9 &&
               Get32(f, at + 8) == 0 && Get32(f, at + 12) == 0) {
             pe::Put32(f, at + 4, 0x7FFFFFFF);
             return;
           }
         FAIL() << "no data entry of 9 bytes found";
       }},
  };
  test::Workspace ws;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto file = MakeFixture(Layout::kLast, false).file;
    c.damage(file, *pe::ParseImage(file).image);
    EXPECT_FALSE(pe::ReplaceResources(file, Existing()).file);
    const std::string original(file.begin(), file.end());
    const auto path = ws.File(u"bin\\damaged.exe", original);
    EXPECT_FALSE(os::ReadResources(path));
    EXPECT_FALSE(os::BeginResourceUpdate(path));
    EXPECT_EQ(test::ReadAll(path), original);
    EXPECT_EQ(test::ListFolder(ws.Path(u"bin")).size(), 1u);
  }
}

// The seam: nothing reaches the file before End(false); a discarded or
// dropped update leaves it byte for byte, and no temporary file behind.
TEST(ResourceUpdateSeam, WritesOnlyAtEnd) {
  test::Workspace ws;
  const auto file = MakeFixture(Layout::kBeforeRelocations, true).file;
  const std::string original(file.begin(), file.end());
  const auto path = ws.File(u"bin\\agent.exe", original);
  const std::vector<std::uint8_t> image(5000, 0x5A);
  for (int discard : {0, 1}) {
    auto update = os::BeginResourceUpdate(path);
    ASSERT_TRUE(update);
    ASSERT_TRUE(update->Update(kIcon, std::uint16_t{1}, 0, image.data(), image.size()));
    // No data deletes a resource.
    ASSERT_TRUE(update->Update(u"CONFIG", u"Setup", 0, nullptr, 0));
    EXPECT_EQ(test::ReadAll(path), original);
    if (discard) {
      EXPECT_TRUE(update->End(true));
    }
  }
  EXPECT_EQ(test::ReadAll(path), original);
  EXPECT_EQ(test::ListFolder(ws.Path(u"bin")).size(), 1u);

  auto update = os::BeginResourceUpdate(path);
  ASSERT_TRUE(update);
  ASSERT_TRUE(update->Update(kIcon, std::uint16_t{1}, 0, image.data(), image.size()));
  ASSERT_TRUE(update->Update(u"CONFIG", u"Setup", 0, nullptr, 0));
  ASSERT_TRUE(update->End(false));
  EXPECT_EQ(test::ListFolder(ws.Path(u"bin")).size(), 1u);
  auto read = os::ReadResources(path);
  ASSERT_TRUE(read);
  std::vector<std::pair<os::ResourceName, std::size_t>> got;
  for (const auto& r : *read) got.push_back({r.type, r.data.size()});
  EXPECT_EQ(got, (std::vector<std::pair<os::ResourceName, std::size_t>>{
                     {kIcon, 5000}, {kGroup, 9}, {kVersion, 13}}));

  // With every resource deleted first, only what the update adds remains.
  auto fresh = os::BeginResourceUpdate(path, true);
  ASSERT_TRUE(fresh);
  ASSERT_TRUE(fresh->Update(kGroup, u"MAINICON", 1033, image.data(), 6));
  ASSERT_TRUE(fresh->End(false));
  read = os::ReadResources(path);
  ASSERT_TRUE(read);
  ASSERT_EQ(read->size(), 1u);
  EXPECT_EQ((*read)[0].name, os::ResourceName(std::u16string(u"MAINICON")));
}

}  // namespace
}  // namespace pf
