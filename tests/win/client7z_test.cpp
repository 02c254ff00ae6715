// Client7z.dll with the real 7z.dll, as the build and the agent call it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "client7z/client7z.h"
#include "client7z/decoding_threads.h"
#include "client7z/paths.h"
#include "platform/os.h"
#include "platform/text.h"
#include "platform/win32/unique_handle.h"
#include "tests/support/test_workspace.h"

namespace {

using DecompressFn = int (*)(int, const wchar_t* const*, const wchar_t* const*, int);
using DecompressExFn = int (*)(int, const wchar_t* const*, const wchar_t* const*, int,
                               const Client7zOptions*);

std::wstring BinFolder() {
  return pf::ToWide(pf::os::ExecutableFolder()) + L"\\..\\bin";
}

std::wstring Long(const std::u16string& path) {
  return L"\\\\?\\" + pf::ToWide(path);
}

void WriteBytes(const std::wstring& longPath, const std::string& bytes) {
  pf::win::unique_hfile f(CreateFileW(longPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(f) << GetLastError();
  DWORD put = 0;
  ASSERT_TRUE(WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr));
}

std::string ReadBytes(const std::wstring& longPath) {
  pf::win::unique_hfile f(CreateFileW(longPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
  if (!f) return "<missing>";
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(f.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
    bytes.append(buffer, got);
  return bytes;
}

FILETIME WriteTime(const std::wstring& longPath) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(longPath.c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

// Every file under a folder: relative name -> bytes.
void Collect(const std::wstring& folder, const std::wstring& prefix,
             std::map<std::wstring, std::string>& out) {
  WIN32_FIND_DATAW data;
  pf::win::unique_hfind find(FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (!find) return;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      Collect(folder + L"\\" + name, prefix + name + L"\\", out);
    else
      out[prefix + name] = ReadBytes(folder + L"\\" + name);
  } while (FindNextFileW(find.get(), &data));
}

std::map<std::wstring, std::string> Tree(const std::wstring& folder) {
  std::map<std::wstring, std::string> out;
  Collect(folder, L"", out);
  return out;
}

class Client7zTest : public ::testing::Test {
 protected:
  void SetUp() override {
    library_.reset(LoadLibraryW((BinFolder() + L"\\Client7z.dll").c_str()));
    ASSERT_TRUE(library_) << "Client7z.dll not found beside the tests";
    decompress_ = reinterpret_cast<DecompressFn>(
        reinterpret_cast<void*>(GetProcAddress(library_.get(), "Decompress")));
    ASSERT_NE(decompress_, nullptr);
    self_ = BinFolder() + L"\\Client7z.dll";
  }

  int Call(const wchar_t* command, const std::wstring& archive,
           const std::vector<std::wstring>& files) {
    const wchar_t* argv[] = {self_.c_str(), command, archive.c_str()};
    std::vector<const wchar_t*> list;
    for (const auto& f : files) list.push_back(f.c_str());
    return decompress_(3, argv, list.data(), static_cast<int>(list.size()));
  }

  // Through DecompressEx; `password` null: options without one.
  int CallEx(const wchar_t* command, const std::wstring& archive,
             const std::vector<std::wstring>& files, const wchar_t* password,
             unsigned size = sizeof(Client7zOptions)) {
    auto ex = reinterpret_cast<DecompressExFn>(
        reinterpret_cast<void*>(GetProcAddress(library_.get(), "DecompressEx")));
    if (!ex) return -1;
    const wchar_t* argv[] = {self_.c_str(), command, archive.c_str()};
    std::vector<const wchar_t*> list;
    for (const auto& f : files) list.push_back(f.c_str());
    Client7zOptions options{size, nullptr, nullptr, password};
    return ex(3, argv, list.data(), static_cast<int>(list.size()), &options);
  }

  pf::test::Workspace ws_;
  pf::win::unique_hmodule library_;
  DecompressFn decompress_ = nullptr;
  std::wstring self_;
};

TEST_F(Client7zTest, PackThenUnpackGivesTheSameNamesBytesAndTimes) {
  // A folder nested past 259 characters, holding a Unicode name.
  std::wstring deep = Long(ws_.root());
  for (int i = 0; i < 6; ++i) {
    deep += L"\\" + std::wstring(50, static_cast<wchar_t>(L'a' + i));
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
  }
  ASSERT_GT(deep.size(), 300u);
  std::string binary;
  for (unsigned i = 0; i < 300000; ++i) binary.push_back(static_cast<char>((i * 7919u) >> 3));
  const std::map<std::wstring, std::string> input = {
      {L"notes.txt", "plain text\r\n"},
      {L"Gr\u00fc\u00dfe \u65e5\u672c\u8a9e \U0001F600.txt", "unicode"},
      {L"empty.bin", ""},
      {L"data.bin", binary},
  };
  std::vector<std::wstring> files;
  for (const auto& [name, bytes] : input) {
    std::wstring path = (name == L"data.bin" ? deep : Long(ws_.root())) + L"\\" + name;
    WriteBytes(path, bytes);
    files.push_back(path);
  }
  // A known time, to see it come back.
  FILETIME old{0x12345600, 0x01d00000};
  {
    pf::win::unique_hfile f(CreateFileW(files[0].c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(SetFileTime(f.get(), nullptr, nullptr, &old));
  }
  files.push_back(files[1]);  // listed twice: stored once
  std::wstring archive = deep + L"\\packed \u00e9.7z";
  ASSERT_EQ(Call(L"a", archive, files), kClient7zOk);

  std::wstring target = deep + L"\\out";
  ASSERT_EQ(Call(L"x", archive, {target}), kClient7zOk);
  EXPECT_EQ(Tree(target), input);
  for (std::size_t i = 0; i < 4; ++i) {
    std::wstring name = files[i].substr(files[i].rfind(L'\\') + 1);
    FILETIME a = WriteTime(files[i]), b = WriteTime(target + L"\\" + name);
    EXPECT_EQ(CompareFileTime(&a, &b), 0) << pf::FromWide(name).size();
  }
  FILETIME back = WriteTime(target + L"\\" + files[0].substr(files[0].rfind(L'\\') + 1));
  EXPECT_EQ(CompareFileTime(&back, &old), 0);
}

TEST_F(Client7zTest, NoFilesMakesAValidEmptyArchive) {
  std::wstring archive = Long(ws_.Path(u"empty.7z"));
  ASSERT_EQ(Call(L"a", archive, {}), kClient7zOk);
  EXPECT_NE(ReadBytes(archive).substr(0, 6), "<missi");
  EXPECT_EQ(ReadBytes(archive).substr(0, 2), "7z");
  std::wstring target = Long(ws_.Path(u"out"));
  ASSERT_EQ(Call(L"x", archive, {target}), kClient7zOk);
  EXPECT_TRUE(Tree(target).empty());
}

TEST_F(Client7zTest, AFailedPackLeavesTheOldArchiveAndNoPartialFile) {
  std::wstring good = Long(ws_.File(u"good.txt", "good"));
  std::wstring folder = Long(ws_.Folder(u"a folder"));
  std::wstring other = Long(ws_.Folder(u"other"));
  WriteBytes(other + L"\\good.txt", "another file with the same name");
  std::wstring archive = Long(ws_.Path(u"kept.7z"));
  WriteBytes(archive, "old archive");
  const std::size_t entries = pf::test::ListFolder(ws_.root()).size();
  struct Case {
    std::vector<std::wstring> files;
    int expected;
  };
  const Case cases[] = {
      {{good, Long(ws_.Path(u"missing.txt"))}, kClient7zInputMissing},
      {{good, Long(ws_.Path(u"no such folder\\x.txt"))}, kClient7zInputMissing},
      {{good, folder}, kClient7zInputUnreadable},
      {{good, other + L"\\good.txt"}, kClient7zDuplicateName},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Call(L"a", archive, c.files), c.expected);
    EXPECT_EQ(ReadBytes(archive), "old archive");
    EXPECT_EQ(pf::test::ListFolder(ws_.root()).size(), entries);  // nothing new beside it
  }
  // A file held open without sharing cannot be read.
  pf::win::unique_hfile held(
      CreateFileW(good.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);
  EXPECT_EQ(Call(L"a", archive, {good}), kClient7zInputUnreadable);
  EXPECT_EQ(ReadBytes(archive), "old archive");
}

TEST_F(Client7zTest, BadCallsAndBadArchivesHaveTheirOwnResults) {
  std::wstring target = Long(ws_.Path(u"out"));
  const wchar_t* twoArgs[] = {self_.c_str(), L"a"};
  EXPECT_EQ(decompress_(2, twoArgs, nullptr, 0), kClient7zBadArguments);
  EXPECT_EQ(Call(L"q", target, {}), kClient7zBadArguments);
  EXPECT_EQ(Call(L"x", Long(ws_.Path(u"none.7z")), {}), kClient7zBadArguments);
  EXPECT_EQ(Call(L"x", Long(ws_.Path(u"none.7z")), {target}), kClient7zArchiveOpenFailed);
  std::wstring notArchive = Long(ws_.File(u"text.7z", "not an archive at all"));
  EXPECT_EQ(Call(L"x", notArchive, {target}), kClient7zNotAnArchive);

  // A flipped byte in the packed data.
  std::string big(200000, 'x');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 31) ^ (i >> 5));
  std::wstring input = Long(ws_.File(u"big.bin", big));
  std::wstring archive = Long(ws_.Path(u"big.7z"));
  ASSERT_EQ(Call(L"a", archive, {input}), kClient7zOk);
  std::string bytes = ReadBytes(archive);
  bytes[64] = static_cast<char>(bytes[64] ^ 0x55);
  WriteBytes(archive, bytes);
  EXPECT_EQ(Call(L"x", archive, {target}), kClient7zDataError);
  EXPECT_TRUE(Tree(target).empty());

  // 7z.dll missing beside the client.
  std::wstring lonely = Long(ws_.Folder(u"lonely")) + L"\\Client7z.dll";
  const wchar_t* argv[] = {lonely.c_str(), L"a", archive.c_str()};
  EXPECT_EQ(decompress_(3, argv, nullptr, 0), kClient7zCodecMissing);
}

TEST_F(Client7zTest, AnArchiveInsideALargerFileIsReadWhereItLies) {
  std::string big(300000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 131) ^ (i >> 7));
  const std::map<std::wstring, std::string> input = {{L"one.txt", "first"}, {L"big.bin", big}};
  std::vector<std::wstring> files;
  for (const auto& [name, bytes] : input)
    files.push_back(Long(ws_.File(pf::FromWide(name), bytes)));
  std::wstring archive = Long(ws_.Path(u"inner.7z"));
  ASSERT_EQ(Call(L"a", archive, files), kClient7zOk);
  // Bytes before and after it, as in a package; the carrier's own name says
  // nothing of the format, the name given does.
  const std::string before(4097, 'M'), after = "trailing bytes that are not the archive's";
  const std::string packed = ReadBytes(archive);
  std::wstring carrier = Long(ws_.File(u"carrier.exe", before + packed + after));
  std::wstring from = std::to_wstring(before.size()), size = std::to_wstring(packed.size());

  auto unpack = [&](const std::wstring& offset, const std::wstring& length,
                    const std::wstring& target) {
    const wchar_t* argv[] = {self_.c_str(),  L"x",           carrier.c_str(),
                             offset.c_str(), length.c_str(), L"inner.7z"};
    const wchar_t* list[] = {target.c_str()};
    return decompress_(6, argv, list, 1);
  };
  std::wstring target = Long(ws_.Path(u"out"));
  ASSERT_EQ(unpack(from, size, target), kClient7zOk);
  EXPECT_EQ(Tree(target), input);

  struct Case {
    std::wstring offset, length;
    int expected;
  };
  const std::wstring total = std::to_wstring(before.size() + packed.size() + after.size());
  const Case cases[] = {
      {from, std::to_wstring(packed.size() + after.size() + 1), kClient7zArchiveOpenFailed},
      {total, L"1", kClient7zArchiveOpenFailed},
      {L"18446744073709551615", L"1", kClient7zArchiveOpenFailed},
      {L"18446744073709551616", size, kClient7zBadArguments},  // past 64 bits
      {L"-1", size, kClient7zBadArguments},
      {from, L"", kClient7zBadArguments},
      {from, L"12x", kClient7zBadArguments},
      {L"0", size, kClient7zNotAnArchive},  // starts in the bytes before
      {from, std::to_wstring(packed.size() - 1), kClient7zNotAnArchive},  // its end cut off
  };
  for (const auto& c : cases) {
    std::wstring elsewhere = Long(ws_.Path(u"refused"));
    EXPECT_EQ(unpack(c.offset, c.length, elsewhere), c.expected) << pf::FromWide(c.offset).size();
    EXPECT_TRUE(Tree(elsewhere).empty());
  }
}

TEST_F(Client7zTest, ListingOpensAsExtractionDoesAndWritesNothing) {
  std::wstring input = Long(ws_.File(u"in.txt", "inside"));
  std::wstring good = Long(ws_.Path(u"good.7z"));
  ASSERT_EQ(Call(L"a", good, {input}), kClient7zOk);
  const std::wstring unsafe = pf::ToWide(pf::os::ExecutableFolder()) + L"\\unsafe_entries.7z";
  ASSERT_NE(ReadBytes(unsafe), "<missing>");
  struct Case {
    std::wstring archive;
    int expected;
  };
  const Case cases[] = {
      {good, kClient7zOk},
      {unsafe, kClient7zUnsafeEntry},  // the same refusal as its "x" below
      {Long(ws_.File(u"fake.rar", "Rar! but not really")), kClient7zNotAnArchive},
      {Long(ws_.File(u"text.zip", "plain text")), kClient7zNotAnArchive},
      {Long(ws_.Path(u"missing.7z")), kClient7zArchiveOpenFailed},
  };
  const auto before = Tree(Long(ws_.root()));
  for (const auto& c : cases) EXPECT_EQ(Call(L"l", c.archive, {}), c.expected);
  EXPECT_EQ(Tree(Long(ws_.root())), before);
}

TEST_F(Client7zTest, TheArchiveIsTheSameOnAnyNumberOfThreads) {
  // Several of the packer's blocks (PF_CLIENT7Z_BLOCK_MIB each), numbered
  // lines so that no two blocks are alike: a packer that split by its thread
  // count would differ between one thread and four, and a decoder that put
  // blocks back in the wrong order would not give the file back.
  const std::size_t blockBytes = std::size_t{PF_CLIENT7Z_BLOCK_MIB} << 20;
  std::string big;
  big.reserve(blockBytes * 5 / 2 + 64);
  char line[64];
  for (unsigned n = 0; big.size() < blockBytes * 5 / 2; ++n)
    big.append(line, std::snprintf(line, sizeof line, "line %09u of a file in blocks\r\n", n));
  const std::wstring input = Long(ws_.File(u"big.bin", big));
  const std::wstring small = Long(ws_.File(u"small.txt", "a small file beside it"));
  auto pack = [&](const wchar_t* threads, const std::wstring& archive) {
    const wchar_t* argv[] = {self_.c_str(), L"a", archive.c_str(), threads};
    const wchar_t* files[] = {input.c_str(), small.c_str()};
    return decompress_(4, argv, files, 2);
  };
  ASSERT_EQ(pack(L"1", Long(ws_.Path(u"t1.7z"))), kClient7zOk);
  const std::string one = ReadBytes(Long(ws_.Path(u"t1.7z")));
  ASSERT_LT(one.size(), big.size() / 4);  // it was packed, not stored
  for (const wchar_t* threads : {L"2", L"4"}) {
    std::wstring archive = Long(ws_.Path(u"t.7z"));
    ASSERT_EQ(pack(threads, archive), kClient7zOk);
    EXPECT_TRUE(ReadBytes(archive) == one) << pf::ToUtf8(pf::FromWide(threads));
  }
  // Unpacked on several threads, one per block, and put back in order.
  std::wstring target = Long(ws_.Path(u"out"));
  ASSERT_EQ(Call(L"x", Long(ws_.Path(u"t1.7z")), {target}), kClient7zOk);
  EXPECT_TRUE(ReadBytes(target + L"\\big.bin") == big);
  EXPECT_EQ(ReadBytes(target + L"\\small.txt"), "a small file beside it");

  // Damage in a later block, decoded while other threads are busy, still
  // fails the call and leaves no file that looks whole.
  std::string damaged = one;
  damaged[damaged.size() / 2] = static_cast<char>(damaged[damaged.size() / 2] ^ 0x55);
  std::wstring broken = Long(ws_.File(u"damaged.7z", damaged));
  std::wstring badTarget = Long(ws_.Path(u"bad"));
  EXPECT_EQ(Call(L"x", broken, {badTarget}), kClient7zDataError);
  EXPECT_EQ(ReadBytes(badTarget + L"\\big.bin"), "<missing>");

  // A thread count must be a number from 1.
  for (const wchar_t* bad : {L"0", L"x", L""})
    EXPECT_EQ(pack(bad, Long(ws_.Path(u"bad.7z"))), kClient7zBadArguments);
}

TEST(DecodingThreadsTest, SeveralOnlyWhereTheSolidBlockHoldsBlocksThatDecodeApart) {
  using client7z::DecodingThreads;
  using client7z::Lzma2Dictionary;
  const std::uint64_t MiB = 1 << 20, block = PF_CLIENT7Z_BLOCK_MIB * MiB;
  struct Method {
    const wchar_t* text;
    std::optional<std::uint64_t> dictionary;
  };
  const Method methods[] = {
      {L"LZMA2:24", 16 * MiB},      {L"BCJ LZMA2:23", 8 * MiB}, {L"LZMA2:3m", 3 * MiB},
      {L"LZMA2:1536k", 1536 << 10}, {L"LZMA2:20 BCJ", MiB},     {L"LZMA:24", std::nullopt},
      {L"LZMA2:", std::nullopt},    {L"PPMD:o6", std::nullopt}, {L"", std::nullopt},
  };
  for (const auto& m : methods)
    EXPECT_EQ(Lzma2Dictionary(m.text), m.dictionary) << pf::ToUtf8(pf::FromWide(m.text));

  struct Case {
    std::uint64_t largest;
    std::optional<std::uint64_t> dictionary;
    unsigned processors, expected;
  };
  const Case cases[] = {
      {3 * block, block, 2, 2},         // our archive: one thread per core
      {3 * block, block, 16, 4},        // at most four
      {3 * block, block, 1, 1},         // one core
      {block, block, 8, 1},             // one block at most
      {3 * block, 2 * block, 8, 1},     // blocks the decoder would buffer whole
      {3 * block, std::nullopt, 8, 1},  // not LZMA2
  };
  for (const auto& c : cases)
    EXPECT_EQ(DecodingThreads(c.largest, c.dictionary, c.processors), c.expected)
        << c.largest << " " << c.processors;
}

TEST_F(Client7zTest, APasswordHidesDataAndNamesAndIsToldApartFromDamage) {
  const std::wstring secretName = L"Geheim \u65e5\u672c \u00e9t\u00e9.txt";
  const std::map<std::wstring, std::string> input = {{secretName, "the secret line\r\n"},
                                                     {L"plain-name.bin", std::string(70000, 'z')}};
  std::vector<std::wstring> files;
  for (const auto& [name, bytes] : input)
    files.push_back(Long(ws_.File(pf::FromWide(name), bytes)));
  const wchar_t* password = L"p\u00e4ss w\u00f6rd";
  std::wstring archive = Long(ws_.Path(u"sealed.7z"));
  ASSERT_EQ(CallEx(L"a", archive, files, password), kClient7zOk);
  const std::string bytes = ReadBytes(archive);
  for (const std::wstring& name : {secretName, std::wstring(L"plain-name.bin")}) {
    std::string utf16(reinterpret_cast<const char*>(name.data()), name.size() * 2);
    EXPECT_EQ(bytes.find(utf16), std::string::npos);
    EXPECT_EQ(bytes.find(pf::ToUtf8(pf::FromWide(name))), std::string::npos);
  }

  // Without the right password neither "l" nor "x" gets anywhere, and "x"
  // writes nothing, not even its target folder.
  struct Case {
    const char* what;
    std::function<int(const wchar_t*, const std::wstring&)> call;
    int expected;
  };
  const std::vector<Case> cases = {
      {"Decompress", [&](auto c, auto& t) { return Call(c, archive, {t}); },
       kClient7zPasswordNeeded},
      {"no password", [&](auto c, auto& t) { return CallEx(c, archive, {t}, nullptr); },
       kClient7zPasswordNeeded},
      {"options too short to hold one",
       [&](auto c, auto& t) {
         return CallEx(c, archive, {t}, password, offsetof(Client7zOptions, password));
       },
       kClient7zPasswordNeeded},
      {"wrong", [&](auto c, auto& t) { return CallEx(c, archive, {t}, L"pass w\u00f6rd"); },
       kClient7zWrongPassword},
      {"empty", [&](auto c, auto& t) { return CallEx(c, archive, {t}, L""); },
       kClient7zWrongPassword},
  };
  const std::wstring refused = Long(ws_.Path(u"refused"));
  for (const auto& c : cases) {
    EXPECT_EQ(c.call(L"l", refused), c.expected) << c.what;
    EXPECT_EQ(c.call(L"x", refused), c.expected) << c.what;
    EXPECT_EQ(ReadBytes(refused), "<missing>") << c.what;
  }

  const std::wstring target = Long(ws_.Path(u"out"));
  EXPECT_EQ(CallEx(L"l", archive, {}, password), kClient7zOk);
  ASSERT_EQ(CallEx(L"x", archive, {target}, password), kClient7zOk);
  EXPECT_EQ(Tree(target), input);

  // Damage after the names opened with the password is damage, not a
  // wrong password (the flipped byte is in the first file's data, which
  // fails before that file is opened); without a password, no encryption.
  std::string damaged = bytes;
  damaged[40] = static_cast<char>(damaged[40] ^ 0x55);
  std::wstring broken = Long(ws_.File(u"broken.7z", damaged));
  EXPECT_EQ(CallEx(L"x", broken, {Long(ws_.Path(u"broken"))}, password), kClient7zDataError);
  std::wstring clear = Long(ws_.Path(u"clear.7z"));
  ASSERT_EQ(CallEx(L"a", clear, files, nullptr), kClient7zOk);
  EXPECT_EQ(CallEx(L"x", clear, {Long(ws_.Path(u"clear"))}, nullptr), kClient7zOk);
}

TEST_F(Client7zTest, ArchivesWithReadableNamesAskForThePasswordWhenExtracting) {
  const std::wstring folder = pf::ToWide(pf::os::ExecutableFolder());
  for (const wchar_t* name : {L"data_encrypted.7z", L"data_encrypted.zip"}) {
    const std::wstring archive = folder + L"\\" + name;
    ASSERT_NE(ReadBytes(archive), "<missing>") << pf::ToUtf8(pf::FromWide(name));
    EXPECT_EQ(CallEx(L"l", archive, {}, nullptr), kClient7zOk);  // the names are readable
    struct Case {
      const wchar_t* password;
      int expected;
    };
    for (const Case& c : {Case{nullptr, kClient7zPasswordNeeded},
                          Case{L"not-the-password", kClient7zWrongPassword}}) {
      const std::wstring target = Long(ws_.Path(u"refused"));
      EXPECT_EQ(CallEx(L"x", archive, {target}, c.password), c.expected)
          << pf::ToUtf8(pf::FromWide(name));
      EXPECT_TRUE(Tree(target).empty()) << pf::ToUtf8(pf::FromWide(name));
    }
    const std::wstring target = Long(ws_.Path(u"out"));
    ASSERT_EQ(CallEx(L"x", archive, {target}, L"fixture-pw"), kClient7zOk);
    EXPECT_EQ(ReadBytes(target + L"\\inside.txt"), "encrypted data, readable name\n");
    RemoveDirectoryW((target + L"\\inside.txt").c_str());
    DeleteFileW((target + L"\\inside.txt").c_str());
  }
}

TEST_F(Client7zTest, EntriesThatLeaveTheTargetAreRefused) {
  std::wstring archive = pf::ToWide(pf::os::ExecutableFolder()) + L"\\unsafe_entries.7z";
  ASSERT_NE(ReadBytes(archive), "<missing>");
  std::wstring root = Long(ws_.Folder(u"jail"));
  std::wstring target = root + L"\\inner\\out";
  EXPECT_EQ(Call(L"x", archive, {target}), kClient7zUnsafeEntry);
  // Only the one safe entry, nowhere else.
  std::map<std::wstring, std::string> expected = {{L"inner\\out\\sub\\good.txt", "good\n"}};
  EXPECT_EQ(Tree(root), expected);
  EXPECT_EQ(ReadBytes(L"C:\\drive.txt"), "<missing>");
  EXPECT_EQ(ReadBytes(L"C:\\abs.txt"), "<missing>");
  std::wstring drive = pf::ToWide(ws_.root().substr(0, 2));
  for (const wchar_t* name : {L"\\abs.txt", L"\\climb.txt", L"\\back.txt", L"\\deep.txt"})
    EXPECT_EQ(ReadBytes(drive + name), "<missing>");
  for (const wchar_t* name : {L"\\climb.txt", L"\\back.txt", L"\\deep.txt"})
    EXPECT_EQ(ReadBytes(root + L"\\inner" + name), "<missing>");
}

}  // namespace

namespace {

TEST(SafeEntryPath, KeepsRelativeNamesAndRefusesEveryWayOut) {
  struct Case {
    const wchar_t* entry;
    const wchar_t* expected;  // null: refused
  };
  const Case cases[] = {
      {L"file.txt", L"file.txt"},
      {L"sub/dir\\file.txt", L"sub\\dir\\file.txt"},
      {L"./a//b/./c", L"a\\b\\c"},
      {L"..data", L"..data"},
      {L"name.", L"name."},
      {L"\u65e5\u672c/\u00e9.txt", L"\u65e5\u672c\\\u00e9.txt"},
      {L"", nullptr},
      {L".", nullptr},
      {L"..", nullptr},
      {L"../x", nullptr},
      {L"..\\x", nullptr},
      {L"a\\..\\..\\x", nullptr},
      {L"a/../b", nullptr},
      {L"a/.../b", nullptr},
      {L"a/.. /b", nullptr},
      {L"/abs", nullptr},
      {L"\\abs", nullptr},
      {L"\\\\server\\share\\x", nullptr},
      {L"C:x", nullptr},
      {L"C:\\x", nullptr},
      {L"sub/C:x", nullptr},
      {L"file.txt:stream", nullptr},
  };
  for (const auto& c : cases) {
    auto got = client7z::SafeEntryPath(c.entry);
    if (c.expected) {
      ASSERT_TRUE(got.has_value()) << pf::FromWide(c.entry).size();
      EXPECT_EQ(*got, c.expected);
    } else {
      EXPECT_FALSE(got.has_value()) << pf::ToUtf8(pf::FromWide(c.entry));
    }
  }
}

}  // namespace

namespace {

using DecompressExFn = int (*)(int, const wchar_t* const*, const wchar_t* const*, int,
                               const Client7zOptions*);

// What the callback saw; it asks to stop once `stopAt` of the total is done.
struct Watch {
  std::vector<std::pair<unsigned long long, unsigned long long>> calls;
  double stopAt = 2.0;  // past the end: never
  static int Called(void* context, unsigned long long done, unsigned long long total) {
    auto* self = static_cast<Watch*>(context);
    self->calls.emplace_back(done, total);
    return total > 0 && static_cast<double>(done) >= self->stopAt * static_cast<double>(total);
  }
};

// Bytes LZMA cannot shrink much, so both directions take many progress steps.
std::string Noise(std::size_t size, std::uint32_t seed) {
  std::string bytes(size, '\0');
  for (auto& b : bytes) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<char>(seed >> 24);
  }
  return bytes;
}

class Client7zProgressTest : public Client7zTest {
 protected:
  void SetUp() override {
    Client7zTest::SetUp();
    decompressEx_ = reinterpret_cast<DecompressExFn>(
        reinterpret_cast<void*>(GetProcAddress(library_.get(), "DecompressEx")));
    ASSERT_NE(decompressEx_, nullptr);
    // Three files, one in a folder of the archive, 12 MiB in all.
    for (int i = 0; i < 3; ++i) {
      std::u16string name = u"in" + pf::FromUtf8(std::to_string(i)) + u".bin";
      inputs_.push_back(Long(ws_.File(name, Noise(std::size_t{4} << 20, 7u + i))));
    }
  }

  int CallEx(const wchar_t* command, const std::wstring& archive,
             const std::vector<std::wstring>& files, Watch& watch) {
    const wchar_t* argv[] = {self_.c_str(), command, archive.c_str()};
    std::vector<const wchar_t*> list;
    for (const auto& f : files) list.push_back(f.c_str());
    Client7zOptions options{sizeof(Client7zOptions), &Watch::Called, &watch, nullptr};
    return decompressEx_(3, argv, list.data(), static_cast<int>(list.size()), &options);
  }

  DecompressExFn decompressEx_ = nullptr;
  std::vector<std::wstring> inputs_;
};

// Done never goes down and never passes the total, the total never
// shrinks, there are steps in between, and a call that succeeded ends at
// the total it announced.
void ExpectSteadyProgress(const Watch& watch, unsigned long long total) {
  ASSERT_FALSE(watch.calls.empty());
  unsigned long long lastDone = 0, lastTotal = 0;
  int between = 0;
  for (const auto& [done, all] : watch.calls) {
    EXPECT_GE(done, lastDone);
    EXPECT_GE(all, lastTotal);
    EXPECT_LE(done, all);
    if (done > 0 && done < total) ++between;
    lastDone = done;
    lastTotal = all;
  }
  EXPECT_GE(between, 3);
  EXPECT_EQ(watch.calls.back(), std::make_pair(total, total));
}

TEST_F(Client7zProgressTest, PackAndUnpackReportSteadilyAndEndAtTheTotal) {
  const unsigned long long total = 3ull * (4u << 20);
  std::wstring archive = Long(ws_.Path(u"all.7z"));
  Watch pack;
  ASSERT_EQ(CallEx(L"a", archive, inputs_, pack), kClient7zOk);
  ExpectSteadyProgress(pack, total);
  Watch unpack;
  std::wstring target = Long(ws_.Path(u"out"));
  ASSERT_EQ(CallEx(L"x", archive, {target}, unpack), kClient7zOk);
  ExpectSteadyProgress(unpack, total);
  EXPECT_EQ(Tree(target).size(), 3u);
  // "l" decodes nothing and says nothing.
  Watch list;
  EXPECT_EQ(CallEx(L"l", archive, {}, list), kClient7zOk);
  EXPECT_TRUE(list.calls.empty());
}

TEST_F(Client7zProgressTest, ACancelLeavesNoPartialArchiveOrFiles) {
  std::wstring archive = Long(ws_.Path(u"all.7z"));
  {
    Watch none;
    ASSERT_EQ(CallEx(L"a", archive, inputs_, none), kClient7zOk);
  }
  const std::string packed = ReadBytes(archive);
  // The target already holds a file of the same name as an entry, and one
  // of its own: a cancelled unpack leaves both as they were.
  std::wstring target = Long(ws_.Folder(u"target"));
  WriteBytes(target + L"\\in0.bin", "the user's own in0");
  WriteBytes(target + L"\\mine.txt", "mine");
  const auto targetBefore = Tree(target);

  struct Case {
    const wchar_t* command;
    double stopAt;  // of the total
  };
  // At the first report, and late, when whole files are already out.
  const Case cases[] = {{L"a", 0.0}, {L"a", 0.7}, {L"x", 0.0}, {L"x", 0.7}};
  for (const auto& c : cases) {
    SCOPED_TRACE(pf::ToUtf8(pf::FromWide(c.command)) + " at " + std::to_string(c.stopAt));
    const auto rootBefore = pf::test::ListFolder(ws_.root());
    Watch watch;
    watch.stopAt = c.stopAt;
    if (c.command[0] == L'a') {
      // Replacing the good archive: it stays, and nothing is left beside it.
      EXPECT_EQ(CallEx(L"a", archive, inputs_, watch), kClient7zCancelled);
      EXPECT_TRUE(ReadBytes(archive) == packed);
      // A new archive: none is made.
      Watch again;
      again.stopAt = c.stopAt;
      EXPECT_EQ(CallEx(L"a", Long(ws_.Path(u"new.7z")), inputs_, again), kClient7zCancelled);
    } else {
      EXPECT_EQ(CallEx(L"x", archive, {target}, watch), kClient7zCancelled);
      EXPECT_EQ(Tree(target), targetBefore);
      // A target the call had to make, folders above it included, is gone.
      Watch again;
      again.stopAt = c.stopAt;
      EXPECT_EQ(CallEx(L"x", archive, {Long(ws_.Path(u"made\\deeper"))}, again),
                kClient7zCancelled);
    }
    EXPECT_EQ(pf::test::ListFolder(ws_.root()), rootBefore);
    ASSERT_FALSE(watch.calls.empty());
    if (c.stopAt > 0) {
      EXPECT_GT(watch.calls.back().first, 0u);
    }
  }
  // Not cancelled, the same call replaces the target's file.
  Watch none;
  ASSERT_EQ(CallEx(L"x", archive, {target}, none), kClient7zOk);
  EXPECT_TRUE(ReadBytes(target + L"\\in0.bin") == ReadBytes(inputs_[0]));
  EXPECT_EQ(ReadBytes(target + L"\\mine.txt"), "mine");
  EXPECT_EQ(Tree(target).size(), 4u);
}

TEST_F(Client7zProgressTest, NullOptionsAreDecompressAndATooSmallStructIsRefused) {
  std::wstring archive = Long(ws_.Path(u"plain.7z"));
  const wchar_t* argv[] = {self_.c_str(), L"a", archive.c_str()};
  const wchar_t* files[] = {inputs_[0].c_str()};
  EXPECT_EQ(decompressEx_(3, argv, files, 1, nullptr), kClient7zOk);
  Client7zOptions tiny{sizeof(unsigned), nullptr, nullptr, nullptr};
  EXPECT_EQ(decompressEx_(3, argv, files, 1, &tiny), kClient7zBadArguments);
}

}  // namespace
