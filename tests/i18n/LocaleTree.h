#pragma once
// A throw-away folder that plays the folder of Setup.exe: catalogues are
// copied into its locale tree, and the catalogue service is started as if
// the executable were in it. LANG is set for the test and restored after.
#include <filesystem>
#include <optional>
#include <string>

class LocaleTree {
public:
    LocaleTree();
    ~LocaleTree();
    LocaleTree(const LocaleTree&) = delete;
    LocaleTree& operator=(const LocaleTree&) = delete;

    // Copies a test catalogue to locale\<language>\LC_MESSAGES\<domain>.mo;
    // gives the full path.
    std::filesystem::path Add(const std::wstring& language, const std::string& fixture,
                              const std::wstring& domain = L"default");
    std::filesystem::path CataloguePath(const std::wstring& language, const std::wstring& domain = L"default") const;
    std::wstring ExecutablePath() const { return (root_ / L"Setup.exe").wstring(); }
    const std::filesystem::path& Root() const { return root_; }

private:
    std::filesystem::path root_;
};

// Sets an environment variable (empty: removes it) and restores it.
class ScopedEnvironment {
public:
    ScopedEnvironment(const wchar_t* name, const wchar_t* value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::wstring name_;
    std::optional<std::wstring> previous_;
};
