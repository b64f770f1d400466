#include "TargetName.h"

#include <windows.h>

#include "UniqueHandle.h"

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

std::optional<FileIdentity> IdentityOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file, &info)) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

std::optional<FileIdentity> IdentityOf(const std::wstring& path) {
    UniqueFile file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    return IdentityOf(file.Get());
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
