#include "WizardDriver.h"

#include <algorithm>
#include <stdexcept>
#include <thread>

#include "WindowText.h"

namespace {

BOOL CALLBACK Collect(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> found;
    EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The top-level windows of a process with the given class.
std::vector<HWND> TopWindows(DWORD process, const wchar_t* cls) {
    std::vector<HWND> all, found;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&all));
    for (HWND window : all) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process && ClassOf(window) == cls) found.push_back(window);
    }
    return found;
}

// Visible on screen: itself and every parent shown.
bool Shown(HWND window) { return IsWindowVisible(window) != FALSE; }

POINT Centre(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void SendMouse(DWORD flags, POINT at) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
}

void SendKey(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

void Pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        Pause(50);
    }
    return true;
}

WizardDriver::WizardDriver(const std::wstring& program, const std::wstring& folder) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring command = L"\"" + program + L"\"";
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process_))
        throw std::runtime_error("the wizard cannot be started");
    if (!WaitUntil([this] { return (window_ = FindMainWindow()) != nullptr && Shown(window_) && !PageTitle().empty(); },
                   std::chrono::seconds(60)))
        throw std::runtime_error("the wizard's window did not appear");
}

WizardDriver::~WizardDriver() {
    if (Running()) {
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 10000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

HWND WizardDriver::FindMainWindow() const {
    const auto windows = TopWindows(process_.dwProcessId, L"TfrmMain");
    return windows.empty() ? nullptr : windows.front();
}

std::wstring WizardDriver::Caption() const { return TextOf(window_); }

std::wstring WizardDriver::TaskbarName() const {
    HWND owner = GetWindow(window_, GW_OWNER);
    const bool entry = owner && IsWindowVisible(owner) && !GetWindow(owner, GW_OWNER) &&
                       !(GetWindowLongPtrW(owner, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    return entry ? TextOf(owner) : std::wstring();
}

std::vector<std::wstring> WizardDriver::PageTexts() const {
    std::vector<std::wstring> texts;
    for (HWND child : Children(window_))
        if (ClassOf(child) == L"Static" && Shown(child) && GetDlgCtrlID(child) != 100 /* the image strip */)
            texts.push_back(TextOf(child));
    return texts;
}

std::wstring WizardDriver::PageTitle() const {
    const auto texts = PageTexts();
    return texts.empty() ? std::wstring() : texts.front();
}

HWND WizardDriver::Button(const std::wstring& caption) const {
    for (HWND child : Children(window_))
        if (ClassOf(child) == L"Button" && TextOf(child) == caption) return child;
    throw std::runtime_error("no such button");
}

std::wstring WizardDriver::FrontButton() const {
    HWND next = Button(L"Volgende >");
    const POINT at = Centre(next);
    POINT local = at;
    HWND bar = GetParent(next);
    ScreenToClient(bar, &local);
    HWND hit = ChildWindowFromPointEx(bar, local, CWP_SKIPINVISIBLE);
    return hit && hit != bar ? TextOf(hit) : std::wstring();
}

namespace {

// As a person would: wait until the window takes input, bring it to the
// front and move the pointer onto the control; the point to click at.
POINT PointAt(HWND control) {
    HWND root = GetAncestor(control, GA_ROOT);
    WaitUntil([&] { return IsWindowEnabled(root) != FALSE; }, std::chrono::seconds(5));
    SetForegroundWindow(root);
    WaitUntil([&] { return GetForegroundWindow() == root; }, std::chrono::seconds(5));
    const POINT at = Centre(control);
    SendMouse(MOUSEEVENTF_MOVE, at);
    // The button events go where the pointer is: make sure it has arrived,
    // and let each event carry the position as well.
    WaitUntil(
        [&] {
            POINT now{};
            return GetCursorPos(&now) && now.x == at.x && now.y == at.y;
        },
        std::chrono::seconds(2));
    Pause(30);
    return at;
}

}  // namespace

void WizardDriver::Click(HWND control) {
    const POINT at = PointAt(control);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN, at);
    Pause(30);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP, at);
    Pause(100);
}

void WizardDriver::DoubleClick(HWND control) {
    const POINT at = PointAt(control);
    for (int i = 0; i < 2; ++i) {
        SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN, at);
        Pause(20);
        SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP, at);
        Pause(60);
    }
    Pause(100);
}

HWND WizardDriver::Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(process_.dwThreadId, &info) ? info.hwndFocus : nullptr;
}

void WizardDriver::Key(WORD key, bool alt) {
    if (alt) SendKey(VK_MENU, false);
    SendKey(key, false);
    SendKey(key, true);
    if (alt) SendKey(VK_MENU, true);
    Pause(100);
}

HWND WizardDriver::DriveChooser() const {
    for (HWND child : Children(window_))
        if (ClassOf(child) == L"ComboBox") return child;
    return nullptr;
}

std::vector<std::wstring> WizardDriver::DriveEntries() const {
    std::vector<std::wstring> entries;
    HWND chooser = DriveChooser();
    DWORD_PTR count = 0;
    SendMessageTimeoutW(chooser, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count);
    for (DWORD_PTR i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        DWORD_PTR length = 0;
        SendMessageTimeoutW(chooser, CB_GETLBTEXTLEN, i, 0, SMTO_ABORTIFHUNG, 5000, &length);
        if (length >= 256) continue;
        SendMessageTimeoutW(chooser, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
        entries.emplace_back(text);
    }
    return entries;
}

std::wstring WizardDriver::SelectedDrive() const {
    DWORD_PTR index = CB_ERR;
    SendMessageTimeoutW(DriveChooser(), CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &index);
    const auto entries = DriveEntries();
    return static_cast<LONG_PTR>(index) >= 0 && index < entries.size() ? entries[index] : std::wstring();
}

HWND WizardDriver::FindDialog() const {
    for (HWND dialog : TopWindows(process_.dwProcessId, L"#32770"))
        if (IsWindowVisible(dialog)) return dialog;
    return nullptr;
}

std::vector<HWND> WizardDriver::Dialogs() const {
    std::vector<HWND> shown;
    for (HWND dialog : TopWindows(process_.dwProcessId, L"#32770"))
        if (IsWindowVisible(dialog)) shown.push_back(dialog);
    return shown;
}

HWND WizardDriver::WaitForDialog(std::chrono::milliseconds timeout) const {
    HWND dialog = nullptr;
    WaitUntil([&] { return (dialog = FindDialog()) != nullptr; }, timeout);
    if (dialog) Pause(200);  // let it take the focus
    return dialog;
}

DialogContents WizardDriver::ReadDialog(HWND dialog) {
    DialogContents contents{TextOf(dialog), {}, {}};
    for (HWND child : Children(dialog)) {
        const std::wstring cls = ClassOf(child);
        const std::wstring text = TextOf(child);
        if (cls == L"Static" && !text.empty()) contents.texts.push_back(text);
        if (cls == L"Button") contents.buttons.push_back(text);
    }
    return contents;
}

HCURSOR WizardDriver::Cursor() const {
    CURSORINFO info{};
    info.cbSize = sizeof info;
    return GetCursorInfo(&info) && (info.flags & CURSOR_SHOWING) ? info.hCursor : nullptr;
}

void WizardDriver::CloseBox() { PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0); }

bool WizardDriver::WaitForExit(std::chrono::milliseconds timeout) {
    return WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

bool WizardDriver::Running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }
