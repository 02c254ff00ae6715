// The extraction itself, on Windows: entries written into a staging folder
// inside the target, archives unpacked there (read in place from the
// package) through the client library copied to a private temporary folder, and everything moved
// into the target only once all of it came out.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "agent/package_layout.h"

namespace pf::agent {

// The package file, read through one handle.
class FileSource : public ByteSource {
 public:
  explicit FileSource(HANDLE file);
  std::uint64_t Length() const override { return length_; }
  bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override;

 private:
  HANDLE file_;
  std::uint64_t length_ = 0;
};

// What the extraction tells whoever watches it; called on its own thread.
// The bytes are the package's payload: a file counts as it is copied, an
// archive as it is unpacked, in proportion to its unpacked bytes.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void Bytes(std::uint64_t done, std::uint64_t total) = 0;
  // An archive is being unpacked from here on.
  virtual void Unpacking(const std::wstring& name) = 0;
};

// For a run without a window.
class NoProgress : public ProgressSink {
 public:
  void Bytes(std::uint64_t, std::uint64_t) override {}
  void Unpacking(const std::wstring&) override {}
};

struct ExtractionResult {
  int exitCode = 0;
  std::wstring message;  // for the user when exitCode is not success
};

// The password of an encrypted archive. `initial` (/P=) is tried first, or
// no password at all; each time the archive refuses, `ask` is called on the
// extraction's thread (`wrong`: it refused a password, else it needs one).
struct ArchivePassword {
  struct Answer {
    std::optional<std::wstring> password;  // nothing: stop
    int exitCode = 0;                      // why, when stopping
    std::wstring message;
  };
  std::optional<std::wstring> initial;
  std::function<Answer(bool wrong)> ask;
};

// `layout` must have passed CheckPackageEntries: the names are used as they
// are. `package` is the open package file and `packagePath` its path, from
// which the client library reads the archives where they lie.
ExtractionResult Extract(HANDLE package, const std::wstring& packagePath,
                         const PackageLayout& layout, const std::wstring& target,
                         ProgressSink& progress, const std::atomic<bool>& cancel,
                         const ArchivePassword& password);

// Runs the header's run entry in the target folder: a file of the package
// is opened with its program, anything else runs as a command line. With
// `wait`, returns once it ended. False when it could not be started.
bool RunAfterExtraction(const std::wstring& driverFilePath, const std::wstring& target, bool wait);

// The user's temporary folder (GetTempPathW), without a trailing separator.
std::wstring TempFolderPath();

// Deletes a folder and everything in it; true when it is gone.
bool RemoveTree(const std::wstring& folder);

}  // namespace pf::agent
