#pragma once
// Notebook1: a stack of pages without tabs; exactly one page is visible. A
// page and its controls are made the first time it is shown, so that the
// first page reaches the screen without waiting for the others.
#include <windows.h>

#include <functional>
#include <vector>

class TNotebook {
public:
    // Fills a page just made (index in the stack, the page's window).
    using PageMaker = std::function<void(int index, HWND page)>;

    // Made in no place: Place puts it there.
    TNotebook(HWND parent, int id, int pageCount, PageMaker makePage);

    HWND Handle() const { return handle_; }
    int PageCount() const { return static_cast<int>(pages_.size()); }
    int PageIndex() const { return index_; }
    // The page at index, made (hidden) if need be; when its maker throws,
    // the failure travels on and no page is kept.
    HWND Page(int index);
    // Shows the page at index, made first if need be; an index outside the
    // stack changes nothing.
    void SetPageIndex(int index);
    // The page at index if it has been made, else null.
    HWND MadePage(int index) const { return pages_.at(index); }
    // Moves the stack and sizes every page made to it.
    void Place(int x, int y, int width, int height);

private:
    HWND handle_;
    int width_ = 0;
    int height_ = 0;
    PageMaker makePage_;
    std::vector<HWND> pages_;  // null until made
    int index_ = -1;
};
