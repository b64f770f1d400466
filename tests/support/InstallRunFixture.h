#pragma once
// The installation run on Wine drive V: (setup_test's DRIVE option,
// with_drive.sh): V:\VENKOR\ emptied before and after each test, and the
// run with a given source, its failure text returned.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>

#include "Failure.h"
#include "InstallPlan.h"
#include "InstallRun.h"
#include "TestFiles.h"

// A file of a folder made at build time, read through Wine's Z: drive.
inline std::string MadeFile(const char* folder, const std::string& name) {
    return ReadWholeFile("Z:" + std::string(folder) + "/" + name);
}

class InstallRunFixture : public ::testing::Test {
protected:
    inline static const std::wstring kPad = L"V:\\VENKOR\\";

    void SetUp() override { Clear(); }
    void TearDown() override {
        unzipper.CloseArchive();  // an archive that failed stays open until then
        Clear();
    }
    static void Clear() {
        std::error_code ec;
        for (auto& f : std::filesystem::recursive_directory_iterator(kPad, ec))
            ::SetFileAttributesW(f.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        std::filesystem::remove_all(kPad, ec);
    }

    std::optional<std::wstring> Run(const InstallSource& source) {
        try {
            Pad = InstallFolder(L'V');
            RunInstallation(Pad, http, unzipper, source);
        } catch (const Failure& f) {
            return f.Message();
        }
        return std::nullopt;
    }

    static std::set<std::wstring> Listing() {
        std::set<std::wstring> names;
        for (auto& f : std::filesystem::directory_iterator(kPad))
            names.insert(f.path().filename().wstring());
        return names;
    }

    static std::string Content(const std::wstring& name) { return ReadWholeFile(kPad + name); }

    std::wstring Pad;
    TIdHTTP http;
    TAbUnZipper unzipper;
};
