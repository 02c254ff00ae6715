// packforge-cli: the wizard's build for scripts and CI pipelines.
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/progress_line.h"
#include "compress/archive_check.h"
#include "compress/archive_encryption.h"
#include "compress/work_folder.h"
#include "engine/build_progress.h"
#include "engine/merger.h"
#include "engine/output_sink.h"
#include "platform/engine_message.h"
#include "platform/os.h"
#include "platform/text.h"
#ifdef _WIN32
#include "platform/win32/safe_startup.h"
#endif

namespace {

// Length of the progress line still drawn on a terminal, 0 when none is.
std::size_t g_openLine = 0;

void EndProgressLine() {
  if (g_openLine == 0) return;
  std::fputc('\n', stderr);
  g_openLine = 0;
}

void Say(const std::u16string& text) {
  EndProgressLine();
  std::string line = pf::ToUtf8(text);
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

bool StderrIsTerminal() {
#ifdef _WIN32
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != FALSE;
#else
  return isatty(2) != 0;
#endif
}

// Shows the build's progress on stderr: one line redrawn in place on a
// terminal, separate lines at each tenth elsewhere.
void ShowBuildProgress() {
  bool terminal = StderrIsTerminal();
  auto pacer = std::make_shared<pf::ProgressPacer>(terminal);
  auto start = std::chrono::steady_clock::now();
  pf::SetBuildProgressHandler([=](pf::BuildStage stage, std::uint64_t done, std::uint64_t total) {
    double now = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    auto line = pacer->Next(stage, done, total, now);
    if (!line) return;
    std::string text = pf::ToUtf8(*line);
    if (!terminal) {
      std::fprintf(stderr, "%s\n", text.c_str());
    } else {
      // Padded over what the previous, longer line left.
      std::size_t width = text.size();
      if (text.size() < g_openLine) text.append(g_openLine - text.size(), ' ');
      std::fprintf(stderr, "\r%s", text.c_str());
      g_openLine = width;
      if (done >= total) EndProgressLine();
    }
    std::fflush(stderr);
  });
}

#ifdef _WIN32
BOOL WINAPI OnConsoleEnd(DWORD /*event*/) {
  pf::CancelOutputs();
  pf::RemoveWorkFoldersNow();
  return FALSE;  // and the default handler ends the process
}
#endif

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
  if (!req.quiet)
    for (const auto& note : req.notes) Say(u"packforge-cli: " + note);
  // Every path of the request is absolute now. The engine looks its own
  // files (agent, libraries, default icon) up in the current folder first,
  // so that must be the program's folder: a 7z.dll or SelfExtractor.exe
  // lying where the script runs must never end up in the package.
  if (!pf::os::SetCurrentFolder(req.settings.programFolder)) {
    Say(u"packforge-cli: cannot use the program folder " + req.settings.programFolder);
    return pf::kCliBuildFailed;
  }
  // The engine's message boxes become lines on stderr.
  pf::SetEngineMessageHandler([](const std::u16string& text, const std::u16string& caption) {
    Say(u"packforge-cli: " + caption + u": " + text);
  });
  auto& s = req.settings;
  // An archive the package would fail to unpack stops the build here.
  if (auto refusal =
          pf::CheckArchivesToUnpack(s.programFolder, s.dataFiles, s.decompressFlags, s.noOfFiles)) {
    Say(u"packforge-cli: " + refusal->reason);
    Say(u"packforge-cli: it can travel packed instead: --keep-packed \"" + refusal->file + u"\"");
    return pf::kCliBuildFailed;
  }
#ifdef _WIN32
  // Ctrl+C or a closed console ends the process: the partial package goes
  // first.
  SetConsoleCtrlHandler(&OnConsoleEnd, TRUE);
#endif
  // --encrypt: the archive is packed with the password, for this build only.
  std::optional<pf::ArchiveEncryption> encryption;
  if (!req.archivePassword.empty()) encryption.emplace(std::move(req.archivePassword));
  if (!req.quiet) ShowBuildProgress();
  bool ok = pf::Merger(s.programFolder, s.noOfFiles, s.dataFiles, s.driverFilePath,
                       s.outputFilepath, s.outputFileName, s.decompressFlags, s.iconFilePath,
                       s.aboutMessage, s.aboutTitle, s.extractFolderOption, s.password);
  if (!ok) {
    Say(u"packforge-cli: Problem in creating the Self Extracting file");
    return pf::kCliBuildFailed;
  }
  std::u16string written = pf::OutputPathOf(s.outputFilepath, s.outputFileName);
#ifndef _WIN32
  // The engine separates with backslashes; a Linux user reads "/".
  for (auto& c : written)
    if (c == u'\\') c = u'/';
#endif
  if (!req.quiet) Say(u"packforge-cli: wrote " + written);
  return pf::kCliBuilt;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  // Fail closed: a script may start the program from any folder, and
  // without the restriction a library there could run inside it.
  if (!pf::win::DllSearchRestricted()) {
    Say(u"packforge-cli: this version of Windows cannot restrict library loading to the system "
        u"folder (update KB2533623 is missing); nothing was built");
    return pf::kCliBuildFailed;
  }
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) args.push_back(pf::FromWide(argv[i]));
  return Run(args);
}
#else
int main(int argc, char** argv) {
  // The build works under %temp%, which a Linux shell rarely sets: the
  // system's temporary folder stands in for it.
  if (!std::getenv("temp") && !std::getenv("TEMP")) {
    const char* tmp = std::getenv("TMPDIR");
    setenv("temp", tmp && *tmp ? tmp : "/tmp", 0);
  }
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) args.push_back(pf::FromUtf8(argv[i]));
  return Run(args);
}
#endif
