// The export: checks the arguments, loads the codec beside the client and
// runs one command. Nothing escapes it but a result code.
#include <cstddef>
#include <cwctype>
#include <deque>
#include <new>

#include "client7z/client7z.h"
#include "client7z/commands.h"
#include "client7z/file_system.h"
#include "client7z/paths.h"

namespace {

// The caller's UTF-16 strings as the client's own wide strings: the same
// on Windows; natively wchar_t (and 7-Zip's BSTR) holds UTF-32.
#ifdef _WIN32
std::vector<const wchar_t*> Wide(const Client7zChar* const* texts, int count,
                                 std::deque<std::wstring>&) {
  if (!texts) return {};
  return std::vector<const wchar_t*>(texts, texts + count);
}
#else
std::vector<const wchar_t*> Wide(const Client7zChar* const* texts, int count,
                                 std::deque<std::wstring>& store) {
  std::vector<const wchar_t*> out;
  if (!texts) return out;
  for (int i = 0; i < count; ++i) {
    if (!texts[i]) {
      out.push_back(nullptr);
      continue;
    }
    std::wstring text;
    for (const char16_t* p = texts[i]; *p; ++p) {
      char32_t c = *p;
      // A pair of surrogates is one character; a lone one stays as it is.
      if (c >= 0xD800 && c < 0xDC00 && p[1] >= 0xDC00 && p[1] < 0xE000)
        c = 0x10000 + ((c - 0xD800) << 10) + (*++p - 0xDC00);
      text += static_cast<wchar_t>(c);
    }
    store.push_back(std::move(text));
    out.push_back(store.back().c_str());
  }
  return out;
}
#endif

// The password of the options, when the caller's struct is large enough to
// hold one.
const Client7zChar* PasswordOf(const Client7zOptions* options) {
  if (!options || options->size < offsetof(Client7zOptions, password) + sizeof(options->password))
    return nullptr;
  return options->password;
}

int Run(int argc, const wchar_t* const* argv, const wchar_t* const* files, int count,
        const Client7zOptions* options, const wchar_t* passwordText) {
  using namespace client7z;
  // A caller built against a smaller struct passes a smaller size: only the
  // fields it has are read.
  if (options && options->size < offsetof(Client7zOptions, context) + sizeof(void*))
    return kClient7zBadArguments;
  if (argc < 3 || !argv || !argv[0] || !argv[1] || !argv[2] || count < 0)
    return kClient7zBadArguments;
  if (count > 0 && !files) return kClient7zBadArguments;
  std::vector<std::wstring> given;
  for (int i = 0; i < count; ++i) {
    if (!files[i]) return kClient7zBadArguments;
    given.emplace_back(files[i]);
  }
  std::wstring command = argv[1];
  bool pack = command == L"a" || command == L"A";
  bool unpack = command == L"x" || command == L"X";
  bool list = command == L"l" || command == L"L";
  if (!pack && !unpack && !list) return kClient7zBadArguments;
  if (unpack && given.empty()) return kClient7zBadArguments;
  if (std::wstring(argv[2]).empty()) return kClient7zBadArguments;

  unsigned threads = 0;
  if (pack && argc >= 4) {
    auto n = ParseDecimal(argv[3] ? argv[3] : L"");
    if (!n || *n == 0 || *n > 256) return kClient7zBadArguments;
    threads = static_cast<unsigned>(*n);
  }
  ArchiveLocation archive{argv[2], {}, {}};
  if ((unpack || list) && argc >= 5) {
    auto offset = ParseDecimal(argv[3] ? argv[3] : L"");
    auto length = ParseDecimal(argv[4] ? argv[4] : L"");
    if (!offset || !length) return kClient7zBadArguments;
    archive.range.emplace(*offset, *length);
    if (argc >= 6) {
      if (!argv[5]) return kClient7zBadArguments;
      archive.name = argv[5];
    }
  }

  std::wstring folder = FolderOf(argv[0]);
  if (folder.empty()) folder = OwnFolder();
  Codec codec(folder);
  if (!codec.loaded()) return kClient7zCodecMissing;
  Password password(passwordText);
  ProgressReport progress(options ? options->progress : nullptr,
                          options ? options->context : nullptr);
  if (pack) return PackFiles(codec, argv[2], given, threads, password, progress);
  if (list) return ListArchive(codec, archive, password);
  return UnpackArchive(codec, archive, given[0], password, progress);
}

}  // namespace

extern "C" int Decompress(int argc, const Client7zChar* const* argv,
                          const Client7zChar* const* files, int count) {
  return DecompressEx(argc, argv, files, count, nullptr);
}

extern "C" int DecompressEx(int argc, const Client7zChar* const* argv,
                            const Client7zChar* const* files, int count,
                            const Client7zOptions* options) {
  try {
    if (argc < 0 || count < 0) return kClient7zBadArguments;
    std::deque<std::wstring> store, secret;
    auto wideArgv = Wide(argv, argc, store);
    auto wideFiles = Wide(files, count, store);
    const Client7zChar* given = PasswordOf(options);
    const wchar_t* password = Wide(&given, 1, secret)[0];
    int result = Run(argc, argv ? wideArgv.data() : nullptr, files ? wideFiles.data() : nullptr,
                     count, options, password);
    for (auto& s : secret) client7z::Wipe(s);
    return result;
  } catch (...) {
    return kClient7zInternalError;
  }
}
