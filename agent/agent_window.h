// The agent's windows: the password prompt, the folder chooser and the
// progress window with its Cancel button.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "agent/extraction.h"

namespace pf::agent {

// The typed password, or nothing when the user cancelled.
std::optional<std::wstring> AskPassword(HINSTANCE instance);

// A folder chooser preset to `preset` (or its nearest existing parent);
// nothing when the user cancelled.
std::optional<std::wstring> ChooseFolder(const std::wstring& preset);

// Runs `work` on a worker thread while a progress window shows how far it
// got; the window's Cancel sets `cancel`, which `work` polls.
ExtractionResult RunWithProgress(HINSTANCE instance,
                                 const std::function<ExtractionResult(ProgressSink&)>& work,
                                 std::atomic<bool>& cancel);

void ShowInfo(const std::wstring& text);
void ShowError(const std::wstring& text);

}  // namespace pf::agent
