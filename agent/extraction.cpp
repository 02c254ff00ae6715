// rand_s is declared only when this is defined before the first include.
#define _CRT_RAND_S
#include "agent/extraction.h"

#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "agent/entry_names.h"
#include "agent/exit_codes.h"
#include "client7z/client7z.h"
#include "engine/package_names.h"
#include "platform/text.h"
#include "platform/win32/unique_handle.h"

namespace pf::agent {
namespace {

using DecompressExFn = int (*)(int, const wchar_t* const*, const wchar_t* const*, int,
                               const Client7zOptions*);

constexpr std::size_t kChunk = std::size_t{4} << 20;

std::wstring W(std::u16string_view s) {
  return ToWide(s);
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
  if (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) return folder + name;
  return folder + L"\\" + name;
}

// A fresh folder that no one can have made ahead of this run: its name holds
// 128 bits from the system's random generator, so it cannot be guessed, and
// CreateDirectoryW fails on one that exists, which is then never used. (A
// predictable name in %TEMP% could be made first by someone else, with
// libraries of theirs in it for the agent to load.)
std::wstring MakeUniqueFolder(const std::wstring& parent, const std::wstring& prefix) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    std::wstring name = prefix;
    for (int i = 0; i < 4; ++i) {
      unsigned int random = 0;
      if (rand_s(&random) != 0) return {};
      for (int shift = 28; shift >= 0; shift -= 4)
        name += L"0123456789abcdef"[(random >> shift) & 15];
    }
    std::wstring path = Join(parent, name);
    if (CreateDirectoryW(path.c_str(), nullptr)) return path;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return {};
  }
  return {};
}

bool MakeFolders(const std::wstring& folder) {
  int r = SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
  if (r == ERROR_SUCCESS || r == ERROR_ALREADY_EXISTS) {
    DWORD a = GetFileAttributesW(folder.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
  }
  return false;
}

// Removes a folder tree when it goes out of scope, on every way out.
class TreeGuard {
 public:
  explicit TreeGuard(std::wstring folder) : folder_(std::move(folder)) {}
  ~TreeGuard() {
    if (!folder_.empty()) RemoveTree(folder_);
  }
  TreeGuard(const TreeGuard&) = delete;
  TreeGuard& operator=(const TreeGuard&) = delete;

 private:
  std::wstring folder_;
};

// Moves everything in `from` into `to`, merging folders that exist in both
// and replacing files.
bool MoveContents(const std::wstring& from, const std::wstring& to) {
  WIN32_FIND_DATAW data;
  pf::win::unique_hfind find(FindFirstFileW(Join(from, L"*").c_str(), &data));
  if (!find) return true;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    std::wstring src = Join(from, name), dst = Join(to, name);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      DWORD a = GetFileAttributesW(dst.c_str());
      if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) {
        if (!MoveContents(src, dst)) return false;
        continue;
      }
      if (!MoveFileExW(src.c_str(), dst.c_str(), 0)) return false;
    } else {
      DWORD a = GetFileAttributesW(dst.c_str());
      if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(dst.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
      if (!MoveFileExW(src.c_str(), dst.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
    }
  } while (FindNextFileW(find.get(), &data));
  return true;
}

enum class CopyOutcome { kDone, kReadFailed, kWriteFailed, kCancelled };

class PayloadReader {
 public:
  // `package` is positioned at `start`, the payload's first byte.
  PayloadReader(HANDLE package, std::uint64_t start, ProgressSink& progress, std::uint64_t total,
                const std::atomic<bool>& cancel)
      : package_(package),
        start_(start),
        progress_(progress),
        total_(total),
        cancel_(cancel),
        buffer_(kChunk) {}

  // Copies the next `size` payload bytes into a new file at `path`.
  CopyOutcome CopyTo(const std::wstring& path, std::uint64_t size) {
    pf::win::unique_hfile out(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return CopyOutcome::kWriteFailed;
    while (size > 0) {
      if (cancel_) return CopyOutcome::kCancelled;
      DWORD want = static_cast<DWORD>(std::min<std::uint64_t>(size, buffer_.size()));
      DWORD got = 0;
      if (!ReadFile(package_, buffer_.data(), want, &got, nullptr) || got != want)
        return CopyOutcome::kReadFailed;
      DWORD put = 0;
      if (!WriteFile(out.get(), buffer_.data(), got, &put, nullptr) || put != got)
        return CopyOutcome::kWriteFailed;
      size -= got;
      done_ += got;
      credited_ += got;
      progress_.Bytes(credited_, total_);
    }
    return CopyOutcome::kDone;
  }

  // Where the next payload byte lies in the package.
  std::uint64_t position() const { return start_ + done_; }

  // Passes over the next `size` payload bytes, which are read where they
  // lie; they count as done when they are unpacked.
  bool Skip(std::uint64_t size) {
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFilePointerEx(package_, distance, nullptr, FILE_CURRENT)) return false;
    done_ += size;
    return true;
  }

  // The payload bytes copied so far.
  std::uint64_t credited() const { return credited_; }

 private:
  HANDLE package_;
  std::uint64_t start_;
  ProgressSink& progress_;
  std::uint64_t total_;
  const std::atomic<bool>& cancel_;
  std::vector<std::uint8_t> buffer_;
  std::uint64_t done_ = 0;
  std::uint64_t credited_ = 0;
};

// One archive's unpacking as the client reports it: its share of the bar
// grows with its unpacked bytes, and a Cancel stops the client.
struct UnpackProgress {
  ProgressSink& progress;
  const std::atomic<bool>& cancel;
  std::uint64_t before;  // payload bytes done before this archive
  std::uint64_t size;    // the archive's bytes in the payload
  std::uint64_t total;   // the payload's

  static int Report(void* context, unsigned long long done, unsigned long long total) {
    auto* self = static_cast<UnpackProgress*>(context);
    double part = total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
    if (part > 1.0) part = 1.0;
    // A total that grows after a first estimate must not move the bar back.
    auto at = self->before + static_cast<std::uint64_t>(part * static_cast<double>(self->size));
    if (at > self->shown) {
      self->shown = at;
      self->progress.Bytes(at, self->total);
    }
    return self->cancel ? 1 : 0;
  }
  std::uint64_t shown = 0;
};

ExtractionResult Failure(int code, std::wstring message) {
  return {code, std::move(message)};
}

std::wstring FolderFrom(UINT(WINAPI* get)(LPWSTR, UINT)) {
  std::wstring folder(MAX_PATH, L'\0');
  UINT n = get(folder.data(), static_cast<UINT>(folder.size()));
  folder.resize(n < folder.size() ? n : 0);
  return folder;
}

// The program a run command names. CreateProcessW looks for a program named
// without a folder ("cmd /c ...") in the package's own folder first, then
// in the current folder: anyone may have dropped a cmd.exe there. A bare
// name is looked up in the system folders and along PATH only. Empty when
// the command names its program with a folder (nothing is searched then)
// or when it cannot be found.
std::wstring ProgramOf(const std::wstring& commandLine, bool& searched) {
  std::wstring first;
  if (!commandLine.empty() && commandLine[0] == L'"') {
    std::size_t end = commandLine.find(L'"', 1);
    first = commandLine.substr(1, end == std::wstring::npos ? std::wstring::npos : end - 1);
  } else {
    first = commandLine.substr(0, commandLine.find_first_of(L" \t"));
  }
  searched = first.find_first_of(L"\\/:") == std::wstring::npos;
  if (!searched) return {};
  std::wstring path = FolderFrom(GetSystemDirectoryW) + L";" + FolderFrom(GetWindowsDirectoryW);
  DWORD n = GetEnvironmentVariableW(L"PATH", nullptr, 0);
  if (n > 0) {
    std::wstring variable(n, L'\0');
    variable.resize(GetEnvironmentVariableW(L"PATH", variable.data(), n));
    path += L";" + variable;
  }
  std::wstring found(32768, L'\0');
  DWORD length = SearchPathW(path.c_str(), first.c_str(), L".exe", static_cast<DWORD>(found.size()),
                             found.data(), nullptr);
  if (length == 0 || length >= found.size()) return {};
  found.resize(length);
  return found;
}

}  // namespace

std::wstring TempFolderPath() {
  std::wstring buffer(MAX_PATH + 1, L'\0');
  DWORD n = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
  if (n == 0 || n > buffer.size()) return L".";
  buffer.resize(n);
  while (buffer.size() > 3 && buffer.back() == L'\\') buffer.pop_back();
  return buffer;
}

FileSource::FileSource(HANDLE file) : file_(file) {
  LARGE_INTEGER size;
  if (GetFileSizeEx(file_, &size)) length_ = static_cast<std::uint64_t>(size.QuadPart);
}

bool FileSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (offset > length_ || out.size() > length_ - offset) return false;
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file_, at, nullptr, FILE_BEGIN)) return false;
  std::size_t done = 0;
  while (done < out.size()) {
    DWORD want = static_cast<DWORD>(std::min<std::size_t>(out.size() - done, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(file_, out.data() + done, want, &got, nullptr) || got == 0) return false;
    done += got;
  }
  return true;
}

bool RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  {
    pf::win::unique_hfind find(FindFirstFileW(Join(folder, L"*").c_str(), &data));
    if (find) {
      do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring path = Join(folder, name);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
          SetFileAttributesW(path.c_str(), data.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          RemoveTree(path);
        else
          DeleteFileW(path.c_str());
      } while (FindNextFileW(find.get(), &data));
    }
  }
  return RemoveDirectoryW(folder.c_str()) != FALSE ||
         GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
}

ExtractionResult Extract(HANDLE package, const std::wstring& packagePath,
                         const PackageLayout& layout, const std::wstring& target,
                         ProgressSink& progress, const std::atomic<bool>& cancel,
                         const ArchivePassword& password) {
  const auto& entries = layout.header.entries;

  bool targetExisted = GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (!MakeFolders(target))
    return Failure(kExitCannotWrite, L"The folder " + target + L" cannot be created.");
  std::wstring privateTemp = MakeUniqueFolder(TempFolderPath(), L"pfx-");
  if (privateTemp.empty())
    return Failure(kExitCannotWrite, L"The temporary folder cannot be written.");
  TreeGuard tempGuard(privateTemp);
  std::wstring staging = MakeUniqueFolder(target, L".pfx-staging-");
  if (staging.empty())
    return Failure(kExitCannotWrite, L"The folder " + target + L" cannot be written.");
  SetFileAttributesW(staging.c_str(), FILE_ATTRIBUTE_HIDDEN);
  TreeGuard stagingGuard(staging);
  // After a failure the target is as it was: the staging folder goes, and
  // so does the target itself when this run made it.
  auto undoTarget = [&] {
    RemoveTree(staging);
    if (!targetExisted) RemoveDirectoryW(target.c_str());
  };

  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(layout.payloadOffset);
  if (!SetFilePointerEx(package, at, nullptr, FILE_BEGIN))
    return Failure(kExitDamaged, L"The package cannot be read.");

  PayloadReader reader(package, layout.payloadOffset, progress, layout.header.payloadSize, cancel);
  // Archives to unpack stay in the package: the client reads each one in
  // place, so no copy of it is written and removed again.
  struct Archive {
    std::uint64_t offset, size;
    std::wstring name;
  };
  std::vector<Archive> archives;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const auto& e = entries[i];
    std::wstring path;
    if (i == 0) {
      path = Join(privateTemp, W(kCodecLibraryName));
    } else if (i == 1) {
      path = Join(privateTemp, W(kClientLibraryName));
    } else if (e.flag == 1) {
      archives.push_back({reader.position(), e.size, W(e.name)});
      if (!reader.Skip(e.size)) {
        undoTarget();
        return Failure(kExitDamaged, L"The package cannot be read.");
      }
      continue;
    } else {
      path = Join(staging, W(e.name));
    }
    switch (reader.CopyTo(path, e.size)) {
      case CopyOutcome::kDone:
        break;
      case CopyOutcome::kCancelled:
        undoTarget();
        return Failure(kExitCancelled, L"Extraction cancelled.");
      case CopyOutcome::kReadFailed:
        undoTarget();
        return Failure(kExitDamaged, L"The package cannot be read.");
      case CopyOutcome::kWriteFailed:
        undoTarget();
        return Failure(kExitCannotWrite, L"The file " + W(e.name) + L" cannot be written.");
    }
  }

  if (!archives.empty()) {
    std::wstring client = Join(privateTemp, W(kClientLibraryName));
    pf::win::unique_hmodule library(LoadLibraryW(client.c_str()));
    auto decompress = library ? reinterpret_cast<DecompressExFn>(reinterpret_cast<void*>(
                                    GetProcAddress(library.get(), "DecompressEx")))
                              : nullptr;
    if (!decompress) {
      undoTarget();
      return Failure(kExitDamaged, L"The package's extraction library cannot be loaded.");
    }
    std::uint64_t before = reader.credited();
    for (const auto& archive : archives) {
      const std::wstring& name = archive.name;
      if (cancel) {
        undoTarget();
        return Failure(kExitCancelled, L"Extraction cancelled.");
      }
      progress.Unpacking(name);
      std::wstring from = std::to_wstring(archive.offset), size = std::to_wstring(archive.size);
      const wchar_t* argv[] = {client.c_str(), L"x",         packagePath.c_str(),
                               from.c_str(),   size.c_str(), name.c_str()};
      const wchar_t* files[] = {staging.c_str()};
      // An encrypted archive refuses before anything of it is written; it
      // is tried again with each password the user gives.
      UnpackProgress watch{progress, cancel, before, archive.size, layout.header.payloadSize};
      std::optional<std::wstring> tried = password.initial;
      int r = kClient7zOk;
      for (;;) {
        Client7zOptions options{sizeof(Client7zOptions), &UnpackProgress::Report, &watch,
                                tried ? tried->c_str() : nullptr};
        r = decompress(6, argv, files, 1, &options);
        if (tried) SecureZeroMemory(tried->data(), tried->size() * sizeof(wchar_t));
        if (cancel || (r != kClient7zPasswordNeeded && r != kClient7zWrongPassword)) break;
        auto answer = password.ask(r == kClient7zWrongPassword);
        if (!answer.password) {
          undoTarget();
          return Failure(answer.exitCode, answer.message);
        }
        tried = std::move(answer.password);
      }
      if (cancel || r == kClient7zCancelled) {
        undoTarget();
        return Failure(kExitCancelled, L"Extraction cancelled.");
      }
      if (r != 0) {
        undoTarget();
        if (r == kClient7zTargetWriteFailed)
          return Failure(kExitCannotWrite,
                         L"The files of " + name + L" cannot be written to " + target + L".");
        if (r == kClient7zUnsafeEntry)
          return Failure(kExitDamaged, L"The package is damaged: the archive " + name +
                                           L" holds an entry that would land outside the folder.");
        return Failure(kExitDamaged, L"The package is damaged: the archive " + name +
                                         L" cannot be unpacked (error " + std::to_wstring(r) +
                                         L").");
      }
      before += archive.size;
      progress.Bytes(before, layout.header.payloadSize);
    }
  }
  if (!MoveContents(staging, target))
    return Failure(kExitCannotWrite, L"The files cannot be moved into " + target + L".");
  return {kExitSuccess, {}};
}

bool RunAfterExtraction(const std::wstring& driverFilePath, const std::wstring& target, bool wait) {
  pf::win::unique_handle process;
  std::wstring asFile = Join(target, driverFilePath);
  DWORD a = GetFileAttributesW(asFile.c_str());
  if (!EntryNameProblem(FromWide(driverFilePath)) && a != INVALID_FILE_ATTRIBUTES &&
      !(a & FILE_ATTRIBUTE_DIRECTORY)) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpFile = asFile.c_str();
    info.lpDirectory = target.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) return false;
    process.reset(info.hProcess);
  } else {
    std::wstring commandLine = driverFilePath;  // CreateProcessW may write into it
    bool searched = false;
    std::wstring program = ProgramOf(commandLine, searched);
    if (searched && program.empty()) return false;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.empty() ? nullptr : program.c_str(), commandLine.data(), nullptr,
                        nullptr, FALSE, 0, nullptr, target.c_str(), &startup, &info))
      return false;
    CloseHandle(info.hThread);
    process.reset(info.hProcess);
  }
  if (wait && process) WaitForSingleObject(process.get(), INFINITE);
  return true;
}

}  // namespace pf::agent
