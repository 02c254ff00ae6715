// packforge-cli: the wizard's build for scripts and CI pipelines.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "engine/merger.h"
#include "platform/engine_message.h"
#include "platform/os.h"
#include "platform/text.h"

namespace {

void Say(const std::u16string& text) {
  std::string line = pf::ToUtf8(text);
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

int Run(const std::vector<std::u16string>& args) {
  auto req = pf::ParseCliArguments(args, pf::os::ExecutableFolder());
  if (req.help) {
    std::string usage = pf::ToUtf8(pf::CliUsage());
    std::fwrite(usage.data(), 1, usage.size(), stderr);
    return pf::kCliBuilt;
  }
  if (req.version) {
    std::string line = pf::ToUtf8(pf::CliVersion()) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    return pf::kCliBuilt;
  }
  if (!req.error.empty()) {
    Say(u"packforge-cli: " + req.error);
    Say(u"try packforge-cli --help");
    return pf::kCliBadArguments;
  }
  for (const auto& note : req.notes) Say(u"packforge-cli: " + note);
  // The engine's message boxes become lines on stderr.
  pf::SetEngineMessageHandler([](const std::u16string& text, const std::u16string& caption) {
    Say(u"packforge-cli: " + caption + u": " + text);
  });
  auto& s = req.settings;
  bool ok = pf::Merger(s.programFolder, s.noOfFiles, s.dataFiles, s.driverFilePath,
                       s.outputFilepath, s.outputFileName, s.decompressFlags, s.iconFilePath,
                       s.aboutMessage, s.aboutTitle, s.extractFolderOption, s.password);
  if (!ok) {
    Say(u"packforge-cli: Problem in creating the Self Extracting file");
    return pf::kCliBuildFailed;
  }
  Say(u"packforge-cli: wrote " + pf::OutputPathOf(s.outputFilepath, s.outputFileName));
  return pf::kCliBuilt;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) args.push_back(pf::FromWide(argv[i]));
  return Run(args);
}
#else
int main(int argc, char** argv) {
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) args.push_back(pf::FromUtf8(argv[i]));
  return Run(args);
}
#endif
