#include "TargetName.h"

#include <windows.h>

namespace {

// A path function of the GetFullPathNameW kind, called with the size it asks for.
template <typename F>
std::wstring PathFrom(F function, const std::wstring& path) {
    std::wstring result(MAX_PATH, L'\0');
    DWORD n = function(path.c_str(), result.data(), static_cast<DWORD>(result.size()));
    if (n >= result.size()) {
        result.resize(n);
        n = function(path.c_str(), result.data(), static_cast<DWORD>(result.size()));
    }
    result.resize(n < result.size() ? n : 0);
    return result;
}
std::wstring FullPath(const std::wstring& path) {
    return PathFrom([](LPCWSTR p, LPWSTR b, DWORD n) { return ::GetFullPathNameW(p, n, b, nullptr); }, path);
}

}  // namespace

bool HasInvalidPathCharacters(std::wstring_view bareName) {
    for (wchar_t c : bareName)
        if (c < 32 || c == L'"' || c == L'<' || c == L'>' || c == L'|') return true;
    return false;
}

bool IsDeviceName(std::wstring_view bareName) {
    // The device part is what comes before the first dot, without trailing blanks.
    std::wstring_view stem = bareName.substr(0, bareName.find(L'.'));
    while (!stem.empty() && stem.back() == L' ')
        stem.remove_suffix(1);

    auto same = [&](std::wstring_view device) {
        return ::CompareStringOrdinal(stem.data(), static_cast<int>(stem.size()), device.data(),
                                      static_cast<int>(device.size()), TRUE) == CSTR_EQUAL;
    };
    for (std::wstring_view device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (same(device)) return true;
    if (stem.size() != 4) return false;
    const wchar_t digit = stem[3];
    const bool numbered =
        (digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
    stem.remove_suffix(1);
    return numbered && (same(L"COM") || same(L"LPT"));
}

bool IsOnlyDotsAndBlanks(std::wstring_view bareName) {
    return bareName.find_first_not_of(L". ") == std::wstring_view::npos;
}

std::vector<std::wstring> ArchiveNames(const std::wstring& archive) {
    const std::wstring full = FullPath(archive);
    std::vector<std::wstring> names{full};
    for (auto name : {PathFrom(::GetLongPathNameW, full), PathFrom(::GetShortPathNameW, full)})
        if (!name.empty()) names.push_back(FullPath(name));
    return names;
}

bool IsArchiveItself(const std::wstring& target, const std::vector<std::wstring>& archiveNames) {
    const std::wstring full = FullPath(target);
    for (const auto& name : archiveNames)
        if (::CompareStringOrdinal(full.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL) return true;
    return false;
}

bool MatchesMask(std::wstring mask, std::wstring name) {
    if (mask == L"*.*" || mask == L"*") return true;
    // Letter case does not matter.
    ::CharUpperBuffW(mask.data(), static_cast<DWORD>(mask.size()));
    ::CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
    std::size_t m = 0, n = 0, starM = std::wstring::npos, starN = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == L'?' || mask[m] == name[n])) {
            ++m;
            ++n;
        } else if (m < mask.size() && mask[m] == L'*') {
            starM = m++;
            starN = n;
        } else if (starM != std::wstring::npos) {
            m = starM + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == L'*')
        ++m;
    return m == mask.size();
}
