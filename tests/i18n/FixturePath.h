#pragma once
// The test catalogues, compiled by the build into catalogues/ beside the
// test program.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

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
    std::ifstream in(FixturePath(name), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
