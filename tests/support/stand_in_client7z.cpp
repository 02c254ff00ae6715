// A native stand-in for Client7z.dll, for the unit tests that run without
// Wine. It is a test fixture and never ships. "a" checks that every file
// exists and writes a small text "archive" listing what it was given:
//
//   stand-in archive
//   client=<bare name of argv[0]>
//   count=<count>
//   <bare name>\t<size>      (one line per file, in the order given)
//
// "l" answers 0 for a file that starts like such an archive and 10 (not an
// archive) for any other. Strings arrive as UTF-16 code units, as they do on
// Windows.
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "platform/text.h"

namespace {

std::string Native(const char16_t* s) {
  std::string p = pf::ToUtf8(s);
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

// Only the name: like a real archive, the listing must not depend on the
// build's private folder.
std::string BareName(const char16_t* s) {
  std::string p = pf::ToUtf8(s);
  return p.substr(p.find_last_of('\\') + 1);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int Decompress(int argc,
                                                                 const char16_t* const* argv,
                                                                 const char16_t* const* files,
                                                                 int count) {
  if (argc < 3 || !argv || count < 0) return 1;
  if (std::u16string(argv[1]) == u"l") {
    FILE* in = std::fopen(Native(argv[2]).c_str(), "rb");
    if (!in) return 9;
    char head[17] = {};
    std::size_t got = std::fread(head, 1, 16, in);
    std::fclose(in);
    return got == 16 && std::string(head) == "stand-in archive" ? 0 : 10;
  }
  if (std::u16string(argv[1]) != u"a") return 1;
  std::string listing =
      "stand-in archive\nclient=" + BareName(argv[0]) + "\ncount=" + std::to_string(count) + "\n";
  for (int i = 0; i < count; ++i) {
    struct stat st;
    if (stat(Native(files[i]).c_str(), &st) != 0) return 4;
    std::string path = pf::ToUtf8(files[i]);
    listing += path.substr(path.find_last_of('\\') + 1) + "\t" + std::to_string(st.st_size) + "\n";
  }
  FILE* out = std::fopen(Native(argv[2]).c_str(), "wb");
  if (!out) return 7;
  bool ok = std::fwrite(listing.data(), 1, listing.size(), out) == listing.size();
  return std::fclose(out) == 0 && ok ? 0 : 7;
}
