#include "ufrmMain.h"

#include <commctrl.h>
#include <dbt.h>

#include <utility>

#include "Failure.h"
#include "MessageDialogs.h"
#include "Panel.h"
#include "ScopeExit.h"

namespace {

constexpr wchar_t kFormClass[] = L"TfrmMain";

enum ControlId : int {
    IdImage1 = 100,
    IdSpeedBar = 101,
    IdNotebook = 102,
    IdCancel = 110,
    IdNext = 111,
    IdFinish = 112,
    IdInstallDrive = 120,
    IdProgressBar = 121,
};

// Design sizes (pixels at 120 per inch).
constexpr int kClientWidth = 700;
constexpr int kClientHeight = 513;
constexpr int kImageWidth = 169;
constexpr int kBarHeight = 53;
constexpr int kPageAreaHeight = kClientHeight - kBarHeight;  // 460
constexpr DesignRect kImageBounds{0, 0, kImageWidth, kPageAreaHeight};
constexpr DesignRect kBarBounds{0, kPageAreaHeight, kClientWidth, kBarHeight};
constexpr DesignRect kNotebookBounds{kImageWidth, 0, kClientWidth - kImageWidth, kPageAreaHeight};
constexpr int kEtchedLine = 1;  // each row of the line along the bar's top edge
// On the bar; Next and Finish share one rectangle.
constexpr DesignRect kCancelBounds{10, 10, 99, 33};
constexpr DesignRect kTwinBounds{596, 10, 98, 33};

// Made in no place and without font: ScaleTo places it.
HWND CreateButton(HWND bar, int id, const wchar_t* caption, bool visible = true) {
    // Next and Finish overlap; each must clip the other or the one behind
    // paints over the one in front.
    return CreateWindowExW(
        0, WC_BUTTONW, caption, WS_CHILD | (visible ? WS_VISIBLE : 0) | WS_TABSTOP | WS_CLIPSIBLINGS | BS_PUSHBUTTON, 0,
        0, 0, 0, bar, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

TfrmMain::TfrmMain(TApplication& application, InstallSource fileServer)
    : application_(application), fileServer_(std::move(fileServer)), scale_(DesignScale::kDesignDpi) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kFormClass;
    RegisterClassExW(&wc);

    // Dialog-style frame: fixed size, close box only. Sized and placed once
    // the density of its screen is known.
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    CreateWindowExW(exStyle, kFormClass, L"Programma - Setup", style, 0, 0, 0, 0, application_.Handle(), nullptr,
                    instance, this);
    CreateControls();
    ScaleTo(DesignScale::ForWindow(handle_), nullptr);
    IdHTTP1.SetWorkHandler(this);
    // While the server is silent and while unpacking (which reports no
    // progress), the window keeps painting.
    IdHTTP1.SetOnBusy([this] { PaintPending(); });
    AbUnZipper1.SetOnBusy([this] { PaintPending(); });
}

TfrmMain::~TfrmMain() {
    IdHTTP1.SetWorkHandler(nullptr);
    if (handle_) DestroyWindow(handle_);
}

void TfrmMain::CreateControls() {
    // The left strip holds no picture and shows the white background.
    Image1 = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_BITMAP, 0, 0, 0, 0, handle_,
                             reinterpret_cast<HMENU>(IdImage1), GetModuleHandleW(nullptr), nullptr);
    JvSpeedBar1 = CreatePanel(handle_, IdSpeedBar, 0, 0, 0, 0);
    // Creation order is the tab order. At creation Next lies in front of
    // Finish, which is hidden: the twin behind is never shown, so the focus
    // never lands on it and a screen reader finds one button in its place.
    btCANCEL = CreateButton(JvSpeedBar1, IdCancel, L"&Annuleer");
    btNEXT = CreateButton(JvSpeedBar1, IdNext, L"Volgende >");
    btFINISH = CreateButton(JvSpeedBar1, IdFinish, L"Voltooien", false);
    Notebook1 = std::make_unique<TNotebook>(
        handle_, IdNotebook, kPageCount, [this](int index, HWND page) { MakePage(static_cast<TPage>(index), page); });
}

void TfrmMain::ScaleTo(DesignScale scale, const RECT* suggested) {
    scale_ = scale;
    // The controls take the new fonts before the old ones go, at the end.
    UniqueFont font = MakeTahoma(scale_(14), false);
    UniqueFont title = MakeTahoma(scale_(17), true);
    UniqueFont bar = MakeTahoma(scale_(15), false);
    std::swap(font_, font);
    std::swap(titleFont_, title);
    std::swap(barFont_, bar);
    PlaceFrame(suggested);
    SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    scale_.Place(Image1, kImageBounds);
    scale_.Place(JvSpeedBar1, kBarBounds);
    SetEtchedTop(JvSpeedBar1, scale_(kEtchedLine));
    for (HWND button : {btCANCEL, btNEXT, btFINISH}) {
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(barFont_.Get()), FALSE);
        scale_.Place(button, button == btCANCEL ? kCancelBounds : kTwinBounds);
    }
    const DesignRect& n = kNotebookBounds;
    Notebook1->Place(scale_(n.x), scale_(n.y), scale_(n.width), scale_(n.height));
    for (int index = 0; index < Notebook1->PageCount(); ++index)
        if (HWND page = Notebook1->MadePage(index)) PlacePage(static_cast<TPage>(index), page);
    RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TfrmMain::PlaceFrame(const RECT* suggested) {
    const int clientWidth = scale_(kClientWidth);
    const int clientHeight = scale_(kClientHeight);
    RECT frame{0, 0, clientWidth, clientHeight};
    if (suggested)
        frame = *suggested;
    else
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(handle_, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(handle_, GWL_EXSTYLE)));
    SetWindowPos(handle_, nullptr, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    // What the frame takes at this density shows once the window has it:
    // the size is corrected by what the client area lacks.
    RECT client{};
    GetClientRect(handle_, &client);
    const int width = frame.right - frame.left + clientWidth - client.right;
    const int height = frame.bottom - frame.top + clientHeight - client.bottom;
    // In the suggested place (another screen's), or in the centre of the
    // primary screen.
    const int x = suggested ? suggested->left : (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = suggested ? suggested->top : (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    SetWindowPos(handle_, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmMain::MakePage(TPage which, HWND page) {
    AddWizardTexts(which, page);
    std::unique_ptr<TInstallDrive> chooser;
    HWND bar = nullptr;
    if (which == TPage::Locatie) {
        chooser = std::make_unique<TInstallDrive>(page, IdInstallDrive);
        chooser->SetDrive(L'C');
    } else if (which == TPage::InstallMain) {
        bar = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, page,
                              reinterpret_cast<HMENU>(IdProgressBar), GetModuleHandleW(nullptr), nullptr);
        SendMessageW(bar, PBM_SETRANGE32, 0, 100);
        SendMessageW(bar, PBM_SETPOS, 0, 0);
    }
    PlacePage(which, page);
    // Kept once the page is whole: a failure above leaves the window nothing
    // that points into the page, which the page stack then destroys.
    if (chooser) InstallDrive = std::move(chooser);
    if (bar) ProgressBar = bar;
}

void TfrmMain::PlacePage(TPage which, HWND page) {
    PlaceWizardTexts(which, page, scale_, PageFonts{font_.Get(), titleFont_.Get()});
    if (HWND chooser = GetDlgItem(page, IdInstallDrive)) {
        const DesignRect& d = kInstallDriveBounds;
        PlaceDriveChooser(chooser, scale_(d.x), scale_(d.y), scale_(d.width), scale_(d.height),
                          scale_(kInstallDriveItemHeight), font_.Get());
    }
    if (HWND bar = GetDlgItem(page, IdProgressBar)) scale_.Place(bar, kProgressBarBounds);
}

HWND TfrmMain::Progress() {
    // The run shows the bar's page before the first event; the bar is never
    // missing all the same.
    Notebook1->Page(static_cast<int>(TPage::InstallMain));
    return ProgressBar;
}

void TfrmMain::FormCreate() {
    ShowPage(TPage::Start);
    // Drive C is chosen now, where a program can see it: the chooser's page
    // is made hidden, and the shell's names and icons wait for its first
    // showing.
    Notebook1->Page(static_cast<int>(TPage::Locatie));
}

void TfrmMain::ShowPage(int index) {
    Notebook1->SetPageIndex(index);
    if (Notebook1->PageIndex() == static_cast<int>(TPage::Locatie)) InstallDrive->Shown();
}

void TfrmMain::BringFinishToFront() {
    // Finish goes directly above Next (Cancel keeps its place) and is shown;
    // Next, behind it, is hidden with its enabled state kept: a person sees
    // the same pixels, a screen reader one button.
    SetWindowPos(btFINISH, btCANCEL, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    ShowWindow(btNEXT, SW_HIDE);
    if (!finishInFront_) finishFrontSince_ = GetTickCount64();
    finishInFront_ = true;
    // The button that had the focus is disabled or hidden by now. While
    // another program is in front, the focus goes there on activation.
    if (GetActiveWindow() == handle_)
        SetFocus(btFINISH);
    else
        focus_ = btFINISH;
    InvalidateRect(btFINISH, nullptr, TRUE);
}

namespace {

// When the click being handled was made, on the 64-bit tick count. A click
// that another thread sends (BM_CLICK from a screen reader, UI Automation,
// by SendMessage, SendNotifyMessage or SendMessageCallback) is made now:
// inside a sent message GetMessageTime is the time of the last queued
// message, not of the click. A queued one carries its 32-bit time, which
// lies at most 49.7 days back.
ULONGLONG ClickTime() {
    const ULONGLONG now = GetTickCount64();
    if (InSendMessageEx(nullptr) != ISMEX_NOSEND) return now;
    const DWORD age = static_cast<DWORD>(now) - static_cast<DWORD>(GetMessageTime());
    return now - age;
}

}  // namespace

bool TfrmMain::Pressable(HWND button) const {
    // A box of ours is up (the wizard is its disabled owner): no button of
    // the wizard can be pressed by a person.
    if (!IsWindowEnabled(handle_)) return false;
    if (!IsWindowVisible(button) || !IsWindowEnabled(button)) return false;
    if (button == btNEXT) return !finishInFront_;
    if (button == btFINISH) {
        // A click queued while Next lay there (the second half of a double
        // click on Volgende during the run) lands on Finish once it is in
        // front: it was made on Next, so it does not press Finish.
        return finishInFront_ && ClickTime() >= finishFrontSince_;
    }
    return true;
}

bool TfrmMain::DeferWhileHandling(UINT message, WPARAM wParam, LPARAM lParam) {
    if (handlers_ == 0) return false;
    MSG msg{};
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    deferred_.push_back(msg);
    return true;
}

void TfrmMain::PostDeferred() {
    for (const MSG& msg : std::exchange(deferred_, {}))
        PostMessageW(handle_, msg.message, msg.wParam, msg.lParam);
}

void TfrmMain::SetWaitCursor(bool wait) {
    waitCursor_ = wait;
    SetCursor(LoadCursorW(nullptr, wait ? IDC_WAIT : IDC_ARROW));
}

void TfrmMain::PaintPending() {
    // Only paint messages: clicks and keys stay queued until the handler is done.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        DispatchMessageW(&msg);
    }
}

bool TfrmMain::IsButtonCommand(int id) { return id == IdCancel || id == IdNext || id == IdFinish; }

int TfrmMain::DefaultButton() const {
    // The focused push button, as in any dialog; with the focus elsewhere,
    // the button in front of the twins, never one that is covered.
    const HWND focus = GetFocus();
    for (HWND button : {btCANCEL, btNEXT, btFINISH})
        if (focus == button && Pressable(button)) return GetDlgCtrlID(button);
    const HWND front = finishInFront_ ? btFINISH : btNEXT;
    return IsWindowVisible(front) && IsWindowEnabled(front) ? GetDlgCtrlID(front) : 0;
}

void TfrmMain::OnCommand(int id, int code) {
    switch (id) {
    case IdCancel:
        if (code == BN_CLICKED && Pressable(btCANCEL)) btCANCELClick();
        break;
    case IdNext:
        if (code == BN_CLICKED && Pressable(btNEXT)) btNEXTClick();
        break;
    case IdFinish:
        if (code == BN_CLICKED && Pressable(btFINISH)) btFINISHClick();
        break;
    case IdInstallDrive:
        if (code == CBN_SELCHANGE && InstallDrive) InstallDrive->SelectionChanged();
        break;
    }
}

void TfrmMain::OnActivate(bool active) {
    if (!active) {
        HWND focus = GetFocus();
        focus_ = focus && IsChild(handle_, focus) ? focus : nullptr;
        return;
    }
    // Only back to a control the user can reach: not to one hidden,
    // disabled or covered by its twin meanwhile.
    const bool reachable = focus_ && IsWindow(focus_) && IsWindowVisible(focus_) && IsWindowEnabled(focus_) &&
                           (GetWindowLongPtrW(focus_, GWL_STYLE) & WS_TABSTOP);
    HWND target = reachable ? focus_ : GetNextDlgTabItem(handle_, nullptr, FALSE);
    SetFocus(target ? target : handle_);
}

LRESULT CALLBACK TfrmMain::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<TfrmMain*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->handle_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TfrmMain*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    const LRESULT result = self->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->handle_ = nullptr;
    }
    return result;
}

LRESULT TfrmMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        // Closing while a handler is on the stack would destroy the window
        // under it: the close waits until the handler has ended.
        if (DeferWhileHandling(message, wParam, lParam)) return 0;
        break;
    case WM_COMMAND:
        // A button's command counts only if a person could press it when it
        // arrives; one that does not is dropped, never kept for later. No
        // handler runs inside another: one that counts while a handler is on
        // the stack (sent by another program, or let through by a box with
        // its own loop: the installation step's, the catalogue's warning) is
        // handled after it, against the state it left.
        if (lParam && IsButtonCommand(LOWORD(wParam)) && !Pressable(reinterpret_cast<HWND>(lParam))) return 0;
        if (lParam && DeferWhileHandling(message, wParam, lParam)) return 0;
        if (lParam) {
            ++handlers_;
            const ScopeExit handled([this] {
                if (--handlers_ == 0) PostDeferred();
            });
            // A failure ends the handler, not the program: it is shown and the
            // window goes on (a catalogue file that cannot be read, say).
            try {
                OnCommand(LOWORD(wParam), HIWORD(wParam));
            } catch (...) {
                ShowError(CurrentFailureText(), handle_);
            }
        }
        return 0;
    case WM_MEASUREITEM: {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (item->CtlID != IdInstallDrive) break;
        item->itemHeight = scale_(kInstallDriveItemHeight);
        return TRUE;
    }
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->CtlID != IdInstallDrive || !InstallDrive) break;
        InstallDrive->DrawItem(*item);
        return TRUE;
    }
    case WM_CTLCOLORSTATIC:
        SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    case WM_DEVICECHANGE:
        if ((wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE) && lParam &&
            reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam)->dbch_devicetype == DBT_DEVTYP_VOLUME && InstallDrive)
            InstallDrive->VolumesChanged();
        return TRUE;
    case WM_SETCURSOR:
        if (waitCursor_) {
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        break;
    case WM_ACTIVATE: OnActivate(LOWORD(wParam) != WA_INACTIVE); return 0;
    case DM_GETDEFID:
        // Enter in the dialog navigation presses this button.
        if (const int id = DefaultButton()) return MAKELRESULT(id, DC_HASDEFID);
        return 0;
    case WM_DPICHANGED:
        // Sent to a per-monitor aware window (release builds) that moved to a
        // screen of another density: laid out, drawn and lettered for it.
        ScaleTo(DesignScale(HIWORD(wParam)), reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_QUERYENDSESSION:
        // Cut short, the installation would leave a half-written folder with
        // no word to the user: Windows is asked to wait, with the reason.
        if (running_) return FALSE;
        break;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcW(handle_, message, wParam, lParam);
}
