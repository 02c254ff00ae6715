// The export: checks the arguments, loads 7z.dll beside the client and runs
// one command. Nothing escapes it but a result code.
#include <cstddef>
#include <cwctype>
#include <new>

#include "client7z/client7z.h"
#include "client7z/commands.h"
#include "client7z/paths.h"

namespace {

// The folder of this library, for a call whose argv[0] names no folder.
std::wstring OwnFolder() {
  HMODULE self = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&OwnFolder), &self))
    return {};
  std::wstring path(32768, L'\0');
  DWORD n = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
  if (n == 0 || n >= path.size()) return {};
  path.resize(n);
  return client7z::FolderOf(path);
}

// The password of the options, when the caller's struct is large enough to
// hold one.
const wchar_t* PasswordOf(const Client7zOptions* options) {
  if (!options || options->size < offsetof(Client7zOptions, password) + sizeof(options->password))
    return nullptr;
  return options->password;
}

int Run(int argc, const wchar_t* const* argv, const wchar_t* const* files, int count,
        const Client7zOptions* options) {
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
  Password password(PasswordOf(options));
  ProgressReport progress(options ? options->progress : nullptr,
                          options ? options->context : nullptr);
  if (pack) return PackFiles(codec, argv[2], given, threads, password, progress);
  if (list) return ListArchive(codec, archive, password);
  return UnpackArchive(codec, archive, given[0], password, progress);
}

}  // namespace

extern "C" int Decompress(int argc, const wchar_t* const* argv, const wchar_t* const* files,
                          int count) {
  return DecompressEx(argc, argv, files, count, nullptr);
}

extern "C" int DecompressEx(int argc, const wchar_t* const* argv, const wchar_t* const* files,
                            int count, const Client7zOptions* options) {
  try {
    return Run(argc, argv, files, count, options);
  } catch (...) {
    return kClient7zInternalError;
  }
}
