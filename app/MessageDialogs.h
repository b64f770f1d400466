#pragma once
// The two messages the wizard itself puts up. Both block until answered;
// neither passes its text through the catalogue (the caller has done so).
#include <windows.h>

#include <string>

// How the confirmation dialog ended.
enum class TModalResult { mrYes, mrNo, mrCancel };

// Both are owned by owner (the wizard window), which stays disabled while
// they are up, whichever program is in front; nullptr: the active window.

// A modal Yes/No question in the style of a standard message dialog:
// question icon, Yes (default, Enter) and No (cancel, Escape); the close box
// ends it with mrCancel. Title: gettext("WAARSCHUWING").
TModalResult ShowConfirmationDialog(const std::wstring& text, HWND owner = nullptr);

// True exactly when the user answered Yes.
bool AskConfirmation(const std::wstring& text, HWND owner = nullptr);

// The error box: MessageBoxW, caption "Setup", MB_SYSTEMMODAL | MB_ICONERROR.
void ShowError(const std::wstring& text, HWND owner = nullptr);
