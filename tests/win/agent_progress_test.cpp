// The agent's progress window while it unpacks a large archive, watched
// from outside: the bar's position read from the window moves through the
// unpacking, and Cancel in the middle of it stops within a second and
// leaves the target folder as it was.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "engine/header_writer.h"
#include "engine/merger.h"
#include "platform/text.h"
#include "platform/win32/unique_handle.h"
#include "tests/e2e/stored_zip.h"
#include "tests/support/test_workspace.h"

namespace pf {
namespace {

constexpr int kBarId = 101;  // the progress window's controls (agent/agent_window.cpp)
constexpr int kBarRange = 1000;

std::u16string FromBuildTree(const char* path) {
  std::u16string p = u"Z:" + FromUtf8(path);
  std::replace(p.begin(), p.end(), u'/', u'\\');
  return p;
}

struct Search {
  DWORD pid;
  const wchar_t* cls;
  HWND found = nullptr;
};

BOOL CALLBACK FindTop(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<Search*>(p);
  DWORD owner = 0;
  GetWindowThreadProcessId(w, &owner);
  wchar_t cls[64] = {};
  GetClassNameW(w, cls, 64);
  if (owner == s->pid && IsWindowVisible(w) && wcscmp(cls, s->cls) == 0) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

HWND TopWindow(DWORD pid, const wchar_t* cls) {
  Search s{pid, cls};
  EnumWindows(FindTop, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

class AgentProgressTest : public ::testing::Test {
 protected:
  // One package for the tests: the real libraries and a stored zip of
  // 128 MiB to unpack, which takes long enough to watch.
  static void SetUpTestSuite() {
    package_ = std::make_unique<test::Workspace>();  // outlives each test's own
    std::u16string prog = package_->Folder(u"prog");
    for (const char* from : {PF_AGENT_EXE, PF_CLIENT7Z_DLL, PF_CODEC_DLL}) {
      std::u16string path = FromBuildTree(from);
      package_->File(u"prog\\" + path.substr(path.find_last_of(u'\\') + 1), test::ReadAll(path));
    }
    std::vector<std::pair<std::string, std::string>> entries;
    for (int i = 0; i < 8; ++i) {
      std::string bytes(std::size_t{16} << 20, '\0');
      std::uint32_t seed = 17u + static_cast<std::uint32_t>(i);
      for (auto& b : bytes) b = static_cast<char>((seed = seed * 1664525u + 1013904223u) >> 24);
      entries.emplace_back("part" + std::to_string(i) + ".bin", std::move(bytes));
    }
    std::u16string zip = package_->File(u"big.zip", test::StoredZip(entries));
    std::vector<std::u16string> list{u"7z.dll", u"Client7z.dll", zip};
    ByteBuffer header;
    std::uint32_t total = 0;
    CreateHeaderArray(list, header, u"SelfExtractor.exe", u"", 3, total, {1, 1, 1, 0}, prog, u"",
                      u"", u"", 0);
    MergeIntoSingleFile(header, package_->root(), u"pkg", prog + u"\\SelfExtractor.exe", prog, list,
                        3, total);
    path_ = package_->root() + u"\\pkg.exe";
  }
  static void TearDownTestSuite() { package_.reset(); }

  // Starts the package with its window, extracting into `target`, and
  // waits for the progress bar.
  HWND Start(const std::u16string& target) {
    std::wstring cmd = L"\"" + ToWide(path_) + L"\" \"/D=" + ToWide(target) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
      return nullptr;
    CloseHandle(pi.hThread);
    process_.reset(pi.hProcess);
    pid_ = pi.dwProcessId;
    for (int i = 0; i < 600; ++i) {
      if (HWND w = TopWindow(pid_, L"PackforgeAgentProgress")) {
        window_ = w;
        return GetDlgItem(w, kBarId);
      }
      if (WaitForSingleObject(process_.get(), 25) == WAIT_OBJECT_0) break;
    }
    return nullptr;
  }

  bool Ended(DWORD ms) { return WaitForSingleObject(process_.get(), ms) == WAIT_OBJECT_0; }

  DWORD ExitCode() {
    DWORD code = 999;
    GetExitCodeProcess(process_.get(), &code);
    return code;
  }

  static inline std::unique_ptr<test::Workspace> package_;
  static inline std::u16string path_;
  test::Workspace ws_;
  pf::win::unique_handle process_;
  DWORD pid_ = 0;
  HWND window_ = nullptr;
};

TEST_F(AgentProgressTest, TheBarMovesThroughTheUnpacking) {
  std::u16string target = ws_.Path(u"out");
  HWND bar = Start(target);
  ASSERT_NE(bar, nullptr) << "the progress window never opened";
  // Read the bar until the closing message replaces the window.
  std::vector<int> seen;
  HWND closing = nullptr;
  for (int i = 0; i < 6000 && !closing; ++i) {
    // A window going away answers nothing, not a position.
    DWORD_PTR pos = 0;
    if (SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 1000, &pos) &&
        (seen.empty() || seen.back() != static_cast<int>(pos)))
      seen.push_back(static_cast<int>(pos));
    closing = TopWindow(pid_, L"#32770");
    if (Ended(10)) break;
  }
  ASSERT_NE(closing, nullptr) << "no closing message";
  PostMessageW(closing, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  ASSERT_TRUE(Ended(20000));
  EXPECT_EQ(ExitCode(), 0u);
  EXPECT_EQ(test::ListFolder(target).size(), 8u);

  // Never back; copying the libraries is under 2% of the payload, so the
  // values between a tenth and nine tenths were shown while unpacking.
  std::string shown;
  for (int p : seen) shown += std::to_string(p) + " ";
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << shown;
  int between = static_cast<int>(std::count_if(seen.begin(), seen.end(), [](int p) {
    return p > kBarRange / 10 && p < kBarRange * 9 / 10;
  }));
  EXPECT_GE(between, 3) << shown;
  RecordProperty("positions", static_cast<int>(seen.size()));
  RecordProperty("between", between);
}

TEST_F(AgentProgressTest, CancelWhileUnpackingStopsWithinASecondAndLeavesTheTargetAsItWas) {
  std::u16string target = ws_.Folder(u"out");  // there, and empty
  HWND bar = Start(target);
  ASSERT_NE(bar, nullptr) << "the progress window never opened";
  // Well into the archive.
  int pos = 0;
  for (int i = 0; i < 3000 && pos < kBarRange / 5; ++i) {
    pos = static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0));
    ASSERT_FALSE(Ended(5)) << "ended before the unpacking was a fifth through";
  }
  ASSERT_LT(pos, kBarRange * 3 / 5) << "too far through to cancel in the middle";
  auto clicked = std::chrono::steady_clock::now();
  SendMessageW(GetDlgItem(window_, IDCANCEL), BM_CLICK, 0, 0);
  ASSERT_TRUE(Ended(10000));
  auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - clicked);
  EXPECT_EQ(ExitCode(), 4u);  // cancelled
  EXPECT_LT(took.count(), 1000) << "Cancel took " << took.count() << " ms";
  RecordProperty("cancel_ms", static_cast<int>(took.count()));
  EXPECT_TRUE(test::ListFolder(target).empty());
}

}  // namespace
}  // namespace pf
