#include "MessageDialogs.h"

#include <windows.h>

#include <algorithm>

#include "DialogTextIds.h"
#include "GdiObjects.h"
#include "LibraryText.h"
#include "gnugettext.h"

namespace {

constexpr int kIconId = 100;

// The active window is empty while another program is in front: a box
// owned by it would float alone over a wizard that still takes clicks.
HWND OwnerOr(HWND owner) { return owner ? owner : GetActiveWindow(); }
constexpr int kTextId = 101;

struct ConfirmationTexts {
    std::wstring title;
    std::wstring text;
    std::wstring yes;
    std::wstring no;
    HFONT font;
};

UniqueFont CreateMessageFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return UniqueFont();
    return UniqueFont(CreateFontIndirectW(&metrics.lfMessageFont));
}

// Average character width and height of the font: the base of the spacing,
// as dialog units are.
SIZE AverageCharSize(HDC dc) {
    static constexpr wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE size{};
    GetTextExtentPoint32W(dc, kLetters, 52, &size);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    return SIZE{(size.cx / 26 + 1) / 2, metrics.tmHeight};
}

HWND AddControl(HWND dialog, const wchar_t* cls, const std::wstring& text, DWORD style, int id, HFONT font) {
    HWND control =
        CreateWindowExW(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, dialog,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (control && font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

void Place(HWND dialog, int id, int x, int y, int width, int height) {
    SetWindowPos(GetDlgItem(dialog, id), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Icon and text side by side, the two buttons centred in one row below;
// the dialog in the centre of the primary screen.
void Layout(HWND dialog, const ConfirmationTexts& texts) {
    SIZE unit{};
    RECT textRect{0, 0, GetSystemMetrics(SM_CXSCREEN) / 2, 0};
    {
        const ScopedDC dc(dialog);
        const ScopedSelection font(dc.Get(), texts.font ? texts.font : GetStockObject(DEFAULT_GUI_FONT));
        unit = AverageCharSize(dc.Get());
        DrawTextW(dc.Get(), texts.text.c_str(), static_cast<int>(texts.text.size()), &textRect,
                  DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    }

    const int horzMargin = MulDiv(8, unit.cx, 4);
    const int vertMargin = MulDiv(8, unit.cy, 8);
    const int horzSpacing = MulDiv(10, unit.cx, 4);
    const int vertSpacing = MulDiv(10, unit.cy, 8);
    const int buttonWidth = MulDiv(50, unit.cx, 4);
    const int buttonHeight = MulDiv(14, unit.cy, 8);
    const int buttonSpacing = MulDiv(4, unit.cx, 4);
    const int iconSize = GetSystemMetrics(SM_CXICON);

    const int textWidth = textRect.right - textRect.left;
    const int textHeight = textRect.bottom - textRect.top;
    const int buttonsWidth = 2 * buttonWidth + buttonSpacing;
    const int clientWidth = std::max(iconSize + horzSpacing + textWidth, buttonsWidth) + 2 * horzMargin;
    const int buttonTop = vertMargin + std::max(iconSize, textHeight) + vertSpacing;
    const int clientHeight = buttonTop + buttonHeight + vertMargin;

    Place(dialog, kIconId, horzMargin, vertMargin, iconSize, iconSize);
    Place(dialog, kTextId, horzMargin + iconSize + horzSpacing, vertMargin, textWidth, textHeight);
    const int buttonsLeft = (clientWidth - buttonsWidth) / 2;
    Place(dialog, IDYES, buttonsLeft, buttonTop, buttonWidth, buttonHeight);
    Place(dialog, IDNO, buttonsLeft + buttonWidth + buttonSpacing, buttonTop, buttonWidth, buttonHeight);

    RECT frame{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(dialog, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK ConfirmationProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        const auto& texts = *reinterpret_cast<const ConfirmationTexts*>(lParam);
        SetWindowTextW(dialog, texts.title.c_str());
        HWND icon = AddControl(dialog, L"STATIC", L"", SS_ICON, kIconId, nullptr);
        SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_QUESTION)), 0);
        AddControl(dialog, L"STATIC", texts.text, SS_LEFT | SS_NOPREFIX, kTextId, texts.font);
        HWND yes = AddControl(dialog, L"BUTTON", texts.yes, WS_TABSTOP | BS_DEFPUSHBUTTON, IDYES, texts.font);
        AddControl(dialog, L"BUTTON", texts.no, WS_TABSTOP | BS_PUSHBUTTON, IDNO, texts.font);
        Layout(dialog, texts);
        SendMessageW(dialog, DM_SETDEFID, IDYES, 0);
        SetFocus(yes);
        return FALSE;  // the focus is set
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDYES: EndDialog(dialog, IDYES); return TRUE;
        case IDNO:
        case IDCANCEL:  // Escape: No is the cancel button
            EndDialog(dialog, IDNO);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:  // the close box and Alt+F4 answer neither Yes nor No
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

TModalResult ShowConfirmationDialog(const std::wstring& text, HWND owner) {
    // Texts are looked up before the dialog exists: a catalogue failure then
    // travels to the caller instead of through the dialog procedure.
    const UniqueFont font = CreateMessageFont();
    const ConfirmationTexts texts{gettext(L"WAARSCHUWING"), text, LoadResString(IDS_DIALOG_YES),
                                  LoadResString(IDS_DIALOG_NO), font.Get()};

    // An empty template: the controls are made and placed in pixels in
    // WM_INITDIALOG, measured with the message font.
    struct alignas(4) {
        DLGTEMPLATE header;
        WORD menu, windowClass, title;
    } dialogTemplate{};
    dialogTemplate.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND;
    dialogTemplate.header.dwExtendedStyle = WS_EX_DLGMODALFRAME;

    const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &dialogTemplate.header, OwnerOr(owner),
                                                   ConfirmationProc, reinterpret_cast<LPARAM>(&texts));
    switch (result) {
    case IDYES: return TModalResult::mrYes;
    case IDNO: return TModalResult::mrNo;
    default: return TModalResult::mrCancel;  // also when the dialog could not be shown
    }
}

bool AskConfirmation(const std::wstring& text, HWND owner) {
    return ShowConfirmationDialog(text, owner) == TModalResult::mrYes;
}

void ShowError(const std::wstring& text, HWND owner) {
    MessageBoxW(OwnerOr(owner), text.c_str(), L"Setup", MB_SYSTEMMODAL | MB_ICONERROR);
}
