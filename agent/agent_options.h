// The agent's command line and its choice of target folder.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pf::agent {

struct AgentArguments {
  bool silent = false;                     // /S: no window at all
  std::optional<std::u16string> folder;    // /D=<folder>: extract here
  std::optional<std::u16string> password;  // /P=<password>
  std::u16string error;                    // set: a switch was not understood
};

// `args` excludes the program name. Switches are matched without regard to
// letter case; a later repeat wins.
AgentArguments ParseAgentArguments(const std::vector<std::u16string>& args);

// The folder named after the package, beside it: C:\dl\setup.exe gives
// C:\dl\setup (a package without an extension gives C:\dl\setup_files).
std::u16string FolderBesidePackage(std::u16string_view packagePath);

// The target folder: /D when given; otherwise by the header's option (0
// beside the package, 1 %temp%, 2 the chooser, preset to option 0's folder,
// which unattended mode takes as it is).
struct TargetChoice {
  std::u16string folder;
  bool askUser = false;  // option 2 with a window: show the chooser preset to `folder`
};
TargetChoice ChooseTargetFolder(std::int32_t option, const AgentArguments& args,
                                std::u16string_view packagePath, std::u16string_view tempFolder);

}  // namespace pf::agent
