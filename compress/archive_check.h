// Archives ticked to be unpacked at extraction, opened once at build time
// by the shipped codec through the client, so a package whose agent would
// refuse one is never written.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pf {

struct ArchiveRefusal {
  std::u16string file;    // the archive, as the entry list names it
  std::u16string reason;  // one sentence naming it
};

// Lists every user entry marked 1 (entries 0 and 1 are the libraries) with
// the client's "l", which applies the rule its "x" applies to entry names.
// Returns the first archive that cannot be opened or holds an entry that
// extraction refuses. A file that does not exist, and a client that cannot
// be loaded, are left to the build, which reports them as it always has.
std::optional<ArchiveRefusal> CheckArchivesToUnpack(
    const std::u16string& programFolder, const std::vector<std::u16string>& dataFiles,
    const std::vector<std::int32_t>& decompressFlags, std::int32_t noOfFiles);

}  // namespace pf
