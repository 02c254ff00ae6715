// How far a build got, for whoever watches it: the console front end shows
// a line, the wizard's progress window stays as it is and sets no handler.
#pragma once
#include <cstdint>
#include <functional>

namespace pf {

enum class BuildStage {
  kPacking,  // the data files read into the archive, of their sum
  kWriting,  // the package's bytes written, of its size
};

using BuildProgressHandler =
    std::function<void(BuildStage stage, std::uint64_t done, std::uint64_t total)>;

// Replaces the handler (set it before a build starts; empty: none).
// Returns the previous one.
BuildProgressHandler SetBuildProgressHandler(BuildProgressHandler handler);
bool BuildProgressWatched();
// Calls the handler, if any; calls come one at a time.
void ReportBuildProgress(BuildStage stage, std::uint64_t done, std::uint64_t total);

}  // namespace pf
