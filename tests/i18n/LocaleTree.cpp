#include "LocaleTree.h"

#include <windows.h>

#include <atomic>

#include "FixturePath.h"

LocaleTree::LocaleTree() {
    static std::atomic<int> counter{0};
    root_ = std::filesystem::temp_directory_path() /
            (L"setup-i18n-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter));
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
}

LocaleTree::~LocaleTree() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

std::filesystem::path LocaleTree::CataloguePath(const std::wstring& language, const std::wstring& domain) const {
    return root_ / L"locale" / language / L"LC_MESSAGES" / (domain + L".mo");
}

std::filesystem::path LocaleTree::Add(const std::wstring& language, const std::string& fixture,
                                      const std::wstring& domain) {
    const auto target = CataloguePath(language, domain);
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(FixturePath(fixture), target, std::filesystem::copy_options::overwrite_existing);
    return target;
}

ScopedEnvironment::ScopedEnvironment(const wchar_t* name, const wchar_t* value) : name_(name) {
    std::wstring buffer(32767, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length > 0) previous_ = buffer.substr(0, length);
    SetEnvironmentVariableW(name, value && *value ? value : nullptr);
}

ScopedEnvironment::~ScopedEnvironment() {
    SetEnvironmentVariableW(name_.c_str(), previous_ ? previous_->c_str() : nullptr);
}
