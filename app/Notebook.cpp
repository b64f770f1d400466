#include "Notebook.h"

#include <utility>

#include "Panel.h"

TNotebook::TNotebook(HWND parent, int id, int pageCount, PageMaker makePage)
    : handle_(CreatePanel(parent, id, 0, 0, 0, 0)), makePage_(std::move(makePage)), pages_(pageCount, nullptr) {}

HWND TNotebook::Page(int index) {
    if (!pages_.at(index)) {
        // Made hidden: its controls appear all at once when it is shown.
        HWND page = CreatePanel(handle_, 1 + index, 0, 0, width_, height_);
        ShowWindow(page, SW_HIDE);
        // Kept only once whole: a maker that fails half-way (out of memory)
        // leaves nothing, and the next showing tries again.
        try {
            makePage_(index, page);
        } catch (...) {
            DestroyWindow(page);
            throw;
        }
        pages_[index] = page;
    }
    return pages_[index];
}

void TNotebook::SetPageIndex(int index) {
    if (index < 0 || index >= PageCount() || index == index_) return;
    Page(index);
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

void TNotebook::Place(int x, int y, int width, int height) {
    width_ = width;
    height_ = height;
    SetWindowPos(handle_, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    for (HWND page : pages_)
        if (page) SetWindowPos(page, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}
