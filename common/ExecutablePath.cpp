#include "ExecutablePath.h"

#include <windows.h>

#include <vector>

std::wstring ExecutablePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        // A full buffer means the path was cut short.
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring ExecutableFolder() {
    std::wstring path = ExecutablePath();
    path.erase(path.find_last_of(L"\\/") + 1);
    return path;
}
