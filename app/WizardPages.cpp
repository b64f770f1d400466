#include "WizardPages.h"

#include <string>

namespace {

constexpr int kTextLeft = 21;

enum class Wrap { No, Yes };

// A text the size of its content, or, with a width, a box that breaks lines
// at word boundaries; without a height it grows to fit its lines.
void AddLabel(HWND page, const DesignScale& scale, HFONT font, const wchar_t* text, int x, int y, Wrap wrap,
              int width = 0, int height = 0) {
    RECT box{0, 0, scale(width), scale(height)};
    if (width == 0 || height == 0) {
        const ScopedDC dc(page);
        const ScopedSelection selection(dc.Get(), font);
        RECT measured{0, 0, box.right, 0};
        const UINT format =
            DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (wrap == Wrap::Yes ? DT_WORDBREAK : DT_SINGLELINE);
        // An empty text still takes the height of one line.
        DrawTextW(dc.Get(), *text ? text : L" ", -1, &measured, format);
        if (width == 0) box.right = *text ? measured.right : 0;
        if (height == 0) box.bottom = measured.bottom;
    }
    const DWORD style = WS_CHILD | WS_VISIBLE | SS_NOPREFIX | (wrap == Wrap::Yes ? SS_LEFT : SS_LEFTNOWORDWRAP);
    HWND label = CreateWindowExW(0, L"STATIC", text, style, scale(x), scale(y), box.right, box.bottom, page, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void AddTitle(HWND page, const DesignScale& scale, const PageFonts& fonts, const wchar_t* title) {
    AddLabel(page, scale, fonts.title, title, 21, 21, Wrap::No);
}

}  // namespace

void FillWizardPage(TPage which, HWND page, const DesignScale& scale, const PageFonts& fonts) {
    switch (which) {
    case TPage::Start:
        AddTitle(page, scale, fonts, L"Welkom bij het installatie programma ");
        AddLabel(page, scale, fonts.text,
                 L"Deze routine zal het bestelprogramma op uw computer installeren. Kies voor Volgende om door te "
                 L"gaan.",
                 kTextLeft, 84, Wrap::Yes, 493, 43);
        AddLabel(page, scale, fonts.text, L"", kTextLeft, 398, Wrap::Yes, 493, 43);
        break;
    case TPage::Locatie:
        AddTitle(page, scale, fonts, L"Locatie");
        AddLabel(page, scale, fonts.text, L"Selecteer een schijf waarop u het programma wenst te installeren",
                 kTextLeft, 84, Wrap::No);
        break;
    case TPage::InstallMain:
        AddTitle(page, scale, fonts, L"Vooruitgang");
        AddLabel(page, scale, fonts.text, L"Even geduld aub.", kTextLeft, 84, Wrap::No);
        AddLabel(page, scale, fonts.text, L"De componenten worden gedownload en geïnstalleerd", kTextLeft, 126,
                 Wrap::No);
        break;
    case TPage::Einde:
        AddTitle(page, scale, fonts, L"Installatie voltooid");
        AddLabel(page, scale, fonts.text,
                 L"Deze routine heeft met succes het bestelprogramma op uw computer geïnstalleerd. Klik op Voltooien "
                 L"om af te sluiten.",
                 kTextLeft, 84, Wrap::Yes, 493, 74);
        break;
    case TPage::Abort:
        AddTitle(page, scale, fonts, L"Installatie is niet voltooid");
        AddLabel(page, scale, fonts.text,
                 L"Het programma is niet succesvol geïnstalleerd op uw PC. Het progamma zal mogelijk niet correct "
                 L"werken.",
                 kTextLeft, 84, Wrap::Yes, 472, 43);
        AddLabel(page, scale, fonts.text, L"Voer de installatie later opnieuw uit.", kTextLeft, 146, Wrap::Yes, 138);
        AddLabel(page, scale, fonts.text, L"Neem contact op met Holvik BVBA indien het probleem zich blijft voordoen.",
                 kTextLeft, 241, Wrap::No);
        break;
    }
}
