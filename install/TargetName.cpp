#include "TargetName.h"

#include <windows.h>

bool HasInvalidPathCharacters(std::wstring_view bareName) {
    for (wchar_t c : bareName)
        if (c < 32 || c == L'"' || c == L'<' || c == L'>' || c == L'|') return true;
    return false;
}

bool IsDeviceName(std::wstring_view bareName) {
    // The device part is what comes before the first dot, without trailing blanks.
    std::wstring_view stem = bareName.substr(0, bareName.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') stem.remove_suffix(1);

    auto same = [&](std::wstring_view device) {
        return ::CompareStringOrdinal(stem.data(), static_cast<int>(stem.size()), device.data(),
                                      static_cast<int>(device.size()), TRUE) == CSTR_EQUAL;
    };
    for (std::wstring_view device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (same(device)) return true;
    if (stem.size() != 4) return false;
    const wchar_t digit = stem[3];
    const bool numbered = (digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
    stem.remove_suffix(1);
    return numbered && (same(L"COM") || same(L"LPT"));
}

bool IsOnlyDotsAndBlanks(std::wstring_view bareName) {
    return bareName.find_first_not_of(L". ") == std::wstring_view::npos;
}
