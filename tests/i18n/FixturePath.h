#pragma once
// The test catalogues, compiled by the build into catalogues/ beside the
// test program.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "TestFiles.h"

inline std::filesystem::path FixturePath(const std::string& name) {
#ifdef _WIN32
    std::wstring self(32768, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    const std::filesystem::path program(self);
#else
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe");
#endif
    return program.parent_path() / "catalogues" / name;
}

inline std::vector<std::uint8_t> ReadFixture(const std::string& name) {
    return ReadWholeFile<std::vector<std::uint8_t>>(FixturePath(name));
}
