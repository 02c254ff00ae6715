#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "engine/build_failure.h"
#include "engine/header_reader.h"
#include "engine/header_writer.h"
#include "engine/package_names.h"
#include "platform/text.h"
#include "tests/support/trace_capture.h"
#include "trace/trace_log.h"

namespace pf {
namespace {

ByteBuffer Bytes(std::initializer_list<int> values) {
  ByteBuffer b;
  for (int v : values) b.push_back(static_cast<std::uint8_t>(v));
  return b;
}

void Append(ByteBuffer& to, const ByteBuffer& more) {
  to.insert(to.end(), more.begin(), more.end());
}

ByteBuffer Utf16Field(const std::string& ascii) {
  ByteBuffer b;
  for (char c : ascii) {
    b.push_back(static_cast<std::uint8_t>(c));
    b.push_back(0);
  }
  b.push_back(0);
  b.push_back(0);
  return b;
}

TEST(HeaderFields, EncodeLittleEndianWithTheirTerminators) {
  ByteBuffer b;
  CopyDataIntToHeaderArray(b, 3);
  EXPECT_EQ(b, Bytes({3, 0, 0, 0, 0, 0}));
  b.clear();
  CopyDataIntToHeaderArray(b, -1);
  EXPECT_EQ(b, Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0, 0}));
  b.clear();
  CopyDataIntToHeaderArray(b, 0x12345678);
  EXPECT_EQ(b, Bytes({0x78, 0x56, 0x34, 0x12, 0, 0}));
  b.clear();
  CopyDataStringsToHeaderArray(b, u"ab");
  EXPECT_EQ(b, Bytes({0x61, 0, 0x62, 0, 0, 0}));
  b.clear();
  CopyDataStringsToHeaderArray(b, u"");
  EXPECT_EQ(b, Bytes({0, 0}));
  b.clear();
  CopyDataStringsToHeaderArray(b, u"\u20ac");  // a code unit above 0xFF
  EXPECT_EQ(b, Bytes({0xAC, 0x20, 0, 0}));
  b.clear();
  CopyDataStringsToHeaderArray(b, std::u16string(300, u'm'));
  EXPECT_EQ(b.size(), 602u);
  b.clear();
  const std::uint8_t raw[] = {'x', 'y'};
  CopyDataBytesToHeaderArray(b, raw, 2);
  EXPECT_EQ(b, Bytes({'x', 'y', 0}));
}

// The smallest real header: empty strings, option 0, the two libraries and
// the archive. Its 171 bytes are spelled out here on purpose.
TEST(CreateHeaderArray, WritesTheWorkedExampleByteForByte) {
  test::Workspace ws;
  ws.File(u"7z.dll", std::string(5, 'a'));
  ws.File(u"Client7z.dll", std::string(0x0102, 'b'));
  ws.File(u"ZpkCompressedFiles.7z", std::string(7, 'c'));
  std::vector<std::u16string> list{u"7z.dll", u"Client7z.dll", u"ZpkCompressedFiles.7z"};
  ByteBuffer header;
  std::uint32_t total = 0;
  CreateHeaderArray(list, header, u"SelfExtractor.exe", u"", 3, total, {1, 1, 1}, ws.root(), u"",
                    u"", u"", 0);

  ByteBuffer expected;
  for (char c : std::string("Kelo Data File Signature")) expected.push_back(c);
  expected.push_back(0);
  Append(expected, Bytes({3, 0, 0, 0, 0, 0}));  // entry count
  Append(expected, Bytes({0, 0}));              // driverFilePath
  Append(expected, Bytes({1, 0, 0, 0, 0, 0}));  // fixed value
  Append(expected, Bytes({0, 0, 0, 0, 0, 0}));  // password, message, title
  Append(expected, Bytes({0, 0, 0, 0, 0, 0}));  // extractFolderOption
  Append(expected, Bytes({1, 0, 0, 0, 0, 0}));
  Append(expected, Utf16Field("7z.dll"));
  Append(expected, Bytes({5, 0, 0, 0, 0, 0}));
  Append(expected, Bytes({1, 0, 0, 0, 0, 0}));
  Append(expected, Utf16Field("Client7z.dll"));
  Append(expected, Bytes({0x02, 0x01, 0, 0, 0, 0}));
  Append(expected, Bytes({1, 0, 0, 0, 0, 0}));
  Append(expected, Utf16Field("ZpkCompressedFiles.7z"));
  Append(expected, Bytes({7, 0, 0, 0, 0, 0}));
  ASSERT_EQ(expected.size(), 171u);
  EXPECT_EQ(header, expected);
  EXPECT_EQ(total, 5u + 0x0102u + 7u);
}

TEST(CreateHeaderArray, EmptyAgentNameOrListFailsBeforeWritingAnything) {
  test::Workspace ws;
  test::EnableTrace(ws);
  InitTraceLog();
  for (bool emptyList : {true, false}) {
    ByteBuffer header;
    std::uint32_t total = 0;
    std::vector<std::u16string> list;
    if (!emptyList) list = {u"x"};
    EXPECT_THROW(CreateHeaderArray(list, header, emptyList ? u"SelfExtractor.exe" : u"", u"", 1,
                                   total, {1}, ws.root(), u"", u"", u"", 0),
                 BuildFailure);
    EXPECT_TRUE(header.empty());
    EXPECT_EQ(test::TraceLines(ws).back(),
              "Input Missing:- CreateHeaderArray:- extractFolderPath ||dataFiles ");
  }
}

TEST(AddDataFileInfoInHeader, TriesTheThreeCandidatesInOrder) {
  test::Workspace ws;
  test::EnableTrace(ws);
  InitTraceLog();
  std::u16string prog = ws.Folder(u"prog");
  ws.File(u"prog\\7z.dll", "12345");    // second candidate: prog\ + entry
  ws.File(u"prog\\report.txt", "123");  // third candidate: prog\ + bare name
  ws.File(u"here.bin", "1234567");      // first candidate: as given
  std::u16string gone = ws.Path(u"data\\report.txt");
  ByteBuffer header;
  std::uint32_t total = 0;
  AddDataFileInfoInHeader(header, {u"7z.dll", gone, u"here.bin"}, 3, total, {1, 0, 1}, prog);

  // Records only: flag, name, size for each of the three.
  ByteBuffer expected;
  Append(expected, Bytes({1, 0, 0, 0, 0, 0}));
  Append(expected, Utf16Field("7z.dll"));
  Append(expected, Bytes({5, 0, 0, 0, 0, 0}));
  Append(expected, Bytes({0, 0, 0, 0, 0, 0}));
  Append(expected, Utf16Field("report.txt"));  // the name is cut from the entry itself
  Append(expected, Bytes({3, 0, 0, 0, 0, 0}));
  Append(expected, Bytes({1, 0, 0, 0, 0, 0}));
  Append(expected, Utf16Field("here.bin"));
  Append(expected, Bytes({7, 0, 0, 0, 0, 0}));
  EXPECT_EQ(header, expected);
  EXPECT_EQ(total, 15u);

  auto lines = test::TraceLines(ws);
  std::string p = ToUtf8(prog);
  EXPECT_TRUE(
      test::HasLine(lines, "AddDataFileInfoInHeader:- currentDataFilePath-" + p + "\\7z.dll"));
  EXPECT_TRUE(
      test::HasLine(lines, "AddDataFileInfoInHeader:- tempcurrentExePath-" + p + "\\report.txt"));
  EXPECT_FALSE(
      test::HasLine(lines, "AddDataFileInfoInHeader:- currentDataFilePath-" + p + "\\here.bin"));
}

TEST(AddDataFileInfoInHeader, AFileFoundNowhereShowsTheThirdCandidate) {
  test::Workspace ws;
  test::EnableTrace(ws);
  InitTraceLog();
  test::MessageRecorder messages;
  std::u16string prog = ws.Folder(u"prog");
  std::u16string entry = ws.Path(u"data\\missing.txt");
  ByteBuffer header;
  std::uint32_t total = 0;
  EXPECT_THROW(AddDataFileInfoInHeader(header, {entry}, 1, total, {1}, prog), BuildFailure);
  ASSERT_EQ(messages.messages().size(), 1u);
  EXPECT_EQ(messages.messages()[0].text, u"Not able to Read the File" + prog + u"\\missing.txt");
  EXPECT_EQ(messages.messages()[0].caption, u"File open Error");
  EXPECT_EQ(test::TraceLines(ws).back(),
            "File Read Error: Not able to read the File: " + ToUtf8(entry));
}

// 4 GiB does not fit a 32-bit size field: refused, never wrapped. Sparse
// files keep this cheap.
TEST(AddDataFileInfoInHeader, RefusesSizesThe32BitFieldsCannotHold) {
  test::Workspace ws;
  test::MessageRecorder messages;
  auto sparse = [&](const std::u16string& name, std::uintmax_t size) {
    std::u16string path = ws.File(name, "");
    std::filesystem::resize_file(test::NativePath(path), size);
    return path;
  };
  std::u16string big = sparse(u"big.bin", std::uintmax_t{1} << 32);
  std::u16string half1 = sparse(u"half1.bin", (std::uintmax_t{1} << 31) + 1);
  std::u16string half2 = sparse(u"half2.bin", (std::uintmax_t{1} << 31));
  for (const auto& list :
       {std::vector<std::u16string>{big}, std::vector<std::u16string>{half1, half2}}) {
    ByteBuffer header;
    std::uint32_t total = 0;
    EXPECT_THROW(AddDataFileInfoInHeader(header, list, static_cast<std::int32_t>(list.size()),
                                         total, {1, 1}, ws.root()),
                 BuildFailure);
  }
  ASSERT_EQ(messages.messages().size(), 2u);
  EXPECT_NE(messages.messages()[0].text.find(u"4 GiB"), std::u16string::npos);
}

class HeaderReader : public ::testing::Test {
 protected:
  // A header with every field filled and two entries.
  ByteBuffer Sample() {
    ws_.File(u"a.bin", "aaaa");
    ws_.File(u"b.7z", "");
    ByteBuffer header;
    std::uint32_t total = 0;
    CreateHeaderArray({u"a.bin", u"b.7z"}, header, u"SelfExtractor.exe", u"run.exe arg", 2, total,
                      {0, 1}, ws_.root(), u"fdb", u"Hello\r\nthere", u"Title", 2);
    return header;
  }
  test::Workspace ws_;
};

TEST_F(HeaderReader, ReadsBackWhatTheWriterWrote) {
  ByteBuffer header = Sample();
  auto r = ReadPackageHeader(header, header.size() + 4);
  ASSERT_TRUE(r.header) << r.error;
  const auto& h = *r.header;
  EXPECT_EQ(h.driverFilePath, u"run.exe arg");
  EXPECT_EQ(h.password, u"fdb");
  EXPECT_EQ(h.aboutMessage, u"Hello\r\nthere");
  EXPECT_EQ(h.aboutTitle, u"Title");
  EXPECT_EQ(h.extractFolderOption, 2);
  ASSERT_EQ(h.entries.size(), 2u);
  EXPECT_EQ(h.entries[0].flag, 0);
  EXPECT_EQ(h.entries[0].name, u"a.bin");
  EXPECT_EQ(h.entries[0].size, 4u);
  EXPECT_EQ(h.entries[1].name, u"b.7z");
  EXPECT_EQ(h.headerLength, header.size());
  EXPECT_EQ(h.payloadSize, 4u);
}

TEST_F(HeaderReader, RefusesEveryTruncation) {
  ByteBuffer header = Sample();
  for (std::size_t len = 0; len < header.size(); ++len) {
    auto r = ReadPackageHeader(std::span(header.data(), len));
    EXPECT_FALSE(r.header) << "accepted a header cut to " << len << " bytes";
    EXPECT_FALSE(r.error.empty());
  }
}

TEST_F(HeaderReader, RefusesMalformedFieldsWithAReason) {
  const ByteBuffer good = Sample();
  const std::size_t countAt = kSignatureFieldSize;
  // Signature, count, run entry, fixed value, password, message, title.
  const std::size_t optionAt =
      kSignatureFieldSize + 6 + (11 + 1) * 2 + 6 + (3 + 1) * 2 + (12 + 1) * 2 + (5 + 1) * 2;
  struct Case {
    const char* what;
    std::function<void(ByteBuffer&)> damage;
    std::optional<std::uint64_t> region;
    std::string reason;
  } cases[] = {
      {"signature", [](ByteBuffer& b) { b[3] ^= 0x20; }, std::nullopt, "no package signature"},
      {"count overrun", [&](ByteBuffer& b) { b[countAt] = 0xFF; }, std::nullopt,
       "entry count overruns the header"},
      {"negative count", [&](ByteBuffer& b) { b[countAt + 3] = 0x80; }, std::nullopt,
       "entry count overruns the header"},
      {"padding", [&](ByteBuffer& b) { b[countAt + 4] = 1; }, std::nullopt,
       "bad padding in entry count"},
      {"folder option", [&](ByteBuffer& b) { b[optionAt] = 3; }, std::nullopt,
       "unknown folder option"},
      {"size overrun", [](ByteBuffer&) {}, good.size() + 3, "entry sizes overrun the file"},
      {"trailing bytes", [](ByteBuffer&) {}, good.size() + 5, "file is longer than its entries"},
      {"unterminated", [](ByteBuffer& b) { b.resize(kSignatureFieldSize + 6 + 4); }, std::nullopt,
       "unterminated run entry"},
  };
  for (const auto& c : cases) {
    ByteBuffer b = good;
    c.damage(b);
    auto r = ReadPackageHeader(b, c.region);
    EXPECT_FALSE(r.header) << c.what;
    EXPECT_EQ(r.error, c.reason) << c.what;
  }
  ByteBuffer flag = good;
  flag[optionAt + 6] = 0xFF;  // first record's flag -1
  EXPECT_EQ(ReadPackageHeader(flag).error, "unknown entry flag");
}

}  // namespace
}  // namespace pf
