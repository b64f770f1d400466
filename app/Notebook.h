#pragma once
// Notebook1: a stack of pages without tabs; exactly one page is visible.
#include <windows.h>

#include <vector>

class TNotebook {
public:
    TNotebook(HWND parent, int id, int x, int y, int width, int height);

    HWND Handle() const { return handle_; }
    // Adds a page at the end of the stack, hidden until it is shown.
    HWND AddPage();
    int PageCount() const { return static_cast<int>(pages_.size()); }
    int PageIndex() const { return index_; }
    HWND Page(int index) const { return pages_.at(index); }
    // Shows the page at index; an index outside the stack changes nothing.
    void SetPageIndex(int index);

private:
    HWND handle_;
    int width_;
    int height_;
    std::vector<HWND> pages_;
    int index_ = -1;
};
