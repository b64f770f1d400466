#include "Panel.h"

namespace {

constexpr wchar_t kPanelClass[] = L"SetupPanel";

void PaintEtchedTop(HWND panel, int rows) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(panel, &ps);
    RECT client;
    GetClientRect(panel, &client);
    RECT shadow{client.left, 0, client.right, rows};
    RECT highlight{client.left, rows, client.right, 2 * rows};
    FillRect(dc, &shadow, GetSysColorBrush(COLOR_BTNSHADOW));
    FillRect(dc, &highlight, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
    EndPaint(panel, &ps);
}

LRESULT CALLBACK PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(panel, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        return 1;
    }
    case WM_PAINT:
        if (const auto rows = static_cast<int>(GetWindowLongPtrW(panel, GWLP_USERDATA)); rows > 0) {
            PaintEtchedTop(panel, rows);
            return 0;
        }
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    case WM_COMMAND:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
        if (HWND top = GetAncestor(panel, GA_ROOT); top && top != panel)
            return SendMessageW(top, message, wParam, lParam);
        break;
    }
    return DefWindowProcW(panel, message, wParam, lParam);
}

void RegisterPanelClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    if (GetClassInfoExW(instance, kPanelClass, &wc)) return;
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = PanelProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kPanelClass;
    RegisterClassExW(&wc);
}

}  // namespace

HWND CreatePanel(HWND parent, int id, int x, int y, int width, int height, int etchedTop) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterPanelClass(instance);
    // Control parent: dialog navigation (Tab, access keys) looks inside it.
    HWND panel = CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, L"",
                                 WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, x, y, width, height, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (panel) SetWindowLongPtrW(panel, GWLP_USERDATA, etchedTop);
    return panel;
}

void SetEtchedTop(HWND panel, int etchedTop) {
    SetWindowLongPtrW(panel, GWLP_USERDATA, etchedTop);
    InvalidateRect(panel, nullptr, TRUE);
}
