// The two commands of Decompress; each returns a Client7zResult.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "client7z/codec.h"
#include "client7z/password.h"
#include "client7z/progress.h"

namespace client7z {

// "a": the files, in order, into a new archive that replaces archivePath,
// packed on `threads` threads (0: every processor). With a password, data
// and names are encrypted.
int PackFiles(const Codec& codec, const std::wstring& archivePath,
              const std::vector<std::wstring>& files, unsigned threads, const Password& password,
              ProgressReport& progress);

// Where the archive of "x" lies: the whole file, or `length` bytes of it
// from `offset`. `name` (the archive's own name) picks the format to try
// first; empty means the file's name.
struct ArchiveLocation {
  std::wstring path;
  std::optional<std::pair<std::uint64_t, std::uint64_t>> range;  // offset, length
  std::wstring name;
};

// "x": every safe entry of the archive into targetFolder.
int UnpackArchive(const Codec& codec, const ArchiveLocation& archive,
                  const std::wstring& targetFolder, const Password& password,
                  ProgressReport& progress);

// "l": opens the archive and checks every entry's name as "x" would.
int ListArchive(const Codec& codec, const ArchiveLocation& archive, const Password& password);

}  // namespace client7z
