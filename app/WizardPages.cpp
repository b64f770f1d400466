#include "WizardPages.h"

#include <initializer_list>
#include <iterator>

namespace {

constexpr int kTextLeft = 21;
constexpr int kTitleTop = 21;

enum class Wrap { No, Yes };

// A text the size of its content, or, with a width, a box that breaks lines
// at word boundaries; without a height it grows to fit its lines.
void PlaceLabel(HWND label, const DesignScale& scale, HFONT font, const wchar_t* text, int x, int y, Wrap wrap,
                int width = 0, int height = 0) {
    RECT box{0, 0, scale(width), scale(height)};
    if (width == 0 || height == 0) {
        const ScopedDC dc(label);
        const ScopedSelection selection(dc.Get(), font);
        RECT measured{0, 0, box.right, 0};
        const UINT format =
            DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (wrap == Wrap::Yes ? DT_WORDBREAK : DT_SINGLELINE);
        // An empty text still takes the height of one line.
        DrawTextW(dc.Get(), *text ? text : L" ", -1, &measured, format);
        if (width == 0) box.right = *text ? measured.right : 0;
        if (height == 0) box.bottom = measured.bottom;
    }
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetWindowPos(label, nullptr, scale(x), scale(y), box.right, box.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
}

// A text of a page: where it sits and how it breaks (design pixels; a width
// or height of 0 is measured).
struct PageText {
    const wchar_t* text;
    int y;
    Wrap wrap;
    int width = 0;
    int height = 0;
};

struct PageContent {
    const wchar_t* title;
    std::initializer_list<PageText> texts;
};

// In stack order (TPage).
const PageContent kPages[] = {
    {L"Welkom bij het installatie programma ",
     {{L"Deze routine zal het bestelprogramma op uw computer installeren. Kies voor Volgende om door te gaan.", 84,
       Wrap::Yes, 493, 43},
      {L"", 398, Wrap::Yes, 493, 43}}},
    {L"Locatie", {{L"Selecteer een schijf waarop u het programma wenst te installeren", 84, Wrap::No}}},
    {L"Vooruitgang",
     {{L"Even geduld aub.", 84, Wrap::No}, {L"De componenten worden gedownload en geïnstalleerd", 126, Wrap::No}}},
    {L"Installatie voltooid",
     {{L"Deze routine heeft met succes het bestelprogramma op uw computer geïnstalleerd. Klik op Voltooien om af "
       L"te sluiten.",
       84, Wrap::Yes, 493, 74}}},
    {L"Installatie is niet voltooid",
     {{L"Het programma is niet succesvol geïnstalleerd op uw PC. Het progamma zal mogelijk niet correct werken.", 84,
       Wrap::Yes, 472, 43},
      {L"Voer de installatie later opnieuw uit.", 146, Wrap::Yes, 138},
      {L"Neem contact op met Holvik BVBA indien het probleem zich blijft voordoen.", 241, Wrap::No}}},
};
static_assert(std::size(kPages) == kPageCount);

// The title is the page's first label, its texts follow in order.
constexpr int kTitleId = 1;

}  // namespace

void AddWizardTexts(TPage which, HWND page) {
    const PageContent& content = kPages[static_cast<int>(which)];
    int id = kTitleId;
    const auto add = [&](const wchar_t* text, Wrap wrap) {
        const DWORD style = WS_CHILD | WS_VISIBLE | SS_NOPREFIX | (wrap == Wrap::Yes ? SS_LEFT : SS_LEFTNOWORDWRAP);
        CreateWindowExW(0, L"STATIC", text, style, 0, 0, 0, 0, page,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id++)), GetModuleHandleW(nullptr), nullptr);
    };
    add(content.title, Wrap::No);
    for (const PageText& t : content.texts)
        add(t.text, t.wrap);
}

void PlaceWizardTexts(TPage which, HWND page, const DesignScale& scale, const PageFonts& fonts) {
    const PageContent& content = kPages[static_cast<int>(which)];
    int id = kTitleId;
    PlaceLabel(GetDlgItem(page, id++), scale, fonts.title, content.title, kTextLeft, kTitleTop, Wrap::No);
    for (const PageText& t : content.texts)
        PlaceLabel(GetDlgItem(page, id++), scale, fonts.text, t.text, kTextLeft, t.y, t.wrap, t.width, t.height);
}
