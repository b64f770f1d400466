#include "TestFiles.h"

#include <atomic>
#include <chrono>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder() {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (;;) {
        const fs::path folder =
            fs::temp_directory_path() / ("setup-test-" + std::to_string(stamp) + "-" + std::to_string(++counter));
        if (fs::create_directory(folder)) {
            path_ = (folder / "").wstring();
            return;
        }
    }
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
#ifdef _WIN32
    // Windows refuses to delete a read-only file.
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(path_), ec))
        ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
#endif
    fs::remove_all(fs::path(path_), ec);
}

void WriteWholeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

bool FileExists(const fs::path& path) {
#ifdef _WIN32
    // As Windows resolves the name (trailing dots and blanks dropped, device
    // names), which std::filesystem does not promise.
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
#endif
}

#ifdef _WIN32
bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
#endif
