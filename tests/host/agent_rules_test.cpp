#include <gtest/gtest.h>

#include <cstring>

#include "agent/agent_options.h"
#include "agent/entry_names.h"
#include "agent/package_layout.h"
#include "engine/header_writer.h"
#include "engine/package_names.h"

namespace pf::agent {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& b, std::size_t at, std::uint32_t v, int n) {
  if (b.size() < at + n) b.resize(at + n);
  for (int i = 0; i < n; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A minimal PE file: one section of raw data at 0x200..0x400, and on
// request a COFF symbol table behind it, as an unstripped link leaves.
struct PeShape {
  bool plus = true;  // PE32+ (x86_64) or PE32 (i686)
  std::uint32_t symbols = 0;
  std::uint32_t stringTableSize = 0;  // 0: no symbol table at all
};

Bytes MakePe(const PeShape& s) {
  Bytes b(0x400, 0);
  b[0] = 'M';
  b[1] = 'Z';
  Put(b, 0x3C, 0x40, 4);
  Put(b, 0x40, 0x00004550, 4);
  const std::size_t coff = 0x44, opt = coff + 20;
  const std::uint32_t optSize = s.plus ? 240 : 224;
  Put(b, coff + 2, 1, 2);  // one section
  Put(b, coff + 16, optSize, 2);
  Put(b, opt, s.plus ? 0x20b : 0x10b, 2);
  Put(b, opt + 60, 0x200, 4);                // SizeOfHeaders
  Put(b, opt + (s.plus ? 108 : 92), 16, 4);  // NumberOfRvaAndSizes
  const std::size_t section = opt + optSize;
  Put(b, section + 16, 0x200, 4);  // SizeOfRawData
  Put(b, section + 20, 0x200, 4);  // PointerToRawData
  if (s.stringTableSize) {
    Put(b, coff + 8, 0x400, 4);
    Put(b, coff + 12, s.symbols, 4);
    b.resize(0x400 + 18 * s.symbols, 0x11);
    std::size_t strings = b.size();
    Put(b, strings, s.stringTableSize, 4);
    b.resize(strings + s.stringTableSize, 'x');
  }
  return b;
}

// Records the security directory the way a signing tool does, after
// padding the file to 8 and appending the table.
void Sign(Bytes& file, bool plus, std::uint32_t tableSize = 40) {
  file.resize((file.size() + 7) / 8 * 8, 0);
  std::uint32_t at = static_cast<std::uint32_t>(file.size());
  const std::size_t security = 0x44 + 20 + (plus ? 112 : 96) + 4 * 8;
  Put(file, security, at, 4);
  Put(file, security + 4, tableSize, 4);
  file.resize(file.size() + tableSize, 0xC5);
}

ByteBuffer Header(const std::vector<std::pair<std::u16string, std::uint32_t>>& entries) {
  ByteBuffer h;
  CopyDataBytesToHeaderArray(h, reinterpret_cast<const std::uint8_t*>(kHeaderSignature.data()),
                             kHeaderSignature.size());
  CopyDataIntToHeaderArray(h, static_cast<std::int32_t>(entries.size()));
  CopyDataStringsToHeaderArray(h, u"");
  CopyDataIntToHeaderArray(h, 1);
  for (int i = 0; i < 3; ++i) CopyDataStringsToHeaderArray(h, u"");
  CopyDataIntToHeaderArray(h, 0);
  for (const auto& [name, size] : entries) {
    CopyDataIntToHeaderArray(h, 1);
    CopyDataStringsToHeaderArray(h, name);
    CopyDataIntToHeaderArray(h, static_cast<std::int32_t>(size));
  }
  return h;
}

// An agent followed by a header for entries of 3, 0 and 5 bytes.
Bytes Package(const PeShape& shape, std::size_t* headerAt = nullptr) {
  Bytes file = MakePe(shape);
  if (headerAt) *headerAt = file.size();
  ByteBuffer h = Header({{u"7z.dll", 3}, {u"Client7z.dll", 0}, {u"data.7z", 5}});
  file.insert(file.end(), h.begin(), h.end());
  for (std::uint8_t c : {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'}) file.push_back(c);
  return file;
}

PackageLayoutResult Locate(const Bytes& file) {
  SpanSource source(file);
  return LocatePackage(source);
}

TEST(PeLayout, ImageEndsPastSectionsAndSymbolTable) {
  for (bool plus : {true, false}) {
    SCOPED_TRACE(plus ? "PE32+" : "PE32");
    Bytes stripped = MakePe({plus, 0, 0});
    SpanSource s1(stripped);
    auto a = ReadPeLayout(s1);
    ASSERT_TRUE(a.layout) << a.error;
    EXPECT_EQ(a.layout->imageEnd, 0x400u);
    EXPECT_FALSE(a.layout->certificateOffset);

    Bytes unstripped = MakePe({plus, 3, 27});
    SpanSource s2(unstripped);
    auto b = ReadPeLayout(s2);
    ASSERT_TRUE(b.layout) << b.error;
    EXPECT_EQ(b.layout->imageEnd, 0x400u + 3 * 18 + 27);
    EXPECT_EQ(b.layout->imageEnd, unstripped.size());
  }
}

TEST(PeLayout, RefusesWhatIsNoImage) {
  Bytes good = MakePe({});
  std::vector<std::pair<const char*, std::function<void(Bytes&)>>> cases = {
      {"no MZ", [](Bytes& b) { b[0] = 'X'; }},
      {"PE offset past the end", [](Bytes& b) { Put(b, 0x3C, 0xFFFFFF00, 4); }},
      {"no PE signature", [](Bytes& b) { b[0x41] = 'X'; }},
      {"section past the end", [](Bytes& b) { Put(b, 0x44 + 20 + 240 + 16, 0x10000, 4); }},
      {"string table past the end",
       [](Bytes& b) {
         Put(b, 0x44 + 8, 0x3F0, 4);
         Put(b, 0x44 + 12, 1000, 4);
       }},
      {"certificate table inside the image",
       [](Bytes& b) {
         Put(b, 0x44 + 20 + 112 + 32, 0x200, 4);
         Put(b, 0x44 + 20 + 112 + 36, 0x200, 4);
       }},
      {"empty file", [](Bytes& b) { b.clear(); }},
  };
  for (auto& [what, damage] : cases) {
    Bytes b = good;
    damage(b);
    SpanSource s(b);
    EXPECT_FALSE(ReadPeLayout(s).layout) << what;
  }
}

TEST(LocatePackage, FindsHeaderRightPastTheImage) {
  for (PeShape shape : {PeShape{true, 0, 0}, PeShape{false, 2, 9}}) {
    std::size_t headerAt = 0;
    Bytes file = Package(shape, &headerAt);
    auto r = Locate(file);
    ASSERT_TRUE(r.layout) << r.error;
    EXPECT_EQ(r.layout->headerOffset, headerAt);
    EXPECT_EQ(r.layout->payloadEnd, file.size());
    EXPECT_EQ(r.layout->payloadEnd - r.layout->payloadOffset, 8u);
    ASSERT_EQ(r.layout->header.entries.size(), 3u);
    EXPECT_EQ(r.layout->header.entries[2].name, u"data.7z");
  }
}

TEST(LocatePackage, RefusesAFileThatDisagreesWithItsSizes) {
  Bytes good = Package({});
  Bytes shorter(good.begin(), good.end() - 1);
  Bytes longer = good;
  longer.push_back(0);
  Bytes badSignature = good;
  badSignature[0x400] ^= 0x01;
  for (const Bytes* b : {&shorter, &longer, &badSignature}) EXPECT_FALSE(Locate(*b).layout);
  // Only the image: nothing to extract.
  EXPECT_FALSE(Locate(MakePe({})).layout);
}

TEST(LocatePackage, SignedPackageEndsAtTheAlignedCertificateTable) {
  for (bool plus : {true, false}) {
    for (std::size_t extra : {0u, 1u, 3u, 8u}) {
      SCOPED_TRACE(testing::Message() << plus << " " << extra);
      // Payload lengths that leave 0..7 bytes of alignment.
      Bytes file = MakePe({plus, 0, 0});
      ByteBuffer h = Header({{u"7z.dll", 1}, {u"Client7z.dll", 0}, {u"x.7z", 2 + extra}});
      file.insert(file.end(), h.begin(), h.end());
      file.resize(file.size() + 3 + extra, 'p');
      std::size_t payloadEnd = file.size();
      Sign(file, plus);
      auto r = Locate(file);
      ASSERT_TRUE(r.layout) << r.error;
      EXPECT_EQ(r.layout->payloadEnd, payloadEnd);

      // The alignment bytes must be zero, and the sizes must still hold.
      Bytes tampered = file;
      if (tampered.size() - 40 > payloadEnd) {
        tampered[payloadEnd] = 1;
        EXPECT_FALSE(Locate(tampered).layout);
      }
      Bytes truncated(file.begin(), file.end() - 1);
      EXPECT_FALSE(Locate(truncated).layout);
    }
  }
}

TEST(LocatePackage, CertificatePaddingArithmetic) {
  EXPECT_EQ(CertificatePadding(16, 16), 0u);
  EXPECT_EQ(CertificatePadding(17, 24), 7u);
  EXPECT_EQ(CertificatePadding(23, 24), 1u);
  EXPECT_FALSE(CertificatePadding(16, 24));  // 8 bytes: more than alignment
  EXPECT_FALSE(CertificatePadding(25, 24));  // payload overruns the table
  EXPECT_FALSE(CertificatePadding(18, 23));  // table not aligned
}

TEST(EntryNames, OnlyPlainFileNamesPass) {
  for (const char16_t* ok : {u"a.txt", u"setup.exe", u"CONSOLE.txt", u"COM10", u"LPT0.txt", u"..a",
                             u"a..b", u"notes (1).txt", u"\u00e9t\u00e9.doc"})
    EXPECT_FALSE(EntryNameProblem(ok))
        << std::string(ok, ok + std::char_traits<char16_t>::length(ok));
  for (const char16_t* bad : {u"",
                              u".",
                              u"..",
                              u"..\\evil.txt",
                              u"../evil.txt",
                              u"a/b",
                              u"a\\b",
                              u"C:\\x",
                              u"C:x",
                              u"\\\\server\\share\\x",
                              u"\\x",
                              u"CON",
                              u"con",
                              u"NUL.txt",
                              u"aux.tar.gz",
                              u"COM1",
                              u"lpt9.log",
                              u"PRN ",
                              u"CON .txt",
                              u"COM\u00b9",
                              u"CONIN$",
                              u"a.txt:stream",
                              u"a?",
                              u"a*",
                              u"a\x01",
                              u"trailing."})
    EXPECT_TRUE(EntryNameProblem(bad))
        << std::string(bad, bad + std::char_traits<char16_t>::length(bad));
}

TEST(EntryNames, PackageCheckNamesTheEntryAndNeedsTheLibraries) {
  PackageHeader h;
  h.entries = {{1, u"7z.dll", 0}, {1, u"Client7z.dll", 0}, {0, u"ok.txt", 0}};
  EXPECT_FALSE(CheckPackageEntries(h));
  h.entries.push_back({0, u"..\\evil.txt", 0});
  auto m = CheckPackageEntries(h);
  ASSERT_TRUE(m);
  EXPECT_NE(m->find(u"\"..\\evil.txt\""), std::u16string::npos);
  h.entries = {{1, u"7z.dll", 0}};
  EXPECT_TRUE(CheckPackageEntries(h));
  h.entries = {{1, u"evil.dll", 0}, {1, u"Client7z.dll", 0}};
  EXPECT_TRUE(CheckPackageEntries(h));
}

TEST(AgentArguments, SwitchesAndErrors) {
  auto a = ParseAgentArguments({u"/S", u"/D=C:\\My Files", u"/p=secret"});
  EXPECT_TRUE(a.silent);
  EXPECT_EQ(a.folder, u"C:\\My Files");
  EXPECT_EQ(a.password, u"secret");
  EXPECT_TRUE(a.error.empty());
  auto none = ParseAgentArguments({});
  EXPECT_FALSE(none.silent);
  EXPECT_FALSE(none.folder);
  EXPECT_FALSE(none.password);
  EXPECT_EQ(ParseAgentArguments({u"/P="}).password, u"");
  for (auto bad : {std::vector<std::u16string>{u"/D="}, {u"/X"}, {u"/Silent"}, {u"file.txt"}})
    EXPECT_FALSE(ParseAgentArguments(bad).error.empty());
}

TEST(TargetFolder, ByOptionAndOverride) {
  AgentArguments gui, silent;
  silent.silent = true;
  const std::u16string pkg = u"C:\\dl\\setup.exe";
  EXPECT_EQ(FolderBesidePackage(pkg), u"C:\\dl\\setup");
  EXPECT_EQ(FolderBesidePackage(u"C:\\dl\\v1.2.exe"), u"C:\\dl\\v1.2");
  EXPECT_EQ(FolderBesidePackage(u"C:\\dl\\setup"), u"C:\\dl\\setup_files");

  auto zero = ChooseTargetFolder(0, gui, pkg, u"C:\\tmp");
  EXPECT_EQ(zero.folder, u"C:\\dl\\setup");
  EXPECT_FALSE(zero.askUser);
  EXPECT_EQ(ChooseTargetFolder(1, gui, pkg, u"C:\\tmp").folder, u"C:\\tmp");
  auto ask = ChooseTargetFolder(2, gui, pkg, u"C:\\tmp");
  EXPECT_TRUE(ask.askUser);
  EXPECT_EQ(ask.folder, u"C:\\dl\\setup");
  auto unattended = ChooseTargetFolder(2, silent, pkg, u"C:\\tmp");
  EXPECT_FALSE(unattended.askUser);
  EXPECT_EQ(unattended.folder, u"C:\\dl\\setup");

  AgentArguments given;
  given.folder = u"D:\\here";
  for (int option : {0, 1, 2}) {
    auto c = ChooseTargetFolder(option, given, pkg, u"C:\\tmp");
    EXPECT_EQ(c.folder, u"D:\\here");
    EXPECT_FALSE(c.askUser);
  }
}

}  // namespace
}  // namespace pf::agent
