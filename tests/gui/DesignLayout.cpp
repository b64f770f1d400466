#include "DesignLayout.h"

#include <map>

#include "WindowText.h"

namespace {

// Design rectangles: left, top, width, height at 120 pixels per inch.
struct Box {
    int x, y, width, height;
};

// A page's text below its title: a width or height of 0 is measured.
struct Text {
    int y, width, height;
    bool wraps;
};

// The pages' texts, by title; every title sits at (21, 21), every text at 21
// from the left.
const std::map<std::wstring, std::vector<Text>> kPages{
    {L"Welkom bij het installatie programma ", {{84, 493, 43, true}, {398, 493, 43, true}}},
    {L"Locatie", {{84, 0, 0, false}}},
    {L"Vooruitgang", {{84, 0, 0, false}, {126, 0, 0, false}}},
    {L"Installatie voltooid", {{84, 493, 74, true}}},
    {L"Installatie is niet voltooid", {{84, 472, 43, true}, {146, 138, 0, true}, {241, 0, 0, false}}},
};
constexpr int kLeft = 21;
constexpr int kTextHeight = 14;   // Tahoma
constexpr int kTitleHeight = 17;  // Tahoma bold
constexpr int kEntryHeight = 20;  // of the drive chooser

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

HWND Child(HWND parent, int id) {
    for (HWND child : Children(parent))
        if (GetDlgCtrlID(child) == id) return child;
    return nullptr;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::string Describe(const RECT& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ") " + std::to_string(r.right - r.left) +
           " x " + std::to_string(r.bottom - r.top);
}

class Checker {
public:
    explicit Checker(int dpi) : dpi_(dpi) {}

    int Scaled(int design) const { return MulDiv(design, dpi_, 120); }

    // Where a control lies in its parent's client area.
    static RECT InParent(HWND control) {
        RECT r{};
        GetWindowRect(control, &r);
        MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    void Expect(const std::string& what, const RECT& actual, const RECT& expected) {
        if (!EqualRect(&actual, &expected))
            faults.push_back(what + ": " + Describe(actual) + ", design " + Describe(expected));
    }

    void Expect(const std::string& what, HWND control, const Box& design) {
        if (!control) {
            faults.push_back(what + ": missing");
            return;
        }
        const int x = Scaled(design.x), y = Scaled(design.y);
        Expect(what, InParent(control), RECT{x, y, x + Scaled(design.width), y + Scaled(design.height)});
    }

    // A text sized to its content measures as the design's font makes it.
    RECT Measured(const std::wstring& text, int fontHeight, bool bold, int width, bool wraps) const {
        HFONT font = CreateFontW(-Scaled(fontHeight), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                 ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
        HDC dc = GetDC(nullptr);
        HGDIOBJ previous = SelectObject(dc, font);
        RECT r{0, 0, Scaled(width), 0};
        DrawTextW(dc, text.empty() ? L" " : text.c_str(), -1, &r,
                  DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
        SelectObject(dc, previous);
        ReleaseDC(nullptr, dc);
        DeleteObject(font);
        if (text.empty()) r.right = 0;
        return r;
    }

    void ExpectText(const std::string& what, HWND label, const Text& design, int fontHeight, bool bold) {
        const RECT measured = Measured(TextOf(label), fontHeight, bold, design.width, design.wraps);
        const int width = design.width ? Scaled(design.width) : measured.right;
        const int height = design.height ? Scaled(design.height) : measured.bottom;
        const RECT expected{Scaled(kLeft), Scaled(design.y), Scaled(kLeft) + width, Scaled(design.y) + height};
        Expect(what, InParent(label), expected);
    }

    void ExpectPage(HWND page) {
        std::vector<HWND> labels;
        for (HWND child : Children(page))
            if (ClassOf(child) == L"Static") labels.push_back(child);
        const std::wstring title = labels.empty() ? std::wstring() : TextOf(labels.front());
        const auto found = kPages.find(title);
        if (found == kPages.end()) {
            faults.push_back("a page titled \"" + Narrow(title) + "\"");
            return;
        }
        const std::string name = Narrow(title);
        Expect(name + " page", page, Box{0, 0, 531, 460});
        ExpectText(name + " title", labels.front(), Text{21, 0, 0, false}, kTitleHeight, true);
        const std::vector<Text>& texts = found->second;
        if (labels.size() != texts.size() + 1) {
            faults.push_back(name + ": " + std::to_string(labels.size() - 1) + " texts");
            return;
        }
        for (std::size_t i = 0; i < texts.size(); ++i)
            ExpectText(name + " text " + std::to_string(i + 1), labels[i + 1], texts[i], kTextHeight, false);
        for (HWND child : Children(page)) {
            const std::wstring cls = ClassOf(child);
            if (cls == L"ComboBox") ExpectChooser(child);
            if (cls == L"msctls_progress32") Expect("progress bar", child, Box{21, 167, 482, 23});
        }
    }

    // The closed list's height is its entry height and the system's frame
    // around it (26 at the design density).
    void ExpectChooser(HWND chooser) {
        const RECT r = InParent(chooser);
        const RECT expected{Scaled(21), Scaled(126), Scaled(21) + Scaled(409), r.bottom};
        Expect("drive chooser", r, expected);
        DWORD_PTR height = 0;
        SendMessageTimeoutW(chooser, CB_GETITEMHEIGHT, 0, 0, SMTO_ABORTIFHUNG, 5000, &height);
        if (static_cast<int>(height) != Scaled(kEntryHeight))
            faults.push_back("drive chooser entry height " + std::to_string(height));
    }

    std::vector<std::string> faults;

private:
    int dpi_;
};

}  // namespace

std::vector<std::string> LayoutFaults(HWND wizard, int dpi) {
    Checker check(dpi);
    RECT client{};
    GetClientRect(wizard, &client);
    check.Expect("client area", client, RECT{0, 0, check.Scaled(700), check.Scaled(513)});
    check.Expect("image strip", Child(wizard, 100), Box{0, 0, 169, 460});
    HWND bar = Child(wizard, 101);
    check.Expect("button bar", bar, Box{0, 460, 700, 53});
    if (bar) {
        check.Expect("Cancel", Child(bar, 110), Box{10, 10, 99, 33});
        check.Expect("Next", Child(bar, 111), Box{596, 10, 98, 33});
        check.Expect("Finish", Child(bar, 112), Box{596, 10, 98, 33});
    }
    HWND notebook = Child(wizard, 102);
    check.Expect("page area", notebook, Box{169, 0, 531, 460});
    if (notebook)
        for (HWND page : Children(notebook))
            check.ExpectPage(page);
    return check.faults;
}
