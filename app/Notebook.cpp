#include "Notebook.h"

#include "Panel.h"

TNotebook::TNotebook(HWND parent, int id, int x, int y, int width, int height)
    : handle_(CreatePanel(parent, id, x, y, width, height)), width_(width), height_(height) {}

HWND TNotebook::AddPage() {
    const int id = 1 + PageCount();
    HWND page = CreatePanel(handle_, id, 0, 0, width_, height_);
    ShowWindow(page, SW_HIDE);
    pages_.push_back(page);
    return page;
}

void TNotebook::SetPageIndex(int index) {
    if (index < 0 || index >= PageCount() || index == index_) return;
    HWND previous = index_ >= 0 ? pages_[index_] : nullptr;
    index_ = index;
    ShowWindow(pages_[index], SW_SHOW);
    if (previous) {
        // Keyboard focus must not stay on a control of a hidden page.
        HWND focus = GetFocus();
        if (focus && IsChild(previous, focus)) SetFocus(GetAncestor(handle_, GA_ROOT));
        ShowWindow(previous, SW_HIDE);
    }
}
