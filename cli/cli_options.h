// The console front end's arguments, turned into build settings with the
// same checks and messages as the wizard's pages.
#pragma once
#include <string>
#include <vector>

#include "settings/build_settings.h"

namespace pf {

inline constexpr int kCliBuilt = 0;
inline constexpr int kCliBuildFailed = 1;
inline constexpr int kCliBadArguments = 2;

struct CliRequest {
  bool help = false;
  bool version = false;
  bool quiet = false;  // only errors on stderr
  BuildSettings settings;
  // --encrypt: the archive's password (the header's gate stays empty).
  std::u16string archivePassword;
  std::vector<std::u16string> notes;  // said on stderr, the build goes on
  std::u16string error;               // set: bad arguments, nothing built
};

// `args` excludes the program name. `programFolder` is where the agent and
// libraries are looked for.
CliRequest ParseCliArguments(const std::vector<std::u16string>& args,
                             const std::u16string& programFolder);

std::u16string CliUsage();
// "packforge-cli <version>", what --version prints.
std::u16string CliVersion();

}  // namespace pf
