// SelfExtractor.exe: the program every package starts with. It reads the
// header past its own image, checks the whole package before it writes
// anything, and extracts into the chosen folder.
#include <windows.h>

#include <shellapi.h>

#include <atomic>
#include <vector>

#include "agent/agent_options.h"
#include "agent/agent_window.h"
#include "agent/entry_names.h"
#include "agent/exit_codes.h"
#include "agent/extraction.h"
#include "agent/package_layout.h"
#include "engine/password_encoding.h"
#include "platform/os.h"
#include "platform/text.h"
#include "platform/win32/safe_startup.h"
#include "platform/win32/unique_handle.h"

namespace {

using namespace pf::agent;

// Answers the prompt takes for an encrypted package before it gives up.
constexpr int kPasswordTries = 3;

std::wstring OwnPath() {
  std::wstring path(32768, L'\0');
  DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(n);
  return path;
}

// The absolute form, without a trailing separator (a drive root keeps its own).
std::wstring FullPathOf(const std::wstring& path) {
  std::wstring out = pf::ToWide(pf::os::FullPath(pf::FromWide(path)));
  while (out.size() > 3 && (out.back() == L'\\' || out.back() == L'/')) out.pop_back();
  return out;
}

std::vector<std::u16string> Arguments() {
  std::vector<std::u16string> args;
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return args;
  for (int i = 1; i < argc; ++i) args.push_back(pf::FromWide(argv[i]));
  LocalFree(argv);
  return args;
}

class Agent {
 public:
  Agent(HINSTANCE instance, AgentArguments args) : instance_(instance), args_(std::move(args)) {}

  int Run() {
    std::wstring self = OwnPath();
    pf::win::unique_hfile package(CreateFileW(self.c_str(), GENERIC_READ,
                                              FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!package) return Fail(kExitDamaged, L"The package cannot be read.");
    FileSource source(package.get());
    auto located = LocatePackage(source);
    if (!located.layout)
      return Fail(kExitDamaged, L"The package is damaged or incomplete and cannot be extracted (" +
                                    pf::ToWide(pf::FromUtf8(located.error)) + L").");
    const PackageLayout& layout = *located.layout;
    const auto& header = layout.header;
    if (auto problem = CheckPackageEntries(header)) return Fail(kExitDamaged, pf::ToWide(*problem));

    if (!header.aboutMessage.empty() && !args_.silent)
      MessageBoxW(nullptr, pf::ToWide(header.aboutMessage).c_str(),
                  pf::ToWide(header.aboutTitle).c_str(), MB_OK | MB_ICONINFORMATION);

    if (int code = CheckPassword(header.password); code != kExitSuccess) return code;

    auto choice = ChooseTargetFolder(header.extractFolderOption, args_, pf::FromWide(self),
                                     pf::FromWide(TempFolderPath()));
    std::wstring target = pf::ToWide(choice.folder);
    if (choice.askUser) {
      auto chosen = ChooseFolder(FullPathOf(target));
      if (!chosen) return kExitCancelled;
      target = *chosen;
    }
    target = FullPathOf(target);

    std::atomic<bool> cancel{false};
    ArchivePassword password = ArchivePasswordSource();
    auto work = [&](ProgressSink& sink) {
      return Extract(package.get(), self, layout, target, sink, cancel, password);
    };
    ExtractionResult result;
    if (args_.silent) {
      NoProgress none;
      result = work(none);
    } else {
      result = RunWithProgress(instance_, work, cancel);
    }
    if (result.exitCode == kExitCancelled) return kExitCancelled;
    if (result.exitCode != kExitSuccess) return Fail(result.exitCode, result.message);

    if (!header.driverFilePath.empty() &&
        !RunAfterExtraction(pf::ToWide(header.driverFilePath), target, args_.silent))
      return Fail(kExitRunFailed, L"The files were extracted to " + target + L", but " +
                                      pf::ToWide(header.driverFilePath) +
                                      L" could not be started.");
    if (!args_.silent && header.driverFilePath.empty())
      ShowInfo(L"The files were extracted to " + target + L".");
    return kExitSuccess;
  }

 private:
  int CheckPassword(const std::u16string& stored) {
    if (stored.empty()) return kExitSuccess;
    auto matches = [&](const std::wstring& typed) {
      return pf::EncodePassword(pf::FromWide(typed)) == stored;
    };
    if (args_.password && matches(pf::ToWide(*args_.password))) return kExitSuccess;
    if (args_.silent) return kExitPassword;
    for (;;) {
      auto typed = AskPassword(instance_);
      if (!typed) return kExitCancelled;
      if (matches(*typed)) return kExitSuccess;
      ShowError(L"The password is not correct.");
    }
  }

  // An encrypted archive's password: /P= first, then (with a window) three
  // tries in the prompt; then the wrong-password exit, with nothing written.
  ArchivePassword ArchivePasswordSource() {
    ArchivePassword source;
    if (args_.password) source.initial = pf::ToWide(*args_.password);
    source.ask = [this, prompts = 0](bool wrong) mutable -> ArchivePassword::Answer {
      if (args_.silent)
        return {std::nullopt, kExitPassword,
                wrong ? L"The password is not correct."
                      : L"The package is encrypted: its password is needed (/P=<password>)."};
      if (prompts >= kPasswordTries)
        return {std::nullopt, kExitPassword, L"The password is not correct."};
      if (wrong) ShowError(L"The password is not correct.");
      ++prompts;
      auto typed = AskPassword(instance_);
      if (!typed) return {std::nullopt, kExitCancelled, {}};
      return {std::move(typed), kExitSuccess, {}};
    };
    return source;
  }

  int Fail(int code, const std::wstring& message) {
    if (!args_.silent) ShowError(message);
    return code;
  }

  HINSTANCE instance_;
  AgentArguments args_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  auto args = ParseAgentArguments(Arguments());
  // Fail closed: without the restriction, any library dropped beside the
  // package could run inside it.
  if (!pf::win::DllSearchRestricted()) {
    if (!args.silent)
      ShowError(
          L"This package cannot be extracted safely on this version of Windows: it lacks the "
          L"update that lets a program load libraries from the system folder only (KB2533623). "
          L"Install the Windows updates, then run the package again.");
    return kExitUnsafeSystem;
  }
  if (!args.error.empty()) {
    if (!args.silent)
      ShowError(pf::ToWide(args.error) + L"\n\nUsage: /S (no window), /D=<folder>, /P=<password>");
    return kExitBadArguments;
  }
  return Agent(instance, std::move(args)).Run();
}
