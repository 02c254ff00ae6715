// The agent with its windows, driven from outside the way a user would:
// the message box, the password prompt and the closing message.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/header_writer.h"
#include "engine/merger.h"
#include "engine/password_encoding.h"
#include "platform/text.h"
#include "platform/win32/unique_handle.h"
#include "tests/support/test_workspace.h"

namespace pf {
namespace {

constexpr int kPasswordEdit = 1001;  // IDE_PASSWORD in agent/agent_resources.h

std::u16string FromBuildTree(const char* path) {
  std::u16string p = u"Z:" + FromUtf8(path);
  std::replace(p.begin(), p.end(), u'/', u'\\');
  return p;
}

std::wstring TextOf(HWND w) {
  std::wstring t(static_cast<std::size_t>(GetWindowTextLengthW(w)) + 1, L'\0');
  t.resize(static_cast<std::size_t>(GetWindowTextW(w, t.data(), static_cast<int>(t.size()))));
  return t;
}

BOOL CALLBACK AppendText(HWND child, LPARAM out) {
  *reinterpret_cast<std::wstring*>(out) += TextOf(child) + L"\n";
  return TRUE;
}

// All the text a dialog shows: its children's texts, joined.
std::wstring DialogText(HWND dialog) {
  std::wstring all;
  EnumChildWindows(dialog, AppendText, reinterpret_cast<LPARAM>(&all));
  return all;
}

struct Found {
  DWORD pid;
  HWND window = nullptr;
};

BOOL CALLBACK FindDialogOf(HWND w, LPARAM p) {
  auto* f = reinterpret_cast<Found*>(p);
  DWORD owner = 0;
  GetWindowThreadProcessId(w, &owner);
  wchar_t cls[64] = {};
  GetClassNameW(w, cls, 64);
  if (owner == f->pid && IsWindowVisible(w) && wcscmp(cls, L"#32770") == 0) {
    f->window = w;
    return FALSE;
  }
  return TRUE;
}

// The first visible dialog-class window of process `pid`, waited for.
HWND WaitForDialog(DWORD pid, HANDLE process) {
  for (int i = 0; i < 400; ++i) {
    Found f{pid};
    EnumWindows(FindDialogOf, reinterpret_cast<LPARAM>(&f));
    if (f.window) return f.window;
    if (WaitForSingleObject(process, 50) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

// Presses a button and waits until that dialog is gone.
void Press(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  for (int i = 0; i < 200 && IsWindow(dialog) && IsWindowVisible(dialog); ++i) Sleep(25);
}

class AgentWindowTest : public ::testing::Test {
 protected:
  AgentWindowTest() {
    prog_ = ws_.Folder(u"prog");
    ws_.File(u"prog\\SelfExtractor.exe", test::ReadAll(FromBuildTree(PF_AGENT_EXE)));
    ws_.File(u"prog\\7z.dll", "codec stand-in: no archive is unpacked here");
    ws_.File(u"prog\\Client7z.dll", "client stand-in");
    data_ = ws_.File(u"data\\notes.txt", "notes for the window test\r\n");
    out_ = ws_.Path(u"out");
  }

  std::u16string Build(const std::u16string& password, const std::u16string& message) {
    std::vector<std::u16string> list{u"7z.dll", u"Client7z.dll", data_};
    ByteBuffer header;
    std::uint32_t total = 0;
    CreateHeaderArray(list, header, u"SelfExtractor.exe", u"", 3, total, {1, 1, 0, 0}, prog_,
                      password.empty() ? u"" : EncodePassword(password), message, u"About it", 0);
    MergeIntoSingleFile(header, ws_.root(), u"pkg", prog_ + u"\\SelfExtractor.exe", prog_, list, 3,
                        total);
    return ws_.root() + u"\\pkg.exe";
  }

  void Start(const std::u16string& package) {
    std::wstring cmd = L"\"" + ToWide(package) + L"\" \"/D=" + ToWide(out_) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &si, &pi));
    CloseHandle(pi.hThread);
    process_.reset(pi.hProcess);
    pid_ = pi.dwProcessId;
  }

  HWND Next() { return WaitForDialog(pid_, process_.get()); }

  DWORD ExitCode() {
    EXPECT_EQ(WaitForSingleObject(process_.get(), 20000), WAIT_OBJECT_0);
    DWORD code = 999;
    GetExitCodeProcess(process_.get(), &code);
    return code;
  }

  test::Workspace ws_;
  std::u16string prog_, data_, out_;
  pf::win::unique_handle process_;
  DWORD pid_ = 0;
};

TEST_F(AgentWindowTest, ShowsTheMessageThenExtractsAndSaysWhere) {
  Start(Build(u"", u"Hello from the package"));
  HWND about = Next();
  ASSERT_TRUE(about) << "no message box";
  EXPECT_EQ(TextOf(about), L"About it");
  EXPECT_NE(DialogText(about).find(L"Hello from the package"), std::wstring::npos);
  Press(about, IDOK);
  HWND done = Next();
  ASSERT_TRUE(done) << "no closing message";
  EXPECT_NE(DialogText(done).find(L"extracted to"), std::wstring::npos) << DialogText(done);
  Press(done, IDOK);
  EXPECT_EQ(ExitCode(), 0u);
  EXPECT_EQ(test::ReadAll(out_ + u"\\notes.txt"), "notes for the window test\r\n");
}

TEST_F(AgentWindowTest, PasswordPromptRefusesAWrongOneAndTakesTheRightOne) {
  Start(Build(u"pass1", u""));
  HWND prompt = Next();
  ASSERT_TRUE(prompt && GetDlgItem(prompt, kPasswordEdit)) << "no password prompt";
  SetDlgItemTextW(prompt, kPasswordEdit, L"wrong");
  Press(prompt, IDOK);
  HWND refused = Next();
  ASSERT_TRUE(refused);
  EXPECT_NE(DialogText(refused).find(L"not correct"), std::wstring::npos) << DialogText(refused);
  EXPECT_FALSE(test::FileExists(out_ + u"\\notes.txt"));
  Press(refused, IDOK);
  prompt = Next();
  ASSERT_TRUE(prompt && GetDlgItem(prompt, kPasswordEdit)) << "the prompt did not come back";
  SetDlgItemTextW(prompt, kPasswordEdit, L"pass1");
  Press(prompt, IDOK);
  HWND done = Next();
  ASSERT_TRUE(done);
  Press(done, IDOK);
  EXPECT_EQ(ExitCode(), 0u);
  EXPECT_TRUE(test::FileExists(out_ + u"\\notes.txt"));
}

TEST_F(AgentWindowTest, CancelAtThePasswordPromptWritesNothing) {
  Start(Build(u"pass1", u""));
  HWND prompt = Next();
  ASSERT_TRUE(prompt && GetDlgItem(prompt, kPasswordEdit));
  Press(prompt, IDCANCEL);
  EXPECT_EQ(ExitCode(), 4u);
  EXPECT_FALSE(test::FileExists(out_));
}

}  // namespace
}  // namespace pf
