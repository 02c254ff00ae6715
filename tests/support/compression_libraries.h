// The compression libraries a build needs in its program folder, for tests
// that run the compression step or a whole build.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace pf::test {

// Under Wine: the real Client7z.dll and 7z.dll from the build's bin folder.
// Natively: the stand-in client (stand_in_client7z.cpp) as "Client7z.dll"
// and a placeholder "7z.dll".
void InstallCompressionLibraries(const std::u16string& programFolder);

// The bare names stored in an archive the installed client made, sorted;
// nothing when it cannot be read as one. Under Wine the archive is
// extracted with the real client into `scratchFolder`.
std::optional<std::vector<std::u16string>> ArchivedNames(const std::u16string& archivePath,
                                                         const std::u16string& scratchFolder);

}  // namespace pf::test
