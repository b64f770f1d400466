#include "DialogDriver.h"

namespace {

std::wstring TextOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64]{};
    GetClassNameW(window, name, 64);
    return name;
}

BOOL CALLBACK FindVisibleDialog(HWND window, LPARAM param) {
    if (IsWindowVisible(window) && ClassOf(window) == L"#32770") {
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }
    return TRUE;
}

HWND VisibleDialogOf(DWORD thread) {
    HWND found = nullptr;
    EnumThreadWindows(thread, FindVisibleDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

ShownDialog Record(HWND window, DWORD thread) {
    ShownDialog dialog;
    dialog.window = window;
    dialog.title = TextOf(window);
    dialog.style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    dialog.exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    GetWindowRect(window, &dialog.rect);
    dialog.owner = GetWindow(window, GW_OWNER);
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (GetGUIThreadInfo(thread, &info)) dialog.focus = info.hwndFocus;
    if (dialog.focus) dialog.focusId = GetDlgCtrlID(dialog.focus);
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        ShownControl control{ClassOf(child),
                             TextOf(child),
                             GetDlgCtrlID(child),
                             static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE)),
                             {},
                             {},
                             nullptr};
        GetWindowRect(child, &control.rect);
        if (auto font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0))) {
            GetObjectW(font, sizeof(control.font), &control.font);
        }
        if (_wcsicmp(control.cls.c_str(), L"Static") == 0 && (control.style & SS_TYPEMASK) == SS_ICON &&
            (control.style & WS_VISIBLE)) {
            control.icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
        }
        dialog.controls.push_back(control);
    }
    return dialog;
}

void Press(HWND window, UINT key) {
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

}  // namespace

bool ShownControl::IsButton() const { return _wcsicmp(cls.c_str(), L"Button") == 0 && (style & WS_VISIBLE); }

bool ShownControl::IsText() const { return _wcsicmp(cls.c_str(), L"Static") == 0 && (style & SS_TYPEMASK) != SS_ICON; }

const ShownControl* ShownDialog::Find(const std::wstring& cls, int id) const {
    for (const auto& control : controls) {
        if (_wcsicmp(control.cls.c_str(), cls.c_str()) == 0 && control.id == id) return &control;
    }
    return nullptr;
}

DialogDriver::DialogDriver(Answer answer)
    : thread_(GetCurrentThreadId()), answer_(answer), stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      watcher_([this] { Watch(); }) {}

DialogDriver::~DialogDriver() {
    Finish();
    CloseHandle(stop_);
}

std::vector<ShownDialog> DialogDriver::Finish() {
    SetEvent(stop_);
    if (watcher_.joinable()) watcher_.join();
    return shown_;
}

void DialogDriver::Watch() {
    HWND answered = nullptr;
    while (WaitForSingleObject(stop_, 20) == WAIT_TIMEOUT) {
        if (answered && !IsWindow(answered)) answered = nullptr;
        HWND window = VisibleDialogOf(thread_);
        if (!window || window == answered) continue;
        Sleep(100);  // let the dialog settle (focus, painting) as a person would
        shown_.push_back(Record(window, thread_));
        answered = window;
        switch (answer_) {
        case Answer::Enter: Press(shown_.back().focus ? shown_.back().focus : window, VK_RETURN); break;
        case Answer::Escape: Press(shown_.back().focus ? shown_.back().focus : window, VK_ESCAPE); break;
        case Answer::CloseBox: PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); break;
        }
    }
}
